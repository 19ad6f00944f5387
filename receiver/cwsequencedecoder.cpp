// Whole-stretch decision of marks and gaps (see cwsequencedecoder.h).
#include "receiver/cwsequencedecoder.h"

#include <algorithm>
#include <cmath>

#include "receiver/cwgapsplit.h"
#include "receiver/cwsequencemodel.h"

using namespace cwsequence;

namespace {

// Dot lengths tried around the decoder's own estimate, as factors, and
// around the speed tracker's when the two differ by more than kOwnRatio.
constexpr double kDotFactors[] = {0.9, 0.95, 1.0, 1.05, 1.1};
constexpr double kTrackerFactors[] = {0.95, 1.0, 1.05};
// Dot lengths (seconds) tried on the first stretch: 5 to 50 WPM in steps
// of kAcquireStep, then kDotFactors about the best.
constexpr double kMinDot = 1.2 / 50.0;
constexpr double kMaxDot = 1.2 / 5.0;
constexpr double kAcquireStep = 1.12;
// A first reading let out after it was held is searched this many steps
// of kAcquireStep either side of the speed it was held at.
constexpr int kReleaseSteps = 3;
constexpr double kOwnRatio = 1.15;
// The first reading's speeds lie within this factor of the speed tracker's:
// deep in noise a reading at a fraction of the speed, each of its marks
// spanning a letter or two, sums the signal's energy over long windows and
// can score above the true one, while the tracker, fitting the lengths of
// the key decisions to dots and dashes, is seldom off by half as much.
constexpr double kTrackerRange = 2.0;
// The first reading's dot is taken from the lengths read when they differ
// from the speed it was read at by more than this ratio.
constexpr double kAcquireFit = 1.05;
// On a first stretch deep in noise each speed tried is read again with the
// amplitude its own marks show, when that differs from the one given by
// more than this ratio.
constexpr double kAcquireLevel = 1.1;
// Spread (log of the length) of a dot length's change from one stretch to
// the next: a new dot length must explain the stretch clearly better.
constexpr double kDotChange = 0.1;
// Share of the way the decoder's dot moves to what one stretch fits.
constexpr double kDotFollow = 0.3;
// Words of at least kScoredWordMarks marks set what a mark scores; a word
// scoring less than kWeakWordShare of that per mark is taken for noise.
constexpr int kScoredWordMarks = 4;
constexpr double kWeakWordShare = 0.3;
// Seconds kept of a stretch read as noise alone, unless it was the last.
constexpr double kKeptTail = 0.4;
// Levels guessed from sums over a dot: at least this many sums, the noise
// from the lower quantile and the marks from the upper one.
constexpr size_t kMinGuessSums = 16;
constexpr double kLowQuantile = 0.2;
constexpr double kHighQuantile = 0.85;
// Units of marks and gaps below which a stretch says nothing of the dot.
constexpr double kMinFitUnits = 20.0;
// Spreads (log of the length) of element and gap lengths tried: a machine
// keys exactly, and a tight model lets noise fit far fewer readings; a hand
// keys loosely. The reading that explains the stretch best says which.
constexpr double kSpreads[] = {0.09, 0.22};
// While nothing has been read clearly, the first reading is tried at the
// tracked tone and this many steps of kSearchStepHz either side.
constexpr int kSearchOffsets = 4;
constexpr double kSearchStepHz = 4.0;
// A sweep (drift of the offset) is measured from at least this many marks
// over at least this many seconds, taken only when it stands this many
// standard errors clear of none, and never faster than a few oscillators
// drift.
constexpr size_t kMinSweepMarks = 6;
constexpr double kMinSweepSeconds = 1.0;
constexpr double kSweepSignificance = 3.0;
constexpr double kMaxSweepHzPerSecond = 10.0;
// Codes longer than this are left out of the tree.
constexpr int kMaxElements = 8;
// The scale of the levels followed through a stretch stays within this
// factor of the quantile they are taken from.
constexpr double kMaxLevelGain = 3.0;
// Weight of one stretch's levels in the levels carried to the next.
constexpr double kFollow = 0.4;
// The noise is guessed from sums over this share of a dot.
constexpr double kNoiseSumDots = 0.25;
// The first reading is let out once it holds this many marks, or once it
// ends in this many dots of silence.
constexpr size_t kAcquireMarks = 60;
constexpr double kAcquireSilenceDots = 20.0;
// More marks than any word holds (the longest call signs, a portable suffix
// and all, hold some 30).
constexpr size_t kWordlessMarks = 40;
// A stretch's last word is let out only when this many dots of gap follow
// it. The receiver cuts about six dots into a gap, by key decisions that
// miss weak marks: the first dot of the next word can sit in a shorter
// gap, read as silence for want of what follows, and the word would be
// split in two.
constexpr double kEmitDots = 7.5;
// The sender's timing is learnt from stretches whose dots score at least
// this (a dot's energy over the noise power density), from kinds of
// lengths seen at least kMinTimingCount times in a stretch; a stretch moves
// it by n / (n + kTimingPrior) of the way, at most kTimingFollow.
constexpr double kTimingSnr = 40.0;
constexpr int kMinTimingCount = 3;
constexpr double kTimingPrior = 8.0;
constexpr double kTimingFollow = 0.5;
// A reading is read again when the timing it shows differs from what it
// assumed by more than this (log of the ratio).
constexpr double kTimingMoved = 0.04;
// The sender's timing learnt stays within these lengths (in dots as the
// marks read them): a hand's ranges, widened for what soft edges and a
// light weighting do to them at speed (a 33 WPM dot with 6 ms edges reads
// a fifth short, and every gap as much longer).
constexpr double kLeastDash = 2.2, kMostDash = 5.5;
constexpr double kLeastElement = 0.6, kMostElement = 2.5;
constexpr double kLeastCharacter = 2.0, kMostCharacter = 8.0;
constexpr double kLeastWord = 4.5, kMostWord = 15.0;
// The gaps learnt from as word gaps start at least this far above the
// median gap between characters.
constexpr double kMedianGapShare = 1.05;
// Gaps from which, showing no clear split, the longest kUnclearWordShare of
// them are taken for the word gaps.
constexpr size_t kMinUnclearGaps = 16;
constexpr double kUnclearWordShare = 0.25;
// Shares of the gaps between characters that word gaps take in text: from
// a word every ten letters to a word every two.
constexpr double kLeastWordShare = 0.1, kMostUnclearShare = 0.5;
// Gaps between characters kept for telling letter gaps from word gaps.
constexpr size_t kKeptGaps = 48;
constexpr double kLongestKeptGap = 20.0;
// A dot's energy over the noise density (as kTimingSnr) from which the
// gaps between characters are kept and split into letter and word gaps:
// a gap's length scatters less in noise than a mark's, and the split of
// many gaps stands out of their scatter.
constexpr double kGapSnr = 15.0;
// The noise of a stretch is measured in its gaps, which must take at least
// this share of it. A heavy hand keying long dashes with short gaps leaves
// a quarter of a stretch or less between its marks.
constexpr double kLeastGapShare = 0.15;
// Energy of a dot over the noise power density below which a stretch is
// taken for noise.
constexpr double kMinDotSnr = 6.0;

// The middle value (the upper one of an even count); values not empty.
double Median(std::vector<double> values) {
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

// The tone's amplitude that the marks of a reading show: their coherent
// sums, less the noise power they hold, over their lengths squared (0 when
// they show none). noise: per sample.
double MarksAmplitude(const std::vector<std::pair<int, int>>& marks, const std::vector<std::complex<double>>& prefix,
                      const std::vector<double>& count, double noise) {
    double sumS2 = 0.0, sumN = 0.0, sumN2 = 0.0;
    for (const auto& m : marks) {
        const size_t from = static_cast<size_t>(m.first), to = static_cast<size_t>(m.second);
        const double n = count[to] - count[from];
        sumS2 += std::norm(prefix[to] - prefix[from]);
        sumN += n;
        sumN2 += n * n;
    }
    const double a2 = sumN2 > 0 ? (sumS2 - sumN * noise) / sumN2 : 0.0;
    return a2 > 0 ? std::sqrt(a2) : 0.0;
}

}  // namespace

CCwSequenceDecoder::CCwSequenceDecoder(double rate, const tagMorseCode* table) : m_dRate(rate) {
    m_nodes.push_back({{-1, -1}, 0});
    for (int i = 0; i < MORSE_CODE_COUNT; ++i) {
        char buf[MORSE_MAX_ELEMENTS + 1];
        const int n = MorseElementString(table[i], buf, sizeof buf);
        if (n <= 0 || n > kMaxElements) continue;
        int node = 0;
        for (int k = 0; k < n; ++k) {
            const int e = buf[k] == '.' ? 0 : 1;
            if (m_nodes[static_cast<size_t>(node)].child[e] < 0) {
                m_nodes[static_cast<size_t>(node)].child[e] = static_cast<int>(m_nodes.size());
                m_nodes.push_back({{-1, -1}, 0});
            }
            node = m_nodes[static_cast<size_t>(node)].child[e];
        }
        if (m_nodes[static_cast<size_t>(node)].ch == 0) m_nodes[static_cast<size_t>(node)].ch = static_cast<char>(table[i].nChar & 0xFF);
    }
}

bool CCwSequenceDecoder::WeakWord(double score, double level) const {
    return m_dMarkScore > 0 && score < kWeakWordShare * m_dMarkScore * MarkUnit() * level;
}

std::string CCwSequenceDecoder::Words(const tagDecision& d, size_t words) const {
    std::string text;
    size_t at = 0;
    for (size_t w = 0; w < words && at <= d.text.size(); ++w) {
        size_t end = d.text.find(' ', at);
        if (end == std::string::npos) end = d.text.size();
        const bool weak = w < d.wordScores.size() && WeakWord(d.wordScores[w], d.wordLevels[w]);
        if (!weak) {
            if (!text.empty()) text += ' ';
            text.append(d.text, at, end - at);
        }
        at = end + 1;
    }
    return text;
}

double CCwSequenceDecoder::MarkUnit() const {
    return std::max(1e-30, m_dAmplitude * m_dAmplitude / std::max(1e-30, m_dNoise) * m_dDot * m_dRate);
}

CCwSequenceDecoder::tagLearned CCwSequenceDecoder::Learned() const {
    return {m_dDot,       m_dSpread,   m_dMarkScore, m_dPhaseBest, m_dPhaseTotal, m_dPhaseTone,
            m_dPhasePairs, m_dAmplitude, m_dNoise,     m_dOffset,    m_dSweep,     m_nClear, m_timing};
}

void CCwSequenceDecoder::Restore(const tagLearned& l) {
    m_dDot = l.dot;
    m_dSpread = l.spread;
    m_dMarkScore = l.markScore;
    m_dPhaseBest = l.phaseBest;
    m_dPhaseTotal = l.phaseTotal;
    m_dPhaseTone = l.phaseTone;
    m_dPhasePairs = l.phasePairs;
    m_dAmplitude = l.amplitude;
    m_dNoise = l.noise;
    m_dOffset = l.offset;
    m_dSweep = l.sweep;
    m_nClear = l.clear;
    m_timing = l.timing;
}

void CCwSequenceDecoder::GuessLevels(double dot) {
    // The given quantile of the powers of sums over length samples, taken
    // every half length; negative when the samples give too few sums.
    auto quantile = [&](size_t length, double q) {
        const size_t stride = std::max<size_t>(1, length / 2);
        std::vector<double> power;
        for (size_t at = 0; at + length <= m_samples.size(); at += stride) {
            std::complex<double> sum = 0.0;
            for (size_t i = at; i < at + length; ++i) sum += m_samples[i];
            power.push_back(std::norm(sum));
        }
        if (power.size() < kMinGuessSums) return -1.0;
        std::nth_element(power.begin(), power.begin() + static_cast<std::ptrdiff_t>(q * static_cast<double>(power.size())),
                         power.end());
        return power[static_cast<size_t>(q * static_cast<double>(power.size()))];
    };
    // The noise from short sums, which fit between the marks of a fast
    // sender where sums over a dot rarely do; the marks from sums over a dot.
    const size_t length = static_cast<size_t>(std::max(1.0, dot * m_dRate));
    const size_t shortLength = static_cast<size_t>(std::max(1.0, kNoiseSumDots * dot * m_dRate));
    const double low = quantile(shortLength, kLowQuantile);
    const double high = quantile(length, kHighQuantile);
    if (low < 0 || high < 0) return;
    const double n = static_cast<double>(length);
    // A sum of noise alone has an exponentially distributed power: its
    // lower quantile q lies at -ln(1 - q) times the mean.
    const double noise = low / -std::log(1.0 - kLowQuantile) / static_cast<double>(shortLength);
    const double tone = high - noise * n;
    if (noise <= 0 || tone <= 0) return;
    m_dNoise = noise;
    m_dAmplitude = std::sqrt(tone) / n;
}

double CCwSequenceDecoder::FitDot(const tagDecision& d, double dot) const {
    // Each mark read is a dot or a dash and each gap inside a word an
    // element or a character gap, of the lengths the sender keys; the dot
    // length that fits their lengths best (least squares over the units)
    // is what the stretch says of the speed. Marks and gaps both count, so
    // that marks read a little short in noise (and gaps as much longer) do
    // not bias it.
    double sumLu = 0.0, sumUu = 0.0;
    auto add = [&](double steps, double u) {
        sumLu += steps / kStepsPerDot * u;
        sumUu += u * u;
    };
    const double wordDots = m_timing.WordDots();
    for (size_t i = 0; i < d.marks.size(); ++i) {
        add(static_cast<double>(d.marks[i].second - d.marks[i].first), d.dashes[i] ? m_timing.dash : 1.0);
        if (i == 0) continue;
        const double gap = static_cast<double>(d.marks[i].first - d.marks[i - 1].second);
        if (!d.charStarts[i]) {
            add(gap, m_timing.element);
        } else if (gap / kStepsPerDot < wordDots) {
            add(gap, m_timing.character);
        }
    }
    if (sumUu < kMinFitUnits) return dot;
    return dot * sumLu / sumUu;
}

void CCwSequenceDecoder::LearnTiming(const tagDecision& d) {
    LearnGaps(d);
    // Lengths read in noise scatter, and would move the timing from what
    // the sender keys.
    if (MarkUnit() < kTimingSnr) return;
    // Mean log length (in steps) of dots, dashes, element, character and
    // word gaps.
    double sum[5] = {0, 0, 0, 0, 0};
    int n[5] = {0, 0, 0, 0, 0};
    // Letter and word gaps are told apart at the boundary as it stands,
    // but never so that most gaps between characters are word gaps: any
    // text holds more letter gaps than word gaps, and a slow hand's letter
    // gaps all longer than the boundary would otherwise teach it nothing
    // but longer word gaps.
    std::vector<double> between;
    for (size_t i = 1; i < d.marks.size(); ++i) {
        if (d.charStarts[i]) between.push_back(static_cast<double>(d.marks[i].first - d.marks[i - 1].second));
    }
    double wordDots = m_timing.WordDots();
    if (!between.empty()) wordDots = std::max(wordDots, kMedianGapShare * Median(between) / kStepsPerDot);
    for (size_t i = 0; i < d.marks.size(); ++i) {
        const int k = d.dashes[i] ? 1 : 0;
        sum[k] += std::log(static_cast<double>(d.marks[i].second - d.marks[i].first));
        ++n[k];
        if (i == 0) continue;
        const double gap = static_cast<double>(d.marks[i].first - d.marks[i - 1].second);
        const int g = !d.charStarts[i] ? 2 : (gap / kStepsPerDot < wordDots ? 3 : 4);
        sum[g] += std::log(gap);
        ++n[g];
    }
    if (n[0] < kMinTimingCount) return;
    const double dotLog = sum[0] / n[0];
    auto learn = [&](double* v, int k, double lo, double hi) {
        if (n[k] < kMinTimingCount) return;
        const double share = std::min(kTimingFollow, n[k] / (n[k] + kTimingPrior));
        const double seen = sum[k] / n[k] - dotLog;
        *v = std::min(hi, std::max(lo, std::exp(std::log(*v) + share * (seen - std::log(*v)))));
    };
    learn(&m_timing.dash, 1, kLeastDash, kMostDash);
    learn(&m_timing.element, 2, kLeastElement, kMostElement);
    // Until the gaps have split clearly, letter and word gaps from those
    // on either side of the boundary as it stands.
    if (m_timing.boundary > 0) return;
    learn(&m_timing.character, 3, kLeastCharacter, kMostCharacter);
    learn(&m_timing.word, 4, kLeastWord, kMostWord);
    m_timing.word = std::max(m_timing.word, 1.3 * m_timing.character);
}

void CCwSequenceDecoder::LearnGaps(const tagDecision& d) {
    if (MarkUnit() < kGapSnr) return;
    // Letter and word gaps from where the gaps seen, these and those of
    // the stretches before, split. A split once found holds until the
    // gaps show another: one unclear stretch of gaps does not undo it.
    std::vector<double> gaps(m_gaps.begin(), m_gaps.end());
    for (size_t i = 1; i < d.marks.size(); ++i) {
        if (d.charStarts[i]) gaps.push_back(static_cast<double>(d.marks[i].first - d.marks[i - 1].second) / kStepsPerDot);
    }
    const tagCwGapSplit split = SplitCwGaps(gaps);
    if (!split.found && !split.likely) {
        // No split to go by in gaps enough to tell: the gaps show one
        // cluster, a hand's letter and word gaps run together. Word gaps
        // are then the longest of them, as many as a text holds (a word
        // every three to five letters), and the boundary lies just under
        // them. Stretches cut at every letter gap misread as a word space
        // hold too few gaps to learn this from on their own.
        if (gaps.size() < kMinUnclearGaps) return;
        std::vector<double> sorted(gaps);
        std::sort(sorted.begin(), sorted.end());
        // Unless the boundary as it stands makes word gaps of a share of
        // them that no text has.
        const double above = static_cast<double>(sorted.end() - std::lower_bound(sorted.begin(), sorted.end(), m_timing.WordDots())) /
                             static_cast<double>(sorted.size());
        if (above >= kLeastWordShare && above <= kMostUnclearShare) return;
        const size_t k = static_cast<size_t>(kUnclearWordShare * static_cast<double>(sorted.size()));
        const size_t at = sorted.size() - std::max<size_t>(1, k);
        const double boundary = std::max(kMedianGapShare * Median(sorted), 0.5 * (sorted[at - 1] + sorted[at]));
        double sum[2] = {0, 0};
        int n[2] = {0, 0};
        for (double g : sorted) {
            sum[g >= boundary ? 1 : 0] += std::log(g);
            ++n[g >= boundary ? 1 : 0];
        }
        if (n[0] == 0 || n[1] == 0) return;
        m_timing.character = std::min(kMostCharacter, std::max(kLeastCharacter, std::exp(sum[0] / n[0])));
        m_timing.word = std::min(kMostWord, std::max(kLeastWord, std::exp(sum[1] / n[1])));
        m_timing.boundary = std::min(m_timing.word, std::max(m_timing.character, boundary));
        return;
    }
    m_timing.character = std::min(kMostCharacter, std::max(kLeastCharacter, split.character));
    m_timing.word = std::min(kMostWord, std::max(1.3 * m_timing.character, split.word));
    m_timing.boundary = std::min(m_timing.word, std::max(m_timing.character, split.boundary));
}

void CCwSequenceDecoder::KeepGaps(const tagDecision& d, int untilStep) {
    for (size_t i = 1; i < d.marks.size() && d.marks[i].first <= untilStep; ++i) {
        if (d.charStarts[i]) KeepGap(static_cast<double>(d.marks[i].first - d.marks[i - 1].second) / kStepsPerDot);
    }
}

void CCwSequenceDecoder::KeepGap(double dots) {
    // Only where a dot stands well over the noise (deeper in it the gaps
    // scatter), and no pause much longer than any word space.
    if (MarkUnit() < kGapSnr || dots <= 0 || dots > kLongestKeptGap) return;
    m_gaps.push_back(dots);
    while (m_gaps.size() > kKeptGaps) m_gaps.pop_front();
}

bool CCwSequenceDecoder::TimingMoved(const tagCwTiming& a, const tagCwTiming& b) {
    auto far = [](double x, double y) { return std::fabs(std::log(x / y)) > kTimingMoved; };
    return far(a.dash, b.dash) || far(a.element, b.element) || far(a.character, b.character) || far(a.word, b.word) ||
           std::fabs(std::log(a.WordDots() / b.WordDots())) > 0.5 * kTimingMoved;
}

void CCwSequenceDecoder::LearnWordGap(double dots) {
    if (MarkUnit() < kTimingSnr || dots < m_timing.WordDots() || dots > 2.0 * m_timing.word) return;
    const double share = 1.0 / (1.0 + kTimingPrior);
    m_timing.word = std::min(kMostWord, std::exp(std::log(m_timing.word) + share * (std::log(dots) - std::log(m_timing.word))));
    m_timing.word = std::max(m_timing.word, 1.3 * m_timing.character);
}

void CCwSequenceDecoder::Rotate(double cyclesPerSample) {
    const std::complex<double> step = std::polar(1.0, -2.0 * kPi * cyclesPerSample);
    std::complex<double> w = 1.0;
    for (size_t i = 0; i < m_samples.size(); ++i) {
        m_samples[i] *= w;
        w *= step;
        if ((i & 1023) == 1023) w /= std::abs(w);
    }
}

void CCwSequenceDecoder::Sweep(double rate) {
    if (rate == 0.0) return;
    // The turn at sample i is -rate i^2 / 2 cycles, built up step by step:
    // the step from i to i + 1 turns by rate (i + 1/2) cycles, each step
    // by rate more than the last.
    std::complex<double> w = 1.0;
    std::complex<double> step = std::polar(1.0, -kPi * rate);
    const std::complex<double> more = std::polar(1.0, -2.0 * kPi * rate);
    for (size_t i = 0; i < m_samples.size(); ++i) {
        m_samples[i] *= w;
        w *= step;
        step *= more;
        if ((i & 1023) == 1023) {
            w /= std::abs(w);
            step = std::polar(1.0, -kPi * rate * (2.0 * static_cast<double>(i) + 3.0));
        }
    }
}

void CCwSequenceDecoder::Unturn() {
    Rotate(-m_dTurned);
    Sweep(-m_dSwept);
}

double CCwSequenceDecoder::SweepOfMarks(const std::vector<std::pair<int, int>>& marks, const std::vector<double>& count,
                                        size_t lag, double* centre) const {
    // Each mark's offset from its own drift, weighted by the drift's
    // size, and a line through them by weighted least squares.
    std::vector<double> t, f, w;
    for (const auto& m : marks) {
        const size_t from = static_cast<size_t>(count[static_cast<size_t>(m.first)]);
        const size_t to = static_cast<size_t>(count[static_cast<size_t>(m.second)]);
        std::complex<double> drift = 0.0;
        for (size_t i = from + lag; i < to; ++i) drift += m_samples[i] * std::conj(m_samples[i - lag]);
        if (std::abs(drift) <= 0) continue;
        t.push_back(0.5 * static_cast<double>(from + to));
        f.push_back(std::arg(drift) / (2.0 * kPi * static_cast<double>(lag)));
        w.push_back(std::abs(drift));
    }
    *centre = 0.0;
    if (t.size() < kMinSweepMarks) return 0.0;
    double sw = 0, st = 0, sf = 0;
    for (size_t k = 0; k < t.size(); ++k) {
        sw += w[k];
        st += w[k] * t[k];
        sf += w[k] * f[k];
    }
    const double tm = st / sw, fm = sf / sw;
    double stt = 0, stf = 0;
    for (size_t k = 0; k < t.size(); ++k) {
        stt += w[k] * (t[k] - tm) * (t[k] - tm);
        stf += w[k] * (t[k] - tm) * (f[k] - fm);
    }
    *centre = tm;
    if (stt <= 0 || t.back() - t.front() < kMinSweepSeconds * m_dRate) return 0.0;
    const double rate = stf / stt;
    double residual = 0;
    for (size_t k = 0; k < t.size(); ++k) {
        const double e = f[k] - fm - rate * (t[k] - tm);
        residual += w[k] * e * e;
    }
    // Its standard error, with the marks as the independent measures.
    const double n = static_cast<double>(t.size());
    const double error = std::sqrt(residual / sw * n / (n - 2.0) / (stt / sw * n));
    if (std::fabs(rate) < kSweepSignificance * error) return 0.0;
    const double most = kMaxSweepHzPerSecond / (m_dRate * m_dRate);
    return std::max(-most, std::min(most, rate));
}

int CCwSequenceDecoder::StepSums(double stepSamples, double cyclesPerSample, std::vector<std::complex<double>>* prefix,
                                 std::vector<double>* count) const {
    const int steps = static_cast<int>(static_cast<double>(m_samples.size()) / stepSamples);
    prefix->resize(static_cast<size_t>(std::max(steps, 0)) + 1);
    count->resize(static_cast<size_t>(std::max(steps, 0)) + 1);
    const std::complex<double> turn = std::polar(1.0, -2.0 * kPi * cyclesPerSample);
    std::complex<double> w = 1.0;
    std::complex<double> acc = 0.0;
    size_t k = 0;
    for (int t = 0; t <= steps; ++t) {
        const size_t end = std::min(m_samples.size(), static_cast<size_t>(std::lround(t * stepSamples)));
        if (cyclesPerSample == 0.0) {
            while (k < end) acc += m_samples[k++];
        }
        for (; k < end; ++k) {
            acc += m_samples[k] * w;
            w *= turn;
            if ((k & 1023) == 1023) w /= std::abs(w);
        }
        (*prefix)[static_cast<size_t>(t)] = acc;
        (*count)[static_cast<size_t>(t)] = static_cast<double>(end);
    }
    return steps;
}

bool CCwSequenceDecoder::StillHeld(std::string* text) const {
    if (m_held.dot <= 0) return false;
    const double stepSamples = std::max(1.0, m_held.dot * m_dRate / kStepsPerDot);
    std::vector<std::complex<double>> prefix;
    std::vector<double> count;
    const int steps = StepSums(stepSamples, m_held.offset, &prefix, &count);
    if (steps < 2) return true;
    const tagDecision d = Segment(prefix, count, steps, m_held.amplitude, m_held.noise, m_held.spread, nullptr);
    if (d.marks.empty()) return false;
    *text = d.text;
    const double trailing = static_cast<double>(steps - d.marks.back().second) / kStepsPerDot;
    return d.marks.size() < kAcquireMarks && trailing < kAcquireSilenceDots;
}

bool CCwSequenceDecoder::Decode(double dot, double amplitude, double noise, double toneHz, bool final,
                                std::string* out) {
    // A first reading held back waits on, unless the stretch has grown
    // enough, without the whole search for the sender's speed and tone
    // that a slow machine could not keep up with on every cut. Each time
    // the stretch has doubled it is searched afresh: a first word or two
    // can leave the speed in doubt.
    const bool doubled = m_samples.size() >= 2 * m_nHeldSamples;
    m_levels.clear();
    std::string held;
    if (m_nClear == 0 && !final && !doubled && StillHeld(&held)) {
        m_provisional = held;
        return true;
    }
    m_provisional.clear();
    // Let out, it is read at the tone found when it was held, and at
    // speeds about the one found then.
    const tagLearned released = m_held;
    const bool fromHeld = released.dot > 0 && !doubled;
    m_held.dot = 0.0;
    if (m_dDot <= 0) m_dDot = dot;
    const double own = m_dDot;
    const bool acquiring = m_nClear == 0;
    const tagLearned learned = Learned();
    double stepSamples = std::max(1.0, own * m_dRate / kStepsPerDot);
    int steps = static_cast<int>(static_cast<double>(m_samples.size()) / stepSamples);
    if (steps < 2 || noise <= 0 || amplitude <= 0) {
        Consumed(m_samples.size());
        m_samples.clear();
        return false;
    }
    // The samples are turned by the tone's offset as the decoder knows it
    // from earlier stretches, not as the tracker had it when they came: a
    // stretch heard while the tracker was still finding the tone decodes
    // as well as the rest.
    const double tracked = toneHz / m_dRate;
    // A first reading held that showed the tone drifting is read again
    // from where it showed the tone at the start, at its rate of drift: the
    // tracked offset is where the tone is at the end.
    const bool swept = released.dot > 0 && released.sweep != 0.0;
    if (m_nClear == 0) {
        m_dOffset = fromHeld || swept ? released.offset : tracked;
        m_dSweep = swept ? released.sweep : 0.0;
    }
    m_dTurned = m_dOffset;
    Rotate(m_dTurned);
    m_dSwept = m_dSweep;
    Sweep(m_dSwept);
    // Prefix sums of the samples at step boundaries.
    std::vector<std::complex<double>> prefix(static_cast<size_t>(steps) + 1);
    std::vector<double> count(static_cast<size_t>(steps) + 1);
    auto sums = [&]() { steps = StepSums(stepSamples, 0.0, &prefix, &count); };
    sums();
    // Decide with the levels given, then again with the levels the first
    // decision shows: the tone's amplitude from the marks' coherent sums,
    // the noise from the gaps.
    if (m_dAmplitude <= 0) {
        m_dAmplitude = amplitude;
        m_dNoise = noise;
    }
    // Until a stretch has been read clearly, the levels given (from the key
    // decisions' envelope) can be far off in noise; the stretch's own sums
    // over a dot say more: the quietest of them are noise alone, the
    // loudest hold a mark.
    if (acquiring) GuessLevels(own);
    FollowLevels(own, m_dNoise);
    // The first reading: at the tone's offset as known and, until a stretch
    // has been read clearly, at offsets around the tracker's (whose first
    // estimate in noise may be a few hertz off, enough to cancel a dash's
    // sum); or at the tracker's, when it has moved away.
    std::vector<double> offsets{m_dOffset};
    if (m_nClear == 0 && !fromHeld) {
        const double around = swept ? released.offset : tracked;
        for (int k = 1; k <= kSearchOffsets; ++k) {
            offsets.push_back(around + k * kSearchStepHz / m_dRate);
            offsets.push_back(around - k * kSearchStepHz / m_dRate);
        }
    } else if (std::fabs(tracked - m_dOffset) * m_dRate > kSearchStepHz) {
        offsets.push_back(tracked);
    }
    tagDecision decision;
    double bestOffset = m_dOffset;
    decision.score = kNone;
    for (double offset : offsets) {
        if (offset != m_dTurned) {
            Rotate(offset - m_dTurned);
            m_dTurned = offset;
            sums();
        }
        tagDecision d = Segment(prefix, count, steps, m_dAmplitude, m_dNoise, m_dSpread, nullptr);
        if (d.score > decision.score) {
            decision = std::move(d);
            bestOffset = offset;
        }
    }
    if (bestOffset != m_dTurned) {
        Rotate(bestOffset - m_dTurned);
        m_dTurned = bestOffset;
        sums();
    }
    const std::vector<std::pair<int, int>>& marks = decision.marks;
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
        if (gapSamples > kLeastGapShare * static_cast<double>(m_samples.size()) && sumN2 > 0) {
            const double noiseNow = std::max(1e-30, m_dSumNoise * (total - markEnergy) / gapSamples);
            const double a2 = (sumS2 - sumN * noiseNow) / sumN2;
            // A stretch of noise alone shows no clear tone in the marks it
            // would have: it is not decoded, and does not pull the levels
            // down onto its own bursts.
            // One or two marks are easily picked from noise bursts: they
            // must show a clearer tone than a longer stretch.
            const double need = kMinDotSnr * (marks.size() <= 2 ? 2.0 : 1.0);
            clear = a2 > 0 && a2 * own * m_dRate > need * noiseNow;
            if (clear) {
                // The first stretches set the levels as their running mean
                // (the levels given come from the key decisions' envelope
                // and can be far off in noise); later ones move them by a
                // fixed share.
                const double follow = std::max(kFollow, 1.0 / (m_nClear + 1.0));
                m_dNoise += follow * (noiseNow - m_dNoise);
                m_dAmplitude += follow * (std::sqrt(a2) - m_dAmplitude);
                // The tone drifts in phase across long marks when the
                // tracked frequency is a little off, and a coherent sum
                // over a dash then loses: the drift over half a dot inside
                // the marks measures the offset, which is taken out.
                const size_t lag = static_cast<size_t>(std::max(1.0, 0.5 * own * m_dRate));
                std::complex<double> drift = 0.0;
                for (const auto& m : marks) {
                    const size_t from = static_cast<size_t>(count[static_cast<size_t>(m.first)]);
                    const size_t to = static_cast<size_t>(count[static_cast<size_t>(m.second)]);
                    for (size_t i = from + lag; i < to; ++i) drift += m_samples[i] * std::conj(m_samples[i - lag]);
                }
                const double offset = std::arg(drift) / (2.0 * kPi * static_cast<double>(lag));
                if (std::abs(drift) > 0) {
                    Rotate(offset);
                    m_dTurned += offset;
                }
                // A drifting tone (an oscillator warming up) moves over a
                // long stretch by more than a long mark's sum can bear:
                // how fast, the marks' own offsets along it show, and it
                // is taken out as a sweep about their middle.
                // Only on a strong signal: in noise the marks' offsets
                // scatter, and a sweep read into them would be carried on.
                double centre = 0.0;
                const double sweep = MarkUnit() >= kTimingSnr ? SweepOfMarks(marks, count, lag, &centre) : 0.0;
                if (sweep != 0.0) {
                    Sweep(sweep);
                    Rotate(-sweep * centre);
                    m_dSwept += sweep;
                    m_dTurned -= sweep * centre;
                }
                // The levels followed through the stretch again, at the
                // tone and noise found, their scale moved towards the
                // marks' amplitude as the stretch shows it.
                FollowLevels(own, m_dNoise);
                if (!m_levels.empty()) {
                    double followed = 0.0;
                    for (const auto& m : marks) {
                        const double from = count[static_cast<size_t>(m.first)];
                        const double to = count[static_cast<size_t>(m.second)];
                        const double a = AmplitudeAt(0.5 * (from + to), m_dAmplitude);
                        followed += (to - from) * (to - from) * a * a;
                    }
                    if (followed > 0 && a2 > 0) {
                        const double ratio = a2 * sumN2 / followed;
                        m_dLevelGain = std::min(kMaxLevelGain, std::max(1.0 / kMaxLevelGain,
                                                 m_dLevelGain * std::pow(ratio, follow)));
                        FollowLevels(own, m_dNoise);
                    }
                }
                m_dOffset = m_dTurned;
                m_dSweep = m_dSwept;
                ++m_nClear;
                // The hard decisions' speed wavers in noise, so the decoder
                // keeps its own dot length: lengths a little either side of
                // it (and of the tracker's, when that has moved away) are
                // tried with each timing spread, and the reading that
                // explains the stretch best, less the cost of a change, is
                // taken.
                // On the first stretch read clearly nothing is known of the
                // speed but the key decisions' guess, which is often far off
                // while they settle: every speed is tried.
                tagPhaseReference reference;
                if (!acquiring) reference = PhaseReference(marks, count, own);
                // Readings at different dot lengths are compared with their
                // edges placed to the sample: the raw scores favour the
                // finer steps of a faster dot.
                std::vector<std::complex<double>> samplePrefix(m_samples.size() + 1);
                for (size_t i = 0; i < m_samples.size(); ++i) samplePrefix[i + 1] = samplePrefix[i] + m_samples[i];
                double bestDot = own;
                double bestScore = kNone;
                double bestAmplitude = m_dAmplitude;
                const double spreadNow = m_dSpread;
                // A first stretch deep in noise (a dot too weak to learn the
                // sender's timing from) is searched with more care, below.
                const bool deep = acquiring && MarkUnit() < kTimingSnr;
                auto tryDot = [&](double candidate, double spread) {
                    stepSamples = std::max(1.0, candidate * m_dRate / kStepsPerDot);
                    sums();
                    const double change = acquiring ? 0.0 : std::log(candidate / own) / kDotChange;
                    tagDecision d = Segment(prefix, count, steps, m_dAmplitude, m_dNoise, spread,
                                            reference.weight > 0 ? &reference : nullptr);
                    // The amplitude given to the first stretch was read at
                    // the speed the receiver started at; for a sender much
                    // faster, whose marks then spanned gaps, it is low, and
                    // with it slow readings, each mark summing a letter's
                    // worth of signal, explained deep noise best. There each
                    // speed is scored with the amplitude its own marks show.
                    const double given = m_dAmplitude;
                    if (deep) {
                        const double shown = MarksAmplitude(d.marks, prefix, count, m_dNoise);
                        if (shown > 0 && std::fabs(std::log(shown / given)) > std::log(kAcquireLevel)) {
                            m_dAmplitude = shown;
                            d = Segment(prefix, count, steps, m_dAmplitude, m_dNoise, spread, nullptr);
                        }
                    }
                    const double score =
                        FineScore(d, samplePrefix, count, candidate * m_dRate, spread) - 0.5 * change * change;
                    const double amplitude = m_dAmplitude;
                    m_dAmplitude = given;
                    if (score > bestScore) {
                        bestScore = score;
                        bestAmplitude = amplitude;
                        bestDot = candidate;
                        m_dSpread = spread;
                        decision = std::move(d);
                    }
                };
                if (acquiring) {
                    // Every speed, coarsely, then finely about the best;
                    // in deep noise each with both timing spreads: a
                    // machine's exact keying read with a hand's loose one
                    // there scores less than a wrong, slower reading.
                    auto near = [&](double d) { return std::fabs(std::log(d / dot)) <= std::log(kTrackerRange); };
                    auto tryBoth = [&](double d) {
                        if (!near(d)) return;
                        for (double spread : kSpreads) {
                            if (deep || spread == spreadNow) tryDot(d, spread);
                        }
                    };
                    if (fromHeld) {
                        for (int k = -kReleaseSteps; k <= kReleaseSteps; ++k) tryBoth(released.dot * std::pow(kAcquireStep, k));
                    }
                    if (bestScore == kNone) {
                        for (double d = kMinDot; d <= kMaxDot; d *= kAcquireStep) tryBoth(d);
                    }
                    const double coarse = bestDot;
                    // With each timing spread: a loose one lets a wrong
                    // speed fit nearly as well as the right one.
                    for (double f : kDotFactors) {
                        for (double spread : kSpreads) {
                            if (f != 1.0 || !(deep || spread == spreadNow)) tryDot(coarse * f, spread);
                        }
                    }
                } else {
                    for (double f : kDotFactors) tryDot(own * f, spreadNow);
                    if (std::fabs(std::log(dot / own)) > std::log(kOwnRatio)) {
                        for (double f : kTrackerFactors) tryDot(dot * f, spreadNow);
                    }
                }
                // The other timing spread, at the dot found.
                const double found = bestDot;
                for (double spread : kSpreads) {
                    if (spread != spreadNow) tryDot(found, spread);
                }
                if (acquiring && bestAmplitude != m_dAmplitude) {
                    m_dAmplitude = bestAmplitude;
                    FollowLevels(own, m_dNoise);
                }
                // The first stretch was read without the phase of its
                // marks: now that its speed is known, it is read again
                // with it.
                if (acquiring) {
                    stepSamples = std::max(1.0, bestDot * m_dRate / kStepsPerDot);
                    sums();
                    reference = PhaseReference(decision.marks, count, bestDot);
                    if (reference.weight > 0) {
                        decision = Segment(prefix, count, steps, m_dAmplitude, m_dNoise, m_dSpread, &reference);
                    }
                }
                // The sender's timing as the reading shows it; when it is
                // far from what the reading assumed, the stretch is read
                // again with it (on the first stretch twice: which gaps
                // are letter gaps and which word gaps settles in turns).
                stepSamples = std::max(1.0, bestDot * m_dRate / kStepsPerDot);
                sums();
                for (int pass = 0; pass < (acquiring ? 2 : 1); ++pass) {
                    const cwsequence::tagCwTiming before = m_timing;
                    LearnTiming(decision);
                    if (!TimingMoved(before, m_timing)) break;
                    decision = Segment(prefix, count, steps, m_dAmplitude, m_dNoise, m_dSpread,
                                       reference.weight > 0 ? &reference : nullptr);
                }
                // One stretch measures the dot only roughly: the decoder's
                // own length moves a share of the way, unless it was the
                // tracker's far-off length that won. The first reading
                // keeps the speed it read best, unless the lengths of its
                // elements disagree by more than a step of the speeds
                // tried (long marks of a slow sender, summed at a tone a
                // little off, favour a shorter dot).
                const bool moved = std::fabs(std::log(bestDot / own)) > std::log(kOwnRatio);
                const double fitted = FitDot(decision, bestDot);
                if (acquiring) {
                    m_dDot = std::fabs(std::log(fitted / bestDot)) > std::log(kAcquireFit) ? fitted : bestDot;
                    if (m_dDot != bestDot) {
                        // The reading was taken at a speed its own lengths
                        // disagree with (a loose hand fits a wrong speed
                        // nearly as well): its gaps, measured in the wrong
                        // dot, would make letters of two, so it is read
                        // again at the speed they show.
                        // The boundary between letter and word gaps was
                        // learnt from gaps measured in the dot left: it
                        // is the same length in this one's.
                        if (m_timing.boundary > 0) {
                            const double scale = bestDot / m_dDot;
                            m_timing.boundary *= scale;
                            m_timing.character *= scale;
                            m_timing.word *= scale;
                        }
                        bestDot = m_dDot;
                        stepSamples = std::max(1.0, bestDot * m_dRate / kStepsPerDot);
                        sums();
                        decision = Segment(prefix, count, steps, m_dAmplitude, m_dNoise, m_dSpread,
                                           reference.weight > 0 ? &reference : nullptr);
                    }
                } else {
                    m_dDot = moved ? bestDot : own * std::pow(fitted / own, kDotFollow);
                }
                stepSamples = std::max(1.0, bestDot * m_dRate / kStepsPerDot);
                sums();
            }
        }
    }
    if (!clear) {
        m_held.dot = 0.0;
        // Unless this is the end, the last moment is kept: it may hold the
        // start of a weak signal that the key decisions have not caught.
        const size_t tail = final ? 0 : static_cast<size_t>(kKeptTail * m_dRate);
        if (m_samples.size() > tail) {
            Unturn();
            Consumed(m_samples.size() - tail);
            m_samples.erase(m_samples.begin(), m_samples.end() - static_cast<std::ptrdiff_t>(tail));
        }
        return false;
    }
    if (decision.marks.empty()) {
        Consumed(m_samples.size());
        m_samples.clear();
        return false;
    }
    // What each mark of a clear word scores, for telling noise read as a
    // short word (an E in a word gap, a dot after the last word) from a
    // real one: such a word scores a small share of what real marks do.
    for (size_t w = 0; w < decision.wordScores.size(); ++w) {
        if (decision.wordMarks[w] >= kScoredWordMarks) {
            const double perMark = decision.wordScores[w] / decision.wordLevels[w] / MarkUnit();
            m_dMarkScore = m_dMarkScore > 0 ? m_dMarkScore + kFollow * (perMark - m_dMarkScore) : perMark;
        }
    }
    const double leading = static_cast<double>(decision.marks.front().first) / kStepsPerDot;
    const double trailing = static_cast<double>(steps - decision.marks.back().second) / kStepsPerDot;
    // The speed, levels and phase that one word shows are rough, and the
    // first words read with them suffer: the first reading waits until the
    // stretch holds enough marks, unless it is the last or ends in a long
    // silence. Until then it is taken back and the samples wait, as they
    // came.
    if (acquiring && !final && decision.marks.size() < kAcquireMarks && trailing < kAcquireSilenceDots) {
        m_held = Learned();
        m_nHeldSamples = m_samples.size();
        m_provisional = Words(decision, decision.wordScores.size());
        Restore(learned);
        Unturn();
        return true;
    }
    // The words let out, after a word space when the gap across the
    // previous stretch's end and this one's start is long enough.
    auto emit = [&](const std::string& text) {
        if (text.empty()) return;
        if (m_bGapOpen) KeepGap(m_dTrailing + leading);
        if (m_bWordOpen && m_dTrailing + leading >= m_timing.WordDots()) {
            LearnWordGap(m_dTrailing + leading);
            *out += ' ';
        }
        *out += text;
        m_bWordOpen = true;
    };
    if (final || trailing >= kEmitDots * m_timing.WordDots() / tagCwTiming().WordDots()) {
        const std::string text = Words(decision, decision.wordScores.size());
        emit(text);
        if (!text.empty()) {
            KeepGaps(decision, steps + 1);
            m_bGapOpen = true;
        }
        if (trailing >= m_timing.WordDots() && m_bWordOpen) {
            *out += ' ';
            m_bWordOpen = false;
        }
        m_dTrailing = text.empty() ? m_dTrailing + static_cast<double>(steps) / kStepsPerDot : trailing;
        Consumed(m_samples.size());
        m_samples.clear();
        return false;
    }
    // The stretch ends inside what may be a word cut short (a weak dot
    // missed by the hard decision, or more to come): the words before its
    // last word gap are out, the last word waits for the next stretch.
    if (decision.wordStarts.empty()) {
        // A long stretch with no word space in it at all is not text but
        // a timing learnt wrongly (a first reading taken in a fade learns
        // word gaps from the marks it lost, and then reads every real word
        // gap as letter gaps about a burst of noise): the timing starts
        // over, and the stretch is read with it when it next comes.
        if (!acquiring && decision.marks.size() >= kWordlessMarks) {
            m_timing = cwsequence::tagCwTiming();
            m_gaps.clear();
        }
        // All of it waits, as it came.
        if (m_bWordOpen && m_dTrailing + leading >= m_timing.WordDots()) m_provisional = " ";
        m_provisional += decision.text;
        Unturn();
        return true;
    }
    emit(Words(decision, decision.wordScores.size() - 1));
    KeepGaps(decision, decision.wordStarts.back());
    m_bGapOpen = false;
    m_provisional = decision.text.substr(decision.text.rfind(' ') + 1);
    if (m_bWordOpen) *out += ' ';
    m_bWordOpen = false;
    m_dTrailing = 0.0;
    const size_t keep = static_cast<size_t>(count[static_cast<size_t>(decision.wordStarts.back())]);
    const size_t margin = static_cast<size_t>(m_dDot * m_dRate);
    const size_t from = keep > margin ? keep - margin : 0;
    // Undo the turn taken, so that the kept samples join the next ones.
    Unturn();
    Consumed(from);
    m_samples.erase(m_samples.begin(), m_samples.begin() + static_cast<std::ptrdiff_t>(from));
    return true;
}
