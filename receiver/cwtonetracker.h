// CCwToneTracker: finds the keyed tone inside the receive band and follows
// it. A bank of DFT bins 5 Hz apart covers the band; every block of about
// 40 ms each bin's power is taken, and the spread of that power over the
// last second or two scores the bin: a keyed tone swings between on and
// off, noise and a steady carrier do not swing as much. The tracked
// frequency moves to a better bin only when it clearly wins, and is refined
// between bins by a parabola through the scores.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

class CCwToneTracker {
public:
    // outRate: rate of the baseband samples; centreHz: the frequency that
    // the baseband's 0 Hz stands for; band edges in Hz (swapped if given
    // the wrong way round). startsOnTone: the tone is known to lie near
    // the band's middle (found by a wider search), where the tracker
    // starts and stays until a peak clearly beats it; else the first
    // blocks' peak is taken, wherever it lies.
    CCwToneTracker(double outRate, double centreHz, double bandStartHz, double bandEndHz, bool startsOnTone = false);

    void Feed(std::complex<double> z);

    // Tracked tone in Hz, and as an offset from the baseband centre.
    double ToneHz() const { return m_dCentre + m_dOffset; }
    double OffsetHz() const { return m_dOffset; }
    // Nonzero once a keyed tone stands out of the band's noise.
    int HasTone() const { return m_bHasTone; }
    // Nonzero once enough blocks are in for the scores to mean something.
    int Settled() const { return m_nBlocks >= kSettledBlocks; }

private:
    static constexpr int64_t kSettledBlocks = 25;
    void EndBlock();
    double ScoreAt(double offset) const;

    double m_dRate;
    double m_dCentre;
    double m_dOffset = 0.0;
    int m_bHasTone = 0;
    bool m_bStartsOnTone;
    int32_t m_nBlock;
    int32_t m_nFill = 0;
    int64_t m_nBlocks = 0;
    double m_dFirstOffset;
    double m_dStep;
    std::vector<std::complex<double>> m_rot;
    std::vector<std::complex<double>> m_phasor;
    std::vector<std::complex<double>> m_acc;
    std::vector<double> m_mean;
    std::vector<double> m_meanSq;
    std::vector<double> m_score;
};
