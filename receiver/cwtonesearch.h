// CCwToneSearch: finds the keyed CW tone anywhere in a wide band of the
// sound input (a few hundred hertz to a few kilohertz) and says where it
// is. Every half frame (about 23 ms at 44.1 kHz) a windowed FFT gives the
// power of each bin in the band; over the last second or two each bin's
// mean and variance are followed. Noise and a steady carrier both have a
// variance that their mean explains (noise: mean squared; a carrier plus
// noise: twice the carrier times the noise, plus the noise's own); a keyed
// tone swings between its mark and space powers and has far more. The
// excess over what the mean explains, in units of the band's noise floor,
// scores a bin, and the best bin that stands clearly out is locked on and
// followed as it drifts. The narrow detector behind it only has to cover a
// few tens of hertz around the locked frequency.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

class CCwToneSearch {
public:
    // rate: input samples per second; the band's edges in Hz (swapped if
    // given the wrong way round, kept inside what the rate carries).
    CCwToneSearch(int32_t rate, double bandStartHz, double bandEndHz);

    void Feed(const int16_t* samples, size_t n);

    // Nonzero while a keyed tone is locked on.
    int Locked() const { return m_bLocked; }
    // The locked tone in Hz (the last one once the lock is lost; 0 before
    // any lock).
    double ToneHz() const { return m_dToneHz; }
    // Score of the locked bin and the best score in the band, in units of
    // the noise floor (for tests and diagnostics).
    double LockedScore() const { return m_dLockedScore; }
    double BestScore() const { return m_dBestScore; }
    // Samples to feed before the next analysis: a caller that must act on
    // a lock before it passes more input on feeds at most this many.
    size_t UntilNextFrame() const { return m_nHop - m_nFill; }

private:
    void Analyse();
    double Interpolate(size_t bin) const;

    double m_dRate;
    size_t m_nSize;   // FFT length
    size_t m_nHop;    // new samples per analysis
    size_t m_nFill = 0;
    size_t m_nSeen = 0;   // samples fed, counted up to one frame
    size_t m_nFirstBin;
    size_t m_nLastBin;
    int64_t m_nFrames = 0;
    std::vector<double> m_history;  // the last m_nSize input samples
    size_t m_nPos = 0;
    std::vector<double> m_window;
    std::vector<std::complex<double>> m_twiddle;
    std::vector<size_t> m_reverse;
    std::vector<std::complex<double>> m_work;
    std::vector<double> m_mean;     // per bin of the band
    std::vector<double> m_meanSq;
    std::vector<double> m_score;
    std::vector<double> m_scratch;
    int m_bLocked = 0;
    size_t m_nLockedBin = 0;
    double m_dToneHz = 0.0;
    double m_dLockedScore = 0.0;
    double m_dBestScore = 0.0;
    int32_t m_nQuietFrames = 0;   // frames the locked bin has stood below the hold level
    int32_t m_nRivalFrames = 0;   // frames another bin has clearly beaten the locked one
};
