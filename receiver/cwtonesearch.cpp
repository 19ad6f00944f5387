// Keyed-tone search over a wide band (see cwtonesearch.h).
#include "receiver/cwtonesearch.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
// Frame length: the power of two at or above this many seconds; short
// enough that a fast sender's characters and gaps still swing the power,
// long enough for bins about 20 Hz apart.
constexpr double kFrameSeconds = 0.04;
// Means and variances follow over about this many seconds.
constexpr double kAverageSeconds = 1.5;
// Scores (excess standard deviation over the noise floor): a bin must
// reach kLockScore to be locked on; a locked bin below kHoldScore for
// kHoldSeconds is let go (the sender has stopped; the receiver stays on
// his frequency through pauses between overs). A tone keyed at -10 dB
// in 3 kHz scores about 3; noise alone, once a second or so is averaged,
// stays below 1.5 in every bin of the band. The first frames' figures
// scatter more: until kSteadyFrames are in, the score needed is raised by
// the square root of how many fewer there are.
constexpr double kLockScore = 2.2;
constexpr int64_t kSteadyFrames = 64;
constexpr double kHoldScore = 1.2;
constexpr double kHoldSeconds = 10.0;
// The excess deviation must be at least this share of the bin's mean: a
// keyed tone's is about as large as its mean, what is left of a strong
// carrier's after the correction is a small share of it.
constexpr double kKeyedShare = 0.3;
// Analyses to wait before the first lock, so that the variances mean
// something.
constexpr int64_t kFirstFrames = 24;
// Another keyed tone takes over when it scores this many times the locked
// one for kRivalSeconds, at least this many bins away.
constexpr double kRivalRatio = 2.5;
constexpr double kRivalSeconds = 1.0;
constexpr size_t kRivalBins = 4;
// The lowest floor (power in full-scale units): below quantisation noise,
// so that digital silence does not make every score infinite.
constexpr double kMinFloor = 1e-13;
}  // namespace

CCwToneSearch::CCwToneSearch(int32_t rate, double bandStartHz, double bandEndHz)
    : m_dRate(rate > 1000 ? rate : 1000) {
    if (bandEndHz < bandStartHz) std::swap(bandStartHz, bandEndHz);
    m_nSize = 64;
    while (static_cast<double>(m_nSize) < kFrameSeconds * m_dRate) m_nSize *= 2;
    m_nHop = m_nSize / 2;
    const double spacing = m_dRate / static_cast<double>(m_nSize);
    const double first = std::ceil(bandStartHz / spacing);
    const double last = std::floor(bandEndHz / spacing);
    m_nFirstBin = static_cast<size_t>(std::max(2.0, first));
    m_nLastBin = static_cast<size_t>(std::min(static_cast<double>(m_nSize / 2 - 2), std::max(first, last)));
    if (m_nLastBin < m_nFirstBin) m_nLastBin = m_nFirstBin;
    m_history.assign(m_nSize, 0.0);
    m_window.resize(m_nSize);
    double sum = 0.0;
    for (size_t i = 0; i < m_nSize; ++i) {
        m_window[i] = 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / static_cast<double>(m_nSize));
        sum += m_window[i];
    }
    // Scaled so that a tone of amplitude A (full scale 1) centred on a bin
    // has power A^2 / 4 there.
    for (double& w : m_window) w /= sum * 32768.0;
    m_twiddle.resize(m_nSize / 2);
    for (size_t i = 0; i < m_nSize / 2; ++i) {
        const double a = -2.0 * kPi * static_cast<double>(i) / static_cast<double>(m_nSize);
        m_twiddle[i] = std::complex<double>(std::cos(a), std::sin(a));
    }
    m_reverse.resize(m_nSize);
    size_t bits = 0;
    while ((size_t{1} << bits) < m_nSize) ++bits;
    for (size_t i = 0; i < m_nSize; ++i) {
        size_t r = 0;
        for (size_t b = 0; b < bits; ++b) r |= ((i >> b) & 1u) << (bits - 1 - b);
        m_reverse[i] = r;
    }
    m_work.resize(m_nSize);
    const size_t bins = m_nLastBin - m_nFirstBin + 1;
    m_mean.assign(bins, 0.0);
    m_meanSq.assign(bins, 0.0);
    m_score.assign(bins, 0.0);
    m_scratch.resize(bins);
}

void CCwToneSearch::Feed(const int16_t* samples, size_t n) {
    for (size_t k = 0; k < n; ++k) {
        m_history[m_nPos] = samples[k];
        m_nPos = (m_nPos + 1) % m_nSize;
        if (m_nSeen < m_nSize) ++m_nSeen;
        if (++m_nFill >= m_nHop) {
            m_nFill = 0;
            // Only whole frames of input: the empty history before the
            // first samples would make a step, which is loud in every bin.
            if (m_nSeen >= m_nSize) Analyse();
        }
    }
}

