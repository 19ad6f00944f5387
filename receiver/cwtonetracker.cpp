// Keyed-tone search over the receive band (see cwtonetracker.h).
#include "receiver/cwtonetracker.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kBinSpacingHz = 5.0;
constexpr double kBlockSeconds = 0.04;
// Scores average over about 1.5 s of blocks once the first blocks are in.
constexpr double kScoreAlpha = 0.025;
// A new peak must beat the tracked bin by this factor to take over.
constexpr double kSwitchRatio = 2.5;
// Share of the distance to a nearby peak moved per block: slow, since the
// peak of noisy scores wanders and the detector should hold still. Nearby
// is within a block's resolution (25 Hz): a tracked frequency that far off
// the tone still scores well over half the peak, and would never be beaten
// by the switch ratio below.
constexpr double kFineFollow = 0.05;
constexpr double kNearbyHz = 20.0;
}  // namespace

CCwToneTracker::CCwToneTracker(double outRate, double centreHz, double bandStartHz, double bandEndHz,
                               bool startsOnTone)
    : m_dRate(outRate > 1 ? outRate : 1), m_dCentre(centreHz), m_bStartsOnTone(startsOnTone), m_dStep(kBinSpacingHz) {
    if (bandEndHz < bandStartHz) std::swap(bandStartHz, bandEndHz);
    // Keep the bins inside what the baseband can represent.
    const double half = m_dRate * 0.45;
    double lo = std::max(bandStartHz - centreHz, -half);
    double hi = std::min(bandEndHz - centreHz, half);
    if (hi < lo) hi = lo;
    const int bins = 1 + static_cast<int>((hi - lo) / m_dStep);
    m_dFirstOffset = lo + 0.5 * ((hi - lo) - (bins - 1) * m_dStep);
    m_dOffset = m_dFirstOffset + 0.5 * (bins - 1) * m_dStep;
    m_nBlock = std::max(8, static_cast<int32_t>(m_dRate * kBlockSeconds));
    m_rot.resize(bins);
    m_phasor.assign(bins, std::complex<double>(1.0, 0.0));
    m_acc.assign(bins, 0.0);
    m_mean.assign(bins, 0.0);
    m_meanSq.assign(bins, 0.0);
    m_score.assign(bins, 0.0);
    for (int i = 0; i < bins; ++i) {
        const double w = -2.0 * kPi * (m_dFirstOffset + i * m_dStep) / m_dRate;
        m_rot[i] = std::complex<double>(std::cos(w), std::sin(w));
    }
}

void CCwToneTracker::Feed(std::complex<double> z) {
    const size_t n = m_acc.size();
    for (size_t i = 0; i < n; ++i) {
        m_acc[i] += z * m_phasor[i];
        m_phasor[i] *= m_rot[i];
    }
    if (++m_nFill >= m_nBlock) {
        EndBlock();
    }
}

double CCwToneTracker::ScoreAt(double offset) const {
    const double pos = (offset - m_dFirstOffset) / m_dStep;
    const long i = std::lround(pos);
    if (i < 0 || i >= static_cast<long>(m_score.size())) return 0.0;
    return m_score[static_cast<size_t>(i)];
}

void CCwToneTracker::EndBlock() {
    const size_t n = m_acc.size();
    ++m_nBlocks;
    const double alpha = std::max(kScoreAlpha, 1.0 / static_cast<double>(m_nBlocks));
    const double norm = 1.0 / (static_cast<double>(m_nFill) * m_nFill);
    size_t best = 0;
    double sum = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double p = std::norm(m_acc[i]) * norm;
        m_mean[i] += alpha * (p - m_mean[i]);
        m_meanSq[i] += alpha * (p * p - m_meanSq[i]);
        m_score[i] = std::sqrt(std::max(0.0, m_meanSq[i] - m_mean[i] * m_mean[i]));
        sum += m_score[i];
        if (m_score[i] > m_score[best]) best = i;
        m_acc[i] = 0.0;
        // Keep the phasors on the unit circle.
        m_phasor[i] /= std::abs(m_phasor[i]);
    }
    m_nFill = 0;
    // Refine the peak between bins.
    double peak = m_dFirstOffset + static_cast<double>(best) * m_dStep;
    if (best > 0 && best + 1 < n) {
        const double a = m_score[best - 1], b = m_score[best], c = m_score[best + 1];
        const double d = a - 2 * b + c;
        if (d < 0) peak += 0.5 * (a - c) / d * m_dStep;
    }
    const double average = n > 0 ? sum / static_cast<double>(n) : 0.0;
    m_bHasTone = (n < 3 || m_score[best] > 2.0 * average) ? 1 : 0;
    if (std::fabs(peak - m_dOffset) <= kNearbyHz) {
        m_dOffset += kFineFollow * (peak - m_dOffset);
    } else if (m_score[best] > kSwitchRatio * ScoreAt(m_dOffset) || (m_nBlocks < 10 && !m_bStartsOnTone)) {
        m_dOffset = peak;
    }
}
