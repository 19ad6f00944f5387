// CCwLowPass: a short linear-phase low-pass on the receiver's complex
// baseband (about a thousand samples per second, the tone within some
// 30 Hz of 0 Hz). The decimator before it passes everything within half
// its output rate, so a steady carrier or another station 150 Hz from the
// tone would still reach the detectors and the decoder at nearly full
// strength, and count there as noise (or as marks). This filter passes
// the tone's few tens of hertz, halves what lies 150 Hz off and takes
// everything from about 200 Hz out by some 50 dB, for a delay of a score
// of milliseconds; the decoder's sums over a dot do the rest for a
// neighbour nearer in. A narrower one would keep more out, but would
// colour the noise the decoder weighs as white, and weak signals would
// suffer.
#pragma once

#include <complex>
#include <vector>

class CCwLowPass {
public:
    // rate: samples per second of what it filters.
    explicit CCwLowPass(double rate);

    std::complex<double> Feed(std::complex<double> z);
    // White noise in, the noise power of a long sum of the output over
    // that of the output's samples summed as if independent: 1 / sum h^2.
    double SumNoise() const;
    // Samples by which the output lags the input.
    size_t Delay() const { return (m_taps.size() - 1) / 2; }

private:
    std::vector<double> m_taps;
    std::vector<std::complex<double>> m_ring;  // the last taps' worth of input, twice over
    size_t m_nPos = 0;
};