double CCwToneSearch::Interpolate(size_t bin) const {
    // A parabola through the log powers of the bin and its neighbours
    // places a windowed tone between bins to a few hertz.
    const double spacing = m_dRate / static_cast<double>(m_nSize);
    double at = static_cast<double>(bin + m_nFirstBin);
    if (bin > 0 && bin + 1 < m_mean.size()) {
        const double a = std::log(m_mean[bin - 1] + kMinFloor);
        const double b = std::log(m_mean[bin] + kMinFloor);
        const double c = std::log(m_mean[bin + 1] + kMinFloor);
        const double d = a - 2.0 * b + c;
        if (d < 0) at += std::max(-0.5, std::min(0.5, 0.5 * (a - c) / d));
    }
    return at * spacing;
}

void CCwToneSearch::Analyse() {
    // Windowed frame of the last m_nSize samples, oldest first, less
    // their mean (an offset's window would leak into the lowest bins), in
    // bit-reversed order for the in-place transform.
    double dc = 0.0;
    for (double v : m_history) dc += v;
    dc /= static_cast<double>(m_nSize);
    for (size_t i = 0; i < m_nSize; ++i) {
        m_work[m_reverse[i]] = (m_history[(m_nPos + i) % m_nSize] - dc) * m_window[i];
    }
    for (size_t len = 2; len <= m_nSize; len *= 2) {
        const size_t half = len / 2;
        const size_t stride = m_nSize / len;
        for (size_t start = 0; start < m_nSize; start += len) {
            for (size_t j = 0; j < half; ++j) {
                const std::complex<double> t = m_work[start + j + half] * m_twiddle[j * stride];
                m_work[start + j + half] = m_work[start + j] - t;
                m_work[start + j] += t;
            }
        }
    }
    ++m_nFrames;
    const double frames = static_cast<double>(m_nFrames);
    const double alpha = std::max(static_cast<double>(m_nHop) / (kAverageSeconds * m_dRate), 1.0 / frames);
    const size_t bins = m_mean.size();
    for (size_t i = 0; i < bins; ++i) {
        const double p = std::norm(m_work[i + m_nFirstBin]);
        m_mean[i] += alpha * (p - m_mean[i]);
        m_meanSq[i] += alpha * (p * p - m_meanSq[i]);
    }
    // The noise floor: the median bin's mean; most of a wide band holds no
    // signal.
    std::copy(m_mean.begin(), m_mean.end(), m_scratch.begin());
    std::nth_element(m_scratch.begin(), m_scratch.begin() + static_cast<std::ptrdiff_t>(bins / 2), m_scratch.end());
    const double floorPower = std::max(kMinFloor, m_scratch[bins / 2]);
    size_t best = bins;
    for (size_t i = 0; i < bins; ++i) {
        const double m = m_mean[i];
        // What noise of the floor's power, alone or on a steady carrier,
        // explains of the variance, taken away.
        const double explained = 2.0 * m * floorPower - floorPower * floorPower;
        const double excess = std::sqrt(std::max(0.0, m_meanSq[i] - m * m - std::max(0.0, explained)));
        const bool keyed = excess >= kKeyedShare * m;
        m_score[i] = keyed ? excess / floorPower : 0.0;
        if (m_score[i] > 0 && (best == bins || m_score[i] > m_score[best])) best = i;
    }
    m_dBestScore = best < bins ? m_score[best] : 0.0;
    const double hopSeconds = static_cast<double>(m_nHop) / m_dRate;
    if (!m_bLocked) {
        const double need = kLockScore * std::sqrt(std::max(1.0, static_cast<double>(kSteadyFrames) / frames));
        if (best < bins && m_nFrames >= kFirstFrames && m_score[best] >= need) {
            m_bLocked = 1;
            m_nLockedBin = best;
            m_nQuietFrames = 0;
            m_nRivalFrames = 0;
        }
    } else {
        // Follow a drifting tone to the better neighbour.
        size_t at = m_nLockedBin;
        for (size_t i = (m_nLockedBin > 0 ? m_nLockedBin - 1 : 0); i <= std::min(bins - 1, m_nLockedBin + 1); ++i) {
            if (m_score[i] > m_score[at]) at = i;
        }
        m_nLockedBin = at;
        const bool far = best < bins && (best + kRivalBins <= at || at + kRivalBins <= best);
        // A bin that has fallen below the hold level (a sender gone, or
        // noise locked on) gives way to any keyed tone.
        const bool beaten = m_score[best] > kRivalRatio * m_score[at] || m_score[at] < kHoldScore;
        if (far && m_score[best] >= kLockScore && beaten) {
            if (++m_nRivalFrames * hopSeconds >= kRivalSeconds) {
                m_nLockedBin = best;
                m_nRivalFrames = 0;
                m_nQuietFrames = 0;
            }
        } else {
            m_nRivalFrames = 0;
        }
        if (m_score[m_nLockedBin] < kHoldScore) {
            if (++m_nQuietFrames * hopSeconds >= kHoldSeconds) m_bLocked = 0;
        } else {
            m_nQuietFrames = 0;
        }
    }
    if (m_bLocked) {
        m_dLockedScore = m_score[m_nLockedBin];
        m_dToneHz = Interpolate(m_nLockedBin);
    } else {
        m_dLockedScore = 0.0;
    }
}
