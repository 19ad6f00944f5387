// CCwSequenceDecoder: decides a stretch of received tone as a whole. Given
// the dot length, the tone's amplitude and the noise, it finds the sequence
// of characters that best explains the stretch: each candidate mark is
// scored by how likely the tone (of unknown phase) is present over its whole
// length, summed coherently; every dot, dash and gap by how likely its
// length is (1 or 3 dots for a mark; 1 dot for a gap inside a character, 3
// or 7 between characters); and only element sequences of the Morse table
// can make a character. A noise dip inside a dash or a burst inside a gap
// then costs more than it explains, which hard sample-by-sample decisions
// cannot weigh. The best sequence is found by a dynamic programme over all
// segmentations and all paths through the table's tree of codes.
// Across stretches it keeps what they showed: the dot length (fitted to
// the lengths of the elements read, so it does not waver with the key
// decisions), whether the sender keys exactly or loosely, the tone's
// offset, and the tone's phase from mark to mark, which a keyed carrier
// keeps: each candidate mark's phase is weighed against its neighbours'.
#pragma once

#include <complex>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "morse/morsecode.h"
#include "receiver/cwsequencemodel.h"

class CCwSequenceDecoder {
public:
    // rate: samples per second of the samples pushed; table: the Morse
    // records, copied.
    CCwSequenceDecoder(double rate, const tagMorseCode* table);

    // The samples' noise is not white when they have been low-passed: a
    // sum of many of them holds ratio times the noise power that as many
    // independent samples of the same power would. The noise measured per
    // sample is scaled by it (1, the default, for white noise).
    void SetSumNoise(double ratio) { m_dSumNoise = ratio > 0 ? ratio : 1.0; }

    // One baseband sample, as mixed down (the tone at its offset).
    void Push(std::complex<double> v) { m_samples.push_back(v); }
    size_t Pending() const { return m_samples.size(); }
    // The dot length (seconds) the stretches have been read at; 0 until
    // one has been read clearly.
    double DotSeconds() const { return m_nClear > 0 ? m_dDot : 0.0; }

    // Decides the samples pushed so far, which begin and end in a gap, and
    // appends the characters and word spaces to *out. dot: seconds;
    // amplitude: the tone's magnitude per sample; noise: the noise power
    // per sample (used until stretches give their own); toneHz: the tone's
    // offset from 0 Hz in the samples, as tracked. Unless final, a
    // last word not followed by a clear word gap is kept back with its samples
    // for the next call (returns true then), and so is the whole of the
    // first reading until it holds enough marks to learn the sender from;
    // otherwise the samples are forgotten (returns false).
    bool Decode(double dot, double amplitude, double noise, double toneHz, bool final, std::string* out);
    // What the samples kept back read as now (the first reading held, or
    // a last word waiting for its gap), to follow the text let out so far;
    // empty when nothing is kept. It may read otherwise once let out.
    const std::string& Provisional() const { return m_provisional; }

private:
    struct tagDecision {
        std::vector<std::pair<int, int>> marks;  // start and end steps
        std::vector<char> dashes;                // each mark a dash (1) or a dot
        std::vector<char> charStarts;            // each mark the first of a character
        std::string text;
        std::vector<int> wordStarts;  // step of each word's first mark after a word space
        std::vector<double> wordScores;  // each word's share of the score
        std::vector<int> wordMarks;      // and its number of marks
        // and its marks, each weighed by the power of the level about it
        // (at most the level carried) over that of the level carried
        std::vector<double> wordLevels;
        double score = 0.0;           // log-likelihood ratio over noise alone
    };
    // What decided marks show of the tone's phase: the marks' samples,
    // turned back by a steady phase step per sample (slope), summed from
    // the start; how far they are trusted (weight, 0 ... 1); how many
    // samples either side of a mark count; and how sharply a mark's phase
    // is known from them at most (the concentration of the spread of phase
    // steps between neighbouring marks), so that a sender whose phase only
    // partly holds from mark to mark cannot make a clear mark cost more
    // than a little.
    struct tagPhaseReference {
        std::vector<std::complex<double>> prefix;
        double slope = 0.0;
        double weight = 0.0;
        double concentration = 0.0;
        size_t window = 0;
    };
    // Learns from the marks (once per stretch) and gives the reference.
    tagPhaseReference PhaseReference(const std::vector<std::pair<int, int>>& marks, const std::vector<double>& count,
                                     double dot);
    // The best reading for the given levels and timing spread; with a
    // phase reference, each mark's phase is weighed against it.
    // Whether a word of this share of the score, its marks at this summed
    // level, scores as noise read as a word rather than as real marks.
    bool WeakWord(double score, double level) const;
    tagDecision Segment(const std::vector<std::complex<double>>& prefix, const std::vector<double>& count,
                        int steps, double amplitude, double noise, double spread,
                        const tagPhaseReference* reference) const;

