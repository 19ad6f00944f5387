// Mixer and integrator-comb decimator of the receiver (see cwbaseband.h).
#include "receiver/cwbaseband.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kTableScale = 16384.0;
// Pole of the DC blocker at 44.1 kHz (corner near 35 Hz), scaled with the
// rate.
constexpr double kDcPole44k = 0.995;
}  // namespace

CCwBaseband::CCwBaseband(int32_t rate, double centreHz, double outRate) {
    if (rate < 1) rate = 1;
    m_nRate = rate;
    int32_t d = outRate > 0 ? static_cast<int32_t>(rate / outRate) : 1;
    m_nDecim = d < 1 ? 1 : d;
    m_dOutRate = static_cast<double>(rate) / m_nDecim;
    SetCentre(centreHz);
    const size_t size = size_t{1} << kTableBits;
    m_cos.resize(size);
    m_sin.resize(size);
    for (size_t i = 0; i < size; ++i) {
        const double a = 2.0 * kPi * static_cast<double>(i) / static_cast<double>(size);
        m_cos[i] = static_cast<int32_t>(std::lround(kTableScale * std::cos(a)));
        m_sin[i] = static_cast<int32_t>(std::lround(kTableScale * std::sin(a)));
    }
    const double gain = std::pow(static_cast<double>(m_nDecim), kStages);
    // Output in units of full scale (a full-scale tone at the centre gives
    // magnitude 0.5 from the mixer's half product).
    m_dScale = 1.0 / (gain * kTableScale * 32768.0);
}

void CCwBaseband::SetCentre(double centreHz) {
    const double step = centreHz / m_nRate * 4294967296.0;
    m_nStep = static_cast<uint32_t>(static_cast<int64_t>(std::llround(step)) & 0xFFFFFFFFll);
    m_dCentre = static_cast<double>(m_nStep) / 4294967296.0 * m_nRate;
}

void CCwBaseband::Feed(const int16_t* samples, size_t n, std::vector<std::complex<double>>* out) {
    constexpr int shift = 32 - kTableBits;
    const double pole = 1.0 - (1.0 - kDcPole44k) * 44100.0 / m_nRate;
    if (!m_bStarted && n > 0) {
        // Start settled on the first sample's offset instead of stepping
        // up to it from zero.
        m_dLastIn = samples[0];
        m_bStarted = true;
    }
    for (size_t k = 0; k < n; ++k) {
        // An offset would leak through the narrow filters of a low tone;
        // rounding keeps exact silence exactly zero once settled.
        const double in = samples[k];
        m_dLastOut = in - m_dLastIn + pole * m_dLastOut;
        m_dLastIn = in;
        // Triangular dither of one step peak from two uniform draws.
        m_nDither ^= m_nDither << 13;
        m_nDither ^= m_nDither >> 17;
        m_nDither ^= m_nDither << 5;
        const double dither = (static_cast<double>(m_nDither & 0xFFFF) + static_cast<double>(m_nDither >> 16)) /
                                  65536.0 - 1.0;
        const double y = std::max(-65535.0, std::min(65535.0, m_dLastOut + dither));
        const int32_t x = static_cast<int32_t>(std::lround(y));
        const uint32_t idx = m_nPhase >> shift;
        m_nPhase += m_nStep;
        // e^{-j phase}: I = x cos, Q = -x sin.
        uint64_t i = static_cast<uint64_t>(static_cast<int64_t>(x * m_cos[idx]));
        uint64_t q = static_cast<uint64_t>(-static_cast<int64_t>(x * m_sin[idx]));
        for (int s = 0; s < kStages; ++s) {
            m_integI[s] += i;
            m_integQ[s] += q;
            i = m_integI[s];
            q = m_integQ[s];
        }
        if (++m_nCount < m_nDecim) {
            continue;
        }
        m_nCount = 0;
        for (int s = 0; s < kStages; ++s) {
            const uint64_t di = i - m_combI[s];
            const uint64_t dq = q - m_combQ[s];
            m_combI[s] = i;
            m_combQ[s] = q;
            i = di;
            q = dq;
        }
        out->emplace_back(static_cast<double>(static_cast<int64_t>(i)) * m_dScale,
                          static_cast<double>(static_cast<int64_t>(q)) * m_dScale);
    }
}
