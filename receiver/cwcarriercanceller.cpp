// Steady carriers taken out of the receiver's baseband (see
// cwcarriercanceller.h).
#include "receiver/cwcarriercanceller.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
// A quarter second per spectrum: bins of 4 Hz.
constexpr double kBlockSeconds = 0.25;
// Carriers looked for up to this far from the mixer (the low-pass takes
// out what lies further), never within kGuardHz of the keyed tone (whose
// keying spreads it some tens of hertz either side, about a line at its
// frequency as steady as a carrier's), nor of the mixer, which was set on
// it when it was found.
constexpr double kFarthestHz = 250.0;
constexpr double kGuardHz = 45.0;
// A carrier's bin holds this many times the median bin's power, in two
// blocks running, within kSteadyRatio of each other.
constexpr double kOverMedian = 40.0;
constexpr double kSteadyRatio = 2.0;
// and stands this far over the bins kNarrowBins either side: a carrier is
// a line, a keyed signal's sidebands spread.
constexpr double kOverSides = 20.0;
constexpr int kNarrowBins = 3;
// Nor a weak one: a carrier that matters holds at least this share of the
// strongest bin's power (the keyed tone's own, or the carrier's), while
// the peaks that a keyed tone's sidebands show now and then hold less.
constexpr double kOfStrongest = 0.1;
constexpr size_t kMostLines = 3;
// A carrier the spectrum has lost for this many blocks is let go.
constexpr int kMostMissed = 2;
// The phasor follows over this long: a notch of 1 / (2 pi tau) Hz.
constexpr double kFollowSeconds = 0.1;
// Share of a block's phase drift taken into the line's frequency.
constexpr double kFrequencyGain = 0.5;
}  // namespace

CCwCarrierCanceller::CCwCarrierCanceller(double rate) : m_dRate(rate > 1.0 ? rate : 1.0) {
    m_nBlock = std::max<size_t>(16, static_cast<size_t>(kBlockSeconds * m_dRate));
    m_dFollow = std::min(1.0, 1.0 / (kFollowSeconds * m_dRate));
    m_window.resize(m_nBlock);
    for (size_t i = 0; i < m_nBlock; ++i) {
        m_window[i] = 0.5 - 0.5 * std::cos(2.0 * kPi * (static_cast<double>(i) + 0.5) / static_cast<double>(m_nBlock));
    }
    m_block.reserve(m_nBlock);
}

void CCwCarrierCanceller::Reset() {
    m_lines.clear();
    m_block.clear();
    m_lastPower.clear();
    m_nSinceCheck = 0;
}

std::vector<double> CCwCarrierCanceller::Carriers() const {
    std::vector<double> out;
    for (const tagLine& l : m_lines) out.push_back(l.hz);
    return out;
}

std::complex<double> CCwCarrierCanceller::Feed(std::complex<double> z, double toneHz) {
    m_block.push_back(z);
    if (m_block.size() >= m_nBlock) {
        // Blocks overlap by half: a carrier is found some 0.4 s after it
        // starts, before the levels and the first reading settle on it.
        Analyse(toneHz);
        m_block.erase(m_block.begin(), m_block.begin() + static_cast<std::ptrdiff_t>(m_nBlock / 2));
    }
    std::complex<double> out = z;
    for (tagLine& l : m_lines) {
        const std::complex<double> turn = std::polar(1.0, l.phase);
        l.c += m_dFollow * (z * std::conj(turn) - l.c);
        out -= l.c * turn;
        l.phase = std::remainder(l.phase + 2.0 * kPi * l.hz / m_dRate, 2.0 * kPi);
    }
    return out;
}

void CCwCarrierCanceller::Analyse(double toneHz) {
    const size_t n = m_nBlock;
    const double binHz = m_dRate / static_cast<double>(n);
    const int reach = static_cast<int>(std::min(kFarthestHz, 0.5 * m_dRate) / binHz);
    const size_t bins = static_cast<size_t>(2 * reach + 1);
    std::vector<double> power(bins, 0.0);
    for (int k = -reach; k <= reach; ++k) {
        const std::complex<double> step = std::polar(1.0, -2.0 * kPi * k / static_cast<double>(n));
        std::complex<double> w = 1.0, sum = 0.0;
        for (size_t i = 0; i < n; ++i) {
            sum += m_window[i] * m_block[i] * w;
            w *= step;
        }
        power[static_cast<size_t>(k + reach)] = std::norm(sum);
    }
    std::vector<double> sorted(power);
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(bins / 2), sorted.end());
    const double median = std::max(1e-30, sorted[bins / 2]);
    const double strongest = *std::max_element(power.begin(), power.end());
    auto nearTone = [&](double hz) { return std::fabs(hz - toneHz) < kGuardHz || std::fabs(hz) < kGuardHz; };
    // The lines followed: their frequency corrected by how far their phasor
    // turned over the block; let go when the spectrum no longer shows them.
    const double blockSeconds = static_cast<double>(n - n / 2) / m_dRate;
    for (tagLine& l : m_lines) {
        if (std::abs(l.lastC) > 0 && std::abs(l.c) > 0) {
            l.hz += kFrequencyGain * std::arg(l.c * std::conj(l.lastC)) / (2.0 * kPi * blockSeconds);
        }
        l.lastC = l.c;
        const int k = static_cast<int>(std::lround(l.hz / binHz));
        double near = 0.0;
        for (int j = k - 1; j <= k + 1; ++j) {
            if (j >= -reach && j <= reach) near = std::max(near, power[static_cast<size_t>(j + reach)]);
        }
        l.missed = near > kOverMedian * median && !nearTone(l.hz) ? 0 : l.missed + 1;
    }
    m_lines.erase(std::remove_if(m_lines.begin(), m_lines.end(), [](const tagLine& l) { return l.missed > kMostMissed; }),
                  m_lines.end());
    // New lines: peaks standing far over the spectrum, as strong in the
    // block before, away from the tone and from the lines followed.
    if (m_lastPower.size() == bins) {
        for (int k = -reach + kNarrowBins; k <= reach - kNarrowBins && m_lines.size() < kMostLines; ++k) {
            const size_t i = static_cast<size_t>(k + reach);
            const double p = power[i];
            if (p < kOverMedian * median || p < kOfStrongest * strongest || p < power[i - 1] || p < power[i + 1]) continue;
            const double sides = std::max(power[i - kNarrowBins], power[i + kNarrowBins]);
            if (p < kOverSides * sides) continue;
            const double before = std::max({m_lastPower[i - 1], m_lastPower[i], m_lastPower[i + 1]});
            if (before * kSteadyRatio < p || p * kSteadyRatio < before) continue;
            // The peak between bins, from the log powers about it.
            const double a = std::log(std::max(1e-300, power[i - 1])), b = std::log(p),
                         c = std::log(std::max(1e-300, power[i + 1]));
            const double denom = a - 2.0 * b + c;
            const double shift = denom < 0 ? std::max(-0.5, std::min(0.5, 0.5 * (a - c) / denom)) : 0.0;
            const double hz = (k + shift) * binHz;
            if (nearTone(hz)) continue;
            bool known = false;
            for (const tagLine& l : m_lines) known = known || std::fabs(l.hz - hz) < 2.0 * binHz;
            if (known) continue;
            m_lines.push_back({hz});
        }
    }
    m_lastPower = std::move(power);
}
