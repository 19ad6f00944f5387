// CCwCarrierCanceller: takes steady carriers out of the receiver's complex
// baseband. The low-pass after the mixer still passes a carrier 100-150 Hz
// from the tone at nearly full strength, and one stronger than the keyed
// signal fills its gaps: the levels see no silence and nothing is read. A
// carrier keeps its frequency and amplitude, so it is found as a peak of
// the spectrum that stands far over the rest and holds from one half
// second to the next, and subtracted as a phasor followed slowly at its
// frequency (a notch a hertz or two wide). The keyed tone is never taken:
// nothing near its offset, or near the mixer's frequency, counts as a
// carrier.
#pragma once

#include <complex>
#include <vector>

class CCwCarrierCanceller {
public:
    // rate: samples per second of the baseband.
    explicit CCwCarrierCanceller(double rate);

    // One baseband sample in, the same without its carriers out. toneHz:
    // the keyed tone's offset in the baseband as followed.
    std::complex<double> Feed(std::complex<double> z, double toneHz);
    // Forgets the carriers (the mixer moved).
    void Reset();
    // Frequencies (Hz, in the baseband) of the carriers being taken out.
    std::vector<double> Carriers() const;

private:
    struct tagLine {
        double hz;                   // followed frequency
        double phase = 0.0;          // of the reference, radians
        std::complex<double> c = 0;  // the carrier's phasor against it
        std::complex<double> lastC = 0;
        int missed = 0;              // blocks in which the spectrum lost it
    };
    void Analyse(double toneHz);

    double m_dRate;
    size_t m_nBlock;
    double m_dFollow;
    std::vector<std::complex<double>> m_block;
    std::vector<double> m_window;
    std::vector<double> m_lastPower;  // the previous block's spectrum
    std::vector<tagLine> m_lines;
    size_t m_nSinceCheck = 0;
};