    // What the decoder has learnt from the stretches read so far, so that
    // a first reading can be taken back.
    struct tagLearned {
        double dot, spread, markScore, phaseBest, phaseTotal, phaseTone, phasePairs, amplitude, noise, offset, sweep;
        int clear;
        cwsequence::tagCwTiming timing;
    };
    tagLearned Learned() const;
    void Restore(const tagLearned& learned);
    // Whether the first reading held back must still wait: read once at
    // the speed, tone and levels it showed, it still has too few marks
    // and no long silence at its end.
    // The held reading's text goes to *text.
    bool StillHeld(std::string* text) const;
    // The first words of a reading, those that score too little for their
    // marks left out, joined by blanks.
    std::string Words(const tagDecision& d, size_t words) const;
    // What a dot scores at the levels and speed as they stand: scores of
    // stretches read at different levels (which move far from stretch to
    // stretch on a strong signal, whose gaps hold little noise) compare
    // only in this unit.
    double MarkUnit() const;
    // A reading's score with each mark's edges placed to the sample (prefix:
    // sums of the samples from the start; dotSamples: the dot it was read
    // with), so that readings at different dot lengths compare fairly.
    double FineScore(const tagDecision& d, const std::vector<std::complex<double>>& prefix,
                     const std::vector<double>& count, double dotSamples, double spread) const;
    // Sets the levels from the held samples' sums over a dot (seconds).
    void GuessLevels(double dot);
    // The tone's amplitude as it moves through the held samples (a fading
    // signal swings by 10 dB and more within a stretch, and one level for
    // the whole stretch takes the marks in its troughs for noise): from
    // the upper quantile of the energy over a dot in a window about each
    // point, the noise power per sample taken out; dot in seconds.
    void FollowLevels(double dot, double noise);
    // The amplitude about a sample of the held ones, from the levels
    // followed; fallback when there are none.
    double AmplitudeAt(double sample, double fallback) const;
    // The dot length (seconds) that the lengths of a reading's marks and
    // gaps fit; dot: the length it was read with.
    double FitDot(const tagDecision& d, double dot) const;
    // Moves the sender's timing towards what a clear reading shows, and
    // the word gap towards one seen across two stretches (dots).
    void LearnTiming(const tagDecision& d);
    // Letter and word gaps, and the boundary, from the gaps kept and those
    // of the reading.
    void LearnGaps(const tagDecision& d);
    void LearnWordGap(double dots);
    // Keeps the gaps between characters of a reading let out (and one
    // across two stretches, in dots) for splitting into letter and word gaps.
    // untilStep: only gaps up to the mark that starts there (the marks
    // after it wait for the next stretch).
    void KeepGaps(const tagDecision& d, int untilStep);
    void KeepGap(double dots);
    static bool TimingMoved(const cwsequence::tagCwTiming& a, const cwsequence::tagCwTiming& b);
    // Turns the samples by -offset cycles per sample.
    void Rotate(double cyclesPerSample);
    // Turns the samples by a steadily changing offset: -rate * i cycles
    // per sample at sample i.
    void Sweep(double rate);
    // Undoes the turn and sweep applied to the samples held.
    void Unturn();
    // The rate (cycles per sample, per sample) at which the offsets of the
    // marks, each measured from its own phase drift, change along the
    // samples; 0 unless they show it clearly. lag: samples of the drift
    // measure; *centre: the weighted mean sample of the marks.
    double SweepOfMarks(const std::vector<std::pair<int, int>>& marks, const std::vector<double>& count,
                        size_t lag, double* centre) const;
    // n samples have been let go from the front: the offset moves on to
    // where the sweep has taken it at the new first sample.
    void Consumed(size_t n) { m_dOffset += m_dSweep * static_cast<double>(n); }
    // Sums of the held samples, turned by -cyclesPerSample, from the start
    // to each step boundary (prefix) and the samples they hold (count);
    // returns the number of whole steps.
    int StepSums(double stepSamples, double cyclesPerSample, std::vector<std::complex<double>>* prefix,
                 std::vector<double>* count) const;

