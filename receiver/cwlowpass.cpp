// Low-pass on the receiver's baseband (see cwlowpass.h).
#include "receiver/cwlowpass.h"

#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
// Cut-off and length at 1 kHz: a Hamming window's transition is about
// 3.3 / taps of the rate wide (some 80 Hz here), centred on the cut-off.
// At 90 Hz the decoder lost some weak signals (-10 to -12 dB in 3 kHz)
// that it reads without the filter; at 145 Hz it reads them as well.
constexpr double kCutoffHz = 145.0;
constexpr double kTapsAt1k = 41.0;
}  // namespace

CCwLowPass::CCwLowPass(double rate) {
    if (!(rate > 1.0)) rate = 1.0;
    size_t taps = static_cast<size_t>(std::lround(kTapsAt1k * rate / 1000.0)) | 1u;
    if (taps < 3) taps = 3;
    m_taps.resize(taps);
    const double fc = kCutoffHz / rate;
    const double mid = 0.5 * static_cast<double>(taps - 1);
    double sum = 0.0;
    for (size_t i = 0; i < taps; ++i) {
        const double k = static_cast<double>(i) - mid;
        const double sinc = k == 0.0 ? 2.0 * fc : std::sin(2.0 * kPi * fc * k) / (kPi * k);
        const double window = 0.54 - 0.46 * std::cos(2.0 * kPi * static_cast<double>(i) / static_cast<double>(taps - 1));
        m_taps[i] = sinc * window;
        sum += m_taps[i];
    }
    // Unit gain at 0 Hz.
    for (double& t : m_taps) t /= sum;
    m_ring.assign(2 * taps, 0.0);
}

double CCwLowPass::SumNoise() const {
    double power = 0.0;
    for (double t : m_taps) power += t * t;
    return 1.0 / power;
}

std::complex<double> CCwLowPass::Feed(std::complex<double> z) {
    // Each sample is written twice, taps apart, so that the last taps'
    // samples always lie in one run of the ring.
    const size_t taps = m_taps.size();
    m_ring[m_nPos] = z;
    m_ring[m_nPos + taps] = z;
    m_nPos = (m_nPos + 1) % taps;
    const std::complex<double>* x = &m_ring[m_nPos];
    std::complex<double> y = 0.0;
    for (size_t i = 0; i < taps; ++i) y += m_taps[i] * x[i];
    return y;
}
