// CCwBaseband: the receiver's narrow front end. It takes the input's DC
// away, mixes it down with an oscillator on the tone (retuned when the tone
// search finds the signal elsewhere) and decimates the complex
// result through a three-stage integrator-comb filter, so that everything
// after it (tone search, matched detector) runs on about a thousand complex
// samples per second instead of the sound card's rate. A dither of about
// half a step of the input is added, as any sound card's own noise would
// be: a computer-made signal with exact digital silence between its marks
// would otherwise leave gaps of exactly zero, whose unbounded
// signal-to-noise ratio the levels and decisions behind cannot weigh. The
// integer filter is exact: no rounding error builds up however long it
// runs.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

class CCwBaseband {
public:
    // rate: input samples per second; centreHz: oscillator frequency;
    // outRate: wanted output rate (the decimation factor is rate / outRate
    // rounded down, at least 1).
    CCwBaseband(int32_t rate, double centreHz, double outRate);

    // Feeds n samples and appends the decimated output to *out.
    void Feed(const int16_t* samples, size_t n, std::vector<std::complex<double>>* out);

    double OutputRate() const { return m_dOutRate; }
    int32_t Decimation() const { return m_nDecim; }
    double CentreHz() const { return m_dCentre; }
    // Moves the oscillator; the filter goes on with its state, so the
    // output changes over within a few output samples.
    void SetCentre(double centreHz);

private:
    static constexpr int kStages = 3;
    static constexpr int kTableBits = 12;
    int32_t m_nRate;
    int32_t m_nDecim;
    double m_dOutRate;
    double m_dCentre;
    uint32_t m_nPhase = 0;
    uint32_t m_nStep;
    int32_t m_nCount = 0;
    double m_dScale;
    // DC blocker: one-pole high-pass at a few tens of hertz.
    double m_dLastIn = 0.0;
    double m_dLastOut = 0.0;
    bool m_bStarted = false;
    uint32_t m_nDither = 0x9E3779B9u;  // state of the dither's generator
    std::vector<int32_t> m_cos;
    std::vector<int32_t> m_sin;
    // Integrators and comb delays wrap modulo 2^64, which the comb stages
    // undo exactly as long as the true output fits.
    uint64_t m_integI[kStages] = {};
    uint64_t m_integQ[kStages] = {};
    uint64_t m_combI[kStages] = {};
    uint64_t m_combQ[kStages] = {};
};
