// Whole-stretch decision of marks and gaps (see cwsequencedecoder.h).
#include "audio/cwsequencedecoder.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kStepsPerDot = 8;
constexpr double kMaxMarkDots = 5.0;
constexpr double kMaxGapDots = 12.0;
constexpr double kNone = -1e300;
// Weight of one stretch's levels in the levels carried to the next.
constexpr double kFollow = 0.4;
// Energy of a dot over the noise power density below which a stretch is
// taken for noise.
constexpr double kMinDotSnr = 6.0;

// ln I0(x) for x >= 0: its series below 3.75, its asymptotic form above.
double LogBesselI0(double x) {
    if (x < 3.75) {
        const double y = x * x / 4.0;
        return std::log(1.0 + y + y * y / 4.0 + y * y * y / 36.0 + y * y * y * y / 576.0 +
                        y * y * y * y * y / 14400.0);
    }
    return x - 0.5 * std::log(2.0 * kPi * x) + std::log(1.0 + 1.0 / (8.0 * x));
}

// Log-likelihood of a length (in dots) given the lengths it may have: a
// mixture of log-normal peaks; never below a floor, so that no sequence is
// impossible.
double LengthPrior(double dots, const double* centres, const double* weights, int count, double spread) {
    double p = 0.0;
    const double l = std::log(dots);
    for (int i = 0; i < count; ++i) {
        const double z = (l - std::log(centres[i])) / spread;
        p += weights[i] * std::exp(-0.5 * z * z) / (spread * std::sqrt(2.0 * kPi));
    }
    return std::log(std::max(p, 1e-9));
}

}  // namespace

CCwSequenceDecoder::CCwSequenceDecoder(double rate, const tagMorseCode* table) : m_dRate(rate) {
    for (int i = 0; i < MORSE_CODE_COUNT; ++i) {
        char buf[MORSE_MAX_ELEMENTS + 1];
        if (MorseElementString(table[i], buf, sizeof buf) > 0) {
            m_patterns.push_back({buf, static_cast<char>(table[i].nChar & 0xFF)});
        }
    }
}

char CCwSequenceDecoder::Lookup(const std::string& pattern) const {
    for (const tagPattern& p : m_patterns) {
        if (p.elements == pattern) return p.ch;
    }
    return '#';
}

std::vector<std::pair<int, int>> CCwSequenceDecoder::Segment(const std::vector<std::complex<double>>& prefix,
                                                              const std::vector<double>& count, int steps,
                                                              double amplitude, double noise) const {
    const int maxMark = static_cast<int>(kMaxMarkDots * kStepsPerDot);
    const int maxGap = static_cast<int>(kMaxGapDots * kStepsPerDot);
    static const double markAt[] = {1.0, 3.0};
    static const double markWeight[] = {0.5, 0.5};
    static const double gapAt[] = {1.0, 3.0, 7.0};
    static const double gapWeight[] = {0.55, 0.33, 0.12};
    std::vector<double> markPrior(static_cast<size_t>(maxMark) + 1), gapPrior(static_cast<size_t>(maxGap) + 1);
    for (int d = 1; d <= maxMark; ++d) {
        markPrior[static_cast<size_t>(d)] =
            LengthPrior(static_cast<double>(d) / kStepsPerDot, markAt, markWeight, 2, 0.22) - std::log(d);
    }
    for (int d = 1; d <= maxGap; ++d) {
        gapPrior[static_cast<size_t>(d)] =
            LengthPrior(static_cast<double>(d) / kStepsPerDot, gapAt, gapWeight, 3, 0.25) - std::log(d);
    }
    const double a2 = amplitude * amplitude / noise;
    const double gain = 2.0 * amplitude / noise;
    // markEnd[t]: best score of a sequence whose last mark ends at t;
    // gapEnd[t]: best whose last gap (after a mark) ends at t, or the
    // leading gap (score 0) when no mark came yet.
    std::vector<double> markEnd(static_cast<size_t>(steps) + 1, kNone), gapEnd(static_cast<size_t>(steps) + 1, 0.0);
    std::vector<int> markFrom(static_cast<size_t>(steps) + 1, -1), gapFrom(static_cast<size_t>(steps) + 1, -1);
    for (int t = 1; t <= steps; ++t) {
        for (int d = 1; d <= maxMark && d <= t; ++d) {
            const int s = t - d;
            if (gapEnd[static_cast<size_t>(s)] <= kNone) continue;
            const std::complex<double> sum = prefix[static_cast<size_t>(t)] - prefix[static_cast<size_t>(s)];
            const double n = count[static_cast<size_t>(t)] - count[static_cast<size_t>(s)];
            const double llr = LogBesselI0(gain * std::abs(sum)) - n * a2;
            const double v = gapEnd[static_cast<size_t>(s)] + llr + markPrior[static_cast<size_t>(d)];
            if (v > markEnd[static_cast<size_t>(t)]) {
                markEnd[static_cast<size_t>(t)] = v;
                markFrom[static_cast<size_t>(t)] = s;
            }
        }
        for (int d = 1; d <= maxGap && d <= t; ++d) {
            const int s = t - d;
            if (markEnd[static_cast<size_t>(s)] <= kNone) continue;
            const double v = markEnd[static_cast<size_t>(s)] + gapPrior[static_cast<size_t>(d)];
            if (gapFrom[static_cast<size_t>(t)] < 0 || v > gapEnd[static_cast<size_t>(t)]) {
                if (gapFrom[static_cast<size_t>(t)] < 0 && v < gapEnd[static_cast<size_t>(t)]) continue;
                gapEnd[static_cast<size_t>(t)] = v;
                gapFrom[static_cast<size_t>(t)] = s;
            }
        }
    }
    // The stretch ends in a gap of any length after the last mark.
    int end = -1;
    double best = 0.0;  // no mark at all
    for (int t = 1; t <= steps; ++t) {
        if (markEnd[static_cast<size_t>(t)] > best) {
            best = markEnd[static_cast<size_t>(t)];
            end = t;
        }
    }
    // Walk back: marks as (start, end) in steps.
    std::vector<std::pair<int, int>> marks;
    int t = end;
    while (t > 0) {
        const int s = markFrom[static_cast<size_t>(t)];
        marks.emplace_back(s, t);
        const int g = gapFrom[static_cast<size_t>(s)];
        if (g < 0) break;  // the leading gap
        t = g;
    }
    std::reverse(marks.begin(), marks.end());
    return marks;
}

