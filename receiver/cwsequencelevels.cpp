// The tone's amplitude followed through a stretch for the whole-stretch
// decoder (see cwsequencedecoder.h): a signal that fades moves by 10 dB
// and more within the stretch, and each candidate mark is weighed at the
// level about it rather than at the stretch's mean.
#include <algorithm>
#include <cmath>

#include "receiver/cwsequencedecoder.h"
#include "receiver/cwsequencemodel.h"

using namespace cwsequence;

namespace {
// Sums over an eighth of a dot are coherent (a tone some hertz off the
// offset, as while it is searched for, still adds up over so short a
// time); eight of them make a dot's energy.
constexpr int kPartsPerDot = 8;
// The window about each point: at least kWindowSeconds either side (the
// fading's pace) and kWindowDots (so that it holds marks at any speed);
// the level is the kLevelQuantile of the dot energies in it, whose upper
// part lies in marks at the usual share of marks in keyed text.
constexpr double kWindowSeconds = 0.1;
constexpr double kWindowDots = 2.0;
constexpr double kLevelQuantile = 0.75;
// The level never falls below what a dot of this energy over the noise
// power density would have (a mark any weaker cannot be told from noise),
// nor below this share of the level carried: in the silence between words
// of a clean signal the level would fall to nothing, and a mark placed
// there would cost nothing but its length's odds.
constexpr double kFloorDotSnr = 6.0;
constexpr double kFloorShare = 0.2;
// Levels are followed only on a signal whose dot scores at least this
// (energy over the noise power density, at the levels carried): in deep
// noise the quantiles of so short a window scatter more than a fade moves
// the level. A signal fading about +3 dB in 3 kHz scores only some 60 to
// 110 at its mean level, and must be followed: held at that level, a
// first reading across several fades took its troughs' marks for noise
// and its peaks' noise for marks, and was lost from the start.
constexpr double kFollowDotSnr = 40.0;
}  // namespace

void CCwSequenceDecoder::FollowLevels(double dot, double noise) {
    m_levels.clear();
    const double dotSamples = dot * m_dRate;
    const size_t part = static_cast<size_t>(std::max(1.0, dotSamples / kPartsPerDot));
    const size_t points = m_samples.size() / part;
    if (points < 4 * static_cast<size_t>(kPartsPerDot) || noise <= 0) return;
    // In deep noise the quantiles scatter more than a fading signal moves
    // within a stretch: the levels carried hold there.
    if (m_dAmplitude * m_dAmplitude / noise * dotSamples < kFollowDotSnr) return;
    std::vector<double> power(points);
    for (size_t k = 0; k < points; ++k) {
        std::complex<double> sum = 0.0;
        for (size_t i = k * part; i < (k + 1) * part; ++i) sum += m_samples[i];
        power[k] = std::norm(sum);
    }
    // A dot's energy about each point, the noise in it taken out, as the
    // squared amplitude per sample.
    const double q = static_cast<double>(part);
    std::vector<double> energy(points);
    for (size_t k = 0; k < points; ++k) {
        double e = 0.0;
        // Parts k - 4 ... k + 3: centred on point k's start.
        for (int j = -kPartsPerDot / 2; j < kPartsPerDot / 2; ++j) {
            const long at = static_cast<long>(k) + j;
            e += power[static_cast<size_t>(std::min(static_cast<long>(points) - 1, std::max(0L, at)))];
        }
        energy[k] = (e / kPartsPerDot - q * noise) / (q * q);
    }
    const size_t half = static_cast<size_t>(
        std::max(kWindowSeconds * m_dRate / q, kWindowDots * kPartsPerDot));
    const double floor2 = std::max(kFloorDotSnr * noise / std::max(1.0, dotSamples),
                                   kFloorShare * kFloorShare * m_dAmplitude * m_dAmplitude);
    std::vector<double> level(points), window;
    for (size_t k = 0; k < points; ++k) {
        const size_t lo = k > half ? k - half : 0;
        const size_t hi = std::min(points, k + half + 1);
        window.assign(energy.begin() + static_cast<std::ptrdiff_t>(lo), energy.begin() + static_cast<std::ptrdiff_t>(hi));
        const size_t at = static_cast<size_t>(kLevelQuantile * static_cast<double>(window.size() - 1));
        std::nth_element(window.begin(), window.begin() + static_cast<std::ptrdiff_t>(at), window.end());
        level[k] = std::max(floor2, m_dLevelGain * window[at]);
    }
    // Smoothed over half the window: the quantile steps as marks enter and
    // leave it.
    std::vector<double> prefix(points + 1, 0.0);
    for (size_t k = 0; k < points; ++k) prefix[k + 1] = prefix[k] + level[k];
    const size_t smooth = std::max<size_t>(1, half / 2);
    m_levels.resize(points);
    for (size_t k = 0; k < points; ++k) {
        const size_t lo = k > smooth ? k - smooth : 0;
        const size_t hi = std::min(points, k + smooth + 1);
        m_levels[k] = std::sqrt((prefix[hi] - prefix[lo]) / static_cast<double>(hi - lo));
    }
    m_nLevelStride = part;
}

double CCwSequenceDecoder::AmplitudeAt(double sample, double fallback) const {
    if (m_levels.empty()) return fallback;
    const size_t k = static_cast<size_t>(std::max(0.0, sample) / static_cast<double>(m_nLevelStride));
    return m_levels[std::min(k, m_levels.size() - 1)];
}
