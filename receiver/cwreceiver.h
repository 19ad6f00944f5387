// CCwReceiver: the adaptive CW receiver. It takes every sample of the
// sound input and turns it into key decisions and text:
//   keyed-tone search over the whole band (cwtonesearch.h) -> mixer on the
//   tone found and decimator (cwbaseband.h) -> steady carriers taken out
//   (cwcarriercanceller.h) -> low-pass that keeps
//   neighbouring signals out (cwlowpass.h) -> fine tone follower
//   (cwtonetracker.h) -> detector matched to one dot (cwmatcheddetector.h)
//   -> levels and mark/space decision (cwleveltracker.h) -> marks and
//   spaces shorter than a fraction of a dot bridged -> speed
//   (cwspeedtracker.h); the stretch between word gaps is then decided as a
//   whole into characters and word spaces (cwsequencedecoder.h), on a
//   thread of its own (cwdecodeworker.h), so that feeding never waits for it.
// It is fed from one thread; the published figures (speed, tone, key
// state) may be read from any thread. The text of a stretch comes a little
// after the stretch is cut; Flush waits for all of it.
#pragma once

#include <atomic>
#include <cstddef>
#include <complex>
#include <cstdint>
#include <string>
#include <vector>

#include "receiver/cwbaseband.h"
#include "receiver/cwcarriercanceller.h"
#include "receiver/cwdecodeworker.h"
#include "receiver/cwleveltracker.h"
#include "receiver/cwlowpass.h"
#include "receiver/cwmatcheddetector.h"
#include "receiver/cwspeedtracker.h"
#include "receiver/cwtonesearch.h"
#include "receiver/cwtonetracker.h"
#include "morse/morsecode.h"

struct tagCwReceiverConfig {
    int32_t nRate;          // input samples per second
    double dBandStartHz;    // the band searched for the tone (the
                            // station's wide default: 200 to 3000 Hz)
    double dBandEndHz;
    double dInitialDot;     // seconds, before any speed is heard
};

class CCwReceiver {
public:
    // background: stretches are decided on a thread of their own (else as
    // they are cut, in the feeding thread).
    CCwReceiver(const tagCwReceiverConfig& config, const tagMorseCode* table, bool background = true);
    CCwReceiver(const CCwReceiver&) = delete;
    CCwReceiver& operator=(const CCwReceiver&) = delete;

    void Feed(const int16_t* samples, size_t n);
    // Ends the input: a pending character is decoded, and every stretch
    // cut is decided before it returns.
    void Flush();

    // Text decoded since the last call (characters and blanks), taken away:
    // final, it is never taken back.
    std::string TakeText();
    // What the receiver reads, so far, of the signal it has not decided
    // finally (the first words of an over while it learns the sender, a
    // last word waiting for its gap): the tail that would follow the final
    // text; empty when there is none. Each call's result replaces the
    // last; it may read otherwise once final. May be called from any
    // thread.
    std::string ProvisionalText() const;
    // 1 if the key was down at any moment since the last call, else 0.
    int TakeKeyDown();

    int KeyState() const { return m_nKey.load(); }
    double Wpm() const { return m_dWpm.load(); }
    // The followed tone; 0 while no keyed tone is locked on.
    double ToneHz() const { return m_dTone.load(); }

private:
    void Step(std::complex<double> z);
    // Retunes the narrow chain when the search has locked on elsewhere or
    // the followed tone has drifted away from the mixer.
    void FollowTone();
    void Retune(double hz);
    // Moves the decoder's frequency towards the followed tone once that
    // has drifted far from it (see kReferenceSlack).
    void FollowReference(double seconds);
    // Passes input to the narrow chain (mixer, detectors, decoder).
    void FeedNarrow(const int16_t* samples, size_t n);
    void Transition(int state);
    void Cut(eCwCut cut);
    double FilterDot() const;

    tagCwReceiverConfig m_config;
    double m_dRate;
    CCwToneSearch m_search;
    CCwBaseband m_baseband;
    CCwCarrierCanceller m_carriers;
    CCwLowPass m_lowpass;
    CCwToneTracker m_tone;
    CCwMatchedDetector m_detector;
    CCwLevelTracker m_level;
    CCwSpeedTracker m_speed;
    int m_bMarkSinceCut = 0;
    int64_t m_nLastCut = 0;  // sample of the last cut
    // A second detector with a third of the main one's length: when it
    // counts many more marks, the main one is running marks together and
    // the speed must be found again.
    CCwMatchedDetector m_shadow;
    CCwLevelTracker m_shadowLevel;
    int m_nShadowState = 0;
    int32_t m_nShadowMarks = 0;
    int32_t m_nMainMarks = 0;
    std::vector<std::complex<double>> m_buffer;
    // While no tone is locked the narrow chain runs this far behind the
    // input, so that the characters that made the search lock on are
    // still read once it has.
    std::vector<int16_t> m_backlog;
    size_t m_nBacklogStart = 0;
    size_t m_nBacklogMax;
    double m_dOffset = 1e9;
    // The decoder is given the input as if mixed at m_dReferenceHz (where
    // the tone was found), not at the mixer's frequency: a retune of the
    // mixer onto a drifting tone would otherwise make a step in the middle
    // of a stretch it reads as a whole; it follows the drift itself.
    // m_reference turns the baseband by the difference, its phase running
    // on through every change, so that what the decoder sees never jumps
    // in phase.
    double m_dReferenceHz;
    std::complex<double> m_reference{1.0, 0.0};
    // The turns of the last samples, as long as the low-pass delays them:
    // each sample out of it is turned as it was when it went in (the
    // mixer's phase runs on at its new rate from a retune, the samples
    // still in the filter do not).
    std::vector<std::complex<double>> m_referenceHistory;
    size_t m_nReferencePos = 0;
    std::complex<double> m_referenceStep{1.0, 0.0};
    int32_t m_nReferenceCount = 0;
    int m_bEverLocked = 0;
    // Debounced key: the state, the sample where it began, and a candidate
    // change waiting to last long enough.
    int m_nState = 0;
    int64_t m_nStateStart = 0;
    int m_nCandidate = 0;
    int64_t m_nCandidateStart = 0;
    int64_t m_nNow = 0;
    int m_bKeyLatch = 0;
    std::atomic<int> m_nKey{0};
    std::atomic<double> m_dWpm;
    std::atomic<double> m_dTone;
    CCwDecodeWorker m_worker;  // last: its thread stops first
};
