// Dot-matched envelope detector (see cwmatcheddetector.h).
#include "receiver/cwmatcheddetector.h"

#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr size_t kRingSize = 4096;
}  // namespace

CCwMatchedDetector::CCwMatchedDetector(double rate) : m_dRate(rate > 1 ? rate : 1), m_ring(kRingSize) {
    SetLength(1);
}

void CCwMatchedDetector::SetOffset(double hz) {
    const double w = -2.0 * kPi * hz / m_dRate;
    m_rot = std::complex<double>(std::cos(w), std::sin(w));
}

void CCwMatchedDetector::SetLength(int32_t samples) {
    if (samples < 1) samples = 1;
    if (samples >= static_cast<int32_t>(kRingSize)) samples = static_cast<int32_t>(kRingSize) - 1;
    m_nLength = samples;
    m_nSinceRefresh = m_nLength;  // recompute the sum on the next sample
}

double CCwMatchedDetector::Feed(std::complex<double> z) {
    const std::complex<double> v = z * m_phasor;
    m_phasor *= m_rot;
    m_ring[m_nPos] = v;
    const size_t oldest = (m_nPos + kRingSize - static_cast<size_t>(m_nLength)) % kRingSize;
    if (++m_nSinceRefresh >= m_nLength) {
        // Recompute from the ring now and then, so that rounding in the
        // running sum never builds up; the phasor is renormalised with it.
        m_sum = 0.0;
        for (int32_t k = 0; k < m_nLength; ++k) {
            m_sum += m_ring[(m_nPos + kRingSize - static_cast<size_t>(k)) % kRingSize];
        }
        m_nSinceRefresh = 0;
        m_phasor /= std::abs(m_phasor);
    } else {
        m_sum += v - m_ring[oldest];
    }
    m_nPos = (m_nPos + 1) % kRingSize;
    return std::abs(m_sum) / m_nLength;
}
