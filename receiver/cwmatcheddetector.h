// CCwMatchedDetector: the narrow detector on the tracked tone. It shifts the
// baseband so that the tone sits at 0 Hz and averages the complex signal
// over one dot: the filter matched to a dot, whose noise bandwidth is about
// 1 / dot (17 Hz at 20 WPM). Its output is the envelope of the tone.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

class CCwMatchedDetector {
public:
    explicit CCwMatchedDetector(double rate);

    // Offset of the tone from the baseband's 0 Hz.
    void SetOffset(double hz);
    // Averaging length in samples (at least 1); the running sum restarts
    // from the samples kept.
    void SetLength(int32_t samples);
    int32_t Length() const { return m_nLength; }

    // One baseband sample in, the envelope amplitude out.
    double Feed(std::complex<double> z);

private:
    double m_dRate;
    std::complex<double> m_phasor{1.0, 0.0};
    std::complex<double> m_rot{1.0, 0.0};
    std::vector<std::complex<double>> m_ring;
    size_t m_nPos = 0;
    int32_t m_nLength = 0;
    int32_t m_nSinceRefresh = 0;
    std::complex<double> m_sum{0.0, 0.0};
};