    double m_dRate;
    double m_dSumNoise = 1.0;
    // The dot length (seconds) and timing spread of the last stretch read
    // clearly (0 until the first).
    double m_dDot = 0.0;
    double m_dSpread = 0.22;
    // What a mark of a clear word scores, in units of MarkUnit.
    double m_dMarkScore = 0.0;
    // How well recent stretches' marks lined up in phase, out of how well
    // they could have, and the pairs of marks behind it.
    double m_dPhaseBest = 0.0;
    double m_dPhaseTotal = 0.0;
    double m_dPhaseTone = 0.0;  // how well they could have, noise taken out
    double m_dPhasePairs = 0.0;
    // The amplitude followed through the held samples, one per
    // m_nLevelStride samples (empty: the levels carried hold throughout),
    // and the factor that brings the quantile it is taken from to the
    // amplitude of the marks decided.
    std::vector<double> m_levels;
    size_t m_nLevelStride = 1;
    double m_dLevelGain = 1.0;
    // Levels carried from stretch to stretch (0 until the first).
    double m_dAmplitude = 0.0;
    double m_dNoise = 0.0;
    // The tone's offset in the samples as the stretches read clearly showed
    // it, in cycles per sample, and how many there have been.
    int m_nClear = 0;
    double m_dOffset = 0.0;
    double m_dTurned = 0.0;     // turn applied to the samples held
    // How fast the offset changes (cycles per sample, per sample: a
    // drifting oscillator), as the stretches read clearly showed it, and
    // the sweep applied to the samples held.
    double m_dSweep = 0.0;
    double m_dSwept = 0.0;
    // What the first reading held back showed (dot 0 when none is held).
    tagLearned m_held{};
    size_t m_nHeldSamples = 0;  // how many samples it was read from
    std::string m_provisional;
    cwsequence::tagCwTiming m_timing;       // the sender's timing as learnt
    std::deque<double> m_gaps;  // recent gaps between characters (dots)
    bool m_bWordOpen = false;   // characters out since the last word space
    // The gap after the last character out has not been kept yet (it
    // runs on into the next stretch).
    bool m_bGapOpen = false;
    double m_dTrailing = 0.0;   // dots of gap after the last character out
    std::vector<std::complex<double>> m_samples;
    // The table as a tree: node 0 is the empty code; each node's child by
    // a dot and by a dash (-1 none) and the character it ends (0 none).
    struct tagNode {
        int child[2];
        char ch;
    };
    std::vector<tagNode> m_nodes;
    // The programme's tables, kept between runs.
    struct tagScratch {
        std::vector<double> markEnd, gapEnd;
        std::vector<int> markFrom, markNode, gapFrom, gapNode;
    };
    mutable tagScratch m_scratch;
};
