// CCwSequenceDecoder: decides a stretch of received tone as a whole. Given
// the dot length, the tone's amplitude and the noise, it finds the sequence
// of marks and gaps that best explains the stretch: each candidate mark is
// scored by how likely the tone (of unknown phase) is present over its whole
// length, summed coherently, and every mark and gap by how likely its length
// is (1 or 3 dots for a mark; 1, 3 or 7 for a gap). A noise dip inside a dash
// or a noise burst inside a gap then costs more than it explains, which hard
// sample-by-sample decisions cannot weigh. The best sequence (a dynamic
// programme over all segmentations) becomes characters and word spaces.
#pragma once

#include <complex>
#include <string>
#include <vector>

#include "morse/morsecode.h"

class CCwSequenceDecoder {
public:
    // rate: samples per second of the samples pushed; table: the Morse
    // records, copied.
    CCwSequenceDecoder(double rate, const tagMorseCode* table);

    // One baseband sample with the tone shifted to 0 Hz.
    void Push(std::complex<double> v) { m_samples.push_back(v); }
    size_t Pending() const { return m_samples.size(); }

    // Decides the samples pushed so far, which begin and end in a gap, and
    // appends the characters (and the word spaces inside, and one after
    // them when endsWord says the stretch ends in a word gap) to *out. dot:
    // seconds; amplitude: the tone's magnitude per sample; noise: the
    // noise power per sample (used until stretches give their own).
    // Forgets the samples.
    void Decode(double dot, double amplitude, double noise, bool endsWord, std::string* out);

private:
    // The best marks (start and end steps) for the given levels.
    std::vector<std::pair<int, int>> Segment(const std::vector<std::complex<double>>& prefix,
                                             const std::vector<double>& count, int steps, double amplitude,
                                             double noise) const;
    char Lookup(const std::string& pattern) const;

    double m_dRate;
    // Levels carried from stretch to stretch (0 until the first).
    double m_dAmplitude = 0.0;
    double m_dNoise = 0.0;
    std::vector<std::complex<double>> m_samples;
    struct tagPattern {
        std::string elements;
        char ch;
    };
    std::vector<tagPattern> m_patterns;
};