void CCwSequenceDecoder::Decode(double dot, double amplitude, double noise, bool endsWord, std::string* out) {
    const double stepSamples = std::max(1.0, dot * m_dRate / kStepsPerDot);
    const int steps = static_cast<int>(static_cast<double>(m_samples.size()) / stepSamples);
    if (steps < 2 || noise <= 0 || amplitude <= 0) {
        m_samples.clear();
        return;
    }
    // Prefix sums of the samples at step boundaries.
    std::vector<std::complex<double>> prefix(static_cast<size_t>(steps) + 1);
    std::vector<double> count(static_cast<size_t>(steps) + 1);
    std::complex<double> acc = 0.0;
    size_t k = 0;
    for (int t = 0; t <= steps; ++t) {
        const size_t end = std::min(m_samples.size(), static_cast<size_t>(std::lround(t * stepSamples)));
        while (k < end) acc += m_samples[k++];
        prefix[static_cast<size_t>(t)] = acc;
        count[static_cast<size_t>(t)] = static_cast<double>(end);
    }
    // Decide with the levels given, then again with the levels the first
    // decision shows: the tone's amplitude from the marks' coherent sums,
    // the noise from the gaps.
    if (m_dAmplitude <= 0) {
        m_dAmplitude = amplitude;
        m_dNoise = noise;
    }
    std::vector<std::pair<int, int>> marks = Segment(prefix, count, steps, m_dAmplitude, m_dNoise);
    bool clear = false;
    if (!marks.empty()) {
        double sumS2 = 0.0, sumN = 0.0, sumN2 = 0.0, markEnergy = 0.0;
        for (const auto& m : marks) {
            const std::complex<double> sum = prefix[static_cast<size_t>(m.second)] - prefix[static_cast<size_t>(m.first)];
            const double n = count[static_cast<size_t>(m.second)] - count[static_cast<size_t>(m.first)];
            sumS2 += std::norm(sum);
            sumN += n;
            sumN2 += n * n;
            for (size_t i = static_cast<size_t>(count[static_cast<size_t>(m.first)]);
                 i < static_cast<size_t>(count[static_cast<size_t>(m.second)]); ++i) {
                markEnergy += std::norm(m_samples[i]);
            }
        }
        double total = 0.0;
        for (const std::complex<double>& v : m_samples) total += std::norm(v);
        const double gapSamples = static_cast<double>(m_samples.size()) - sumN;
        if (gapSamples > 0.3 * static_cast<double>(m_samples.size()) && sumN2 > 0) {
            const double noiseNow = std::max(1e-30, (total - markEnergy) / gapSamples);
            const double a2 = (sumS2 - sumN * noiseNow) / sumN2;
            // A stretch of noise alone shows no clear tone in the marks it
            // would have: it is not decoded, and does not pull the levels
            // down onto its own bursts.
            // One or two marks are easily picked from noise bursts: they
            // must show a clearer tone than a longer stretch.
            const double need = kMinDotSnr * (marks.size() <= 2 ? 2.0 : 1.0);
            clear = a2 > 0 && a2 * dot * m_dRate > need * noiseNow;
            if (clear) {
                m_dNoise += kFollow * (noiseNow - m_dNoise);
                m_dAmplitude += kFollow * (std::sqrt(a2) - m_dAmplitude);
                marks = Segment(prefix, count, steps, m_dAmplitude, m_dNoise);
            }
        }
    }
    if (!clear) {
        m_samples.clear();
        return;
    }
    std::string pattern;
    for (size_t i = 0; i < marks.size(); ++i) {
        const double len = static_cast<double>(marks[i].second - marks[i].first) / kStepsPerDot;
        pattern += len < 2.0 ? '.' : '-';
        const bool last = i + 1 == marks.size();
        // After the last mark, the gap up to the end of the stretch.
        const double gap = static_cast<double>((last ? steps : marks[i + 1].first) - marks[i].second) / kStepsPerDot;
        if (gap >= 2.0 || last) {
            *out += pattern.size() <= 9 ? Lookup(pattern) : '#';
            pattern.clear();
            if (gap >= 5.0 || (last && endsWord)) *out += ' ';
        }
    }
    m_samples.clear();
}
