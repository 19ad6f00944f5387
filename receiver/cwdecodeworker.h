// CCwDecodeWorker: runs the whole-stretch decoder (cwsequencedecoder.h) on
// a thread of its own. Deciding a stretch can take a few tenths of a second
// (the first one tries every speed); the thread that feeds samples, which
// also reads the capture and the peers' key state, must never wait that
// long. Stretches are queued in order with the samples that belong to them
// and decided in that order, and nothing the feeder does depends on when a
// decision is done: the text is the same however long the decisions take.
// Push and Decode come from one feeding thread; TakeText and DotSeconds may
// be read from any thread.
#pragma once

#include <atomic>
#include <complex>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "receiver/cwsequencedecoder.h"
#include "morse/morsecode.h"

// How a stretch ends: the decoder may keep its last word back for the next
// (open), must let everything out (final), or must let out only what an
// earlier stretch kept back, if anything (final if kept; for the end of the
// input when no mark came since the last cut).
enum eCwCut { CW_CUT_OPEN, CW_CUT_FINAL, CW_CUT_FINAL_IF_KEPT };

class CCwDecodeWorker {
public:
    // longest: seconds the decoder may hold; a stretch that would make it
    // hold more is decided as final. background: decide on a thread of its
    // own (else in the caller's, as Decode is called; also the fallback
    // when no thread can be started).
    // sumNoise: see CCwSequenceDecoder::SetSumNoise.
    CCwDecodeWorker(double rate, const tagMorseCode* table, double longest, bool background, double sumNoise = 1.0);
    ~CCwDecodeWorker();
    CCwDecodeWorker(const CCwDecodeWorker&) = delete;
    CCwDecodeWorker& operator=(const CCwDecodeWorker&) = delete;

    void Push(std::complex<double> v) { m_input.push_back(v); }
    // Queues the samples pushed so far as a stretch to decide with these
    // figures (see CCwSequenceDecoder::Decode).
    void Decode(double dot, double amplitude, double noise, double toneHz, eCwCut cut);
    // Waits until every stretch queued is decided.
    void Wait();

    // Text decided since the last call, taken away.
    std::string TakeText();
    // The reading of what the decoder keeps back, as of the last stretch
    // decided: it follows the text decided so far, and is replaced by
    // each new one.
    std::string ProvisionalText() const;
    // The decoder's dot length (seconds); 0 until a stretch is read clearly.
    double DotSeconds() const { return m_dDot.load(); }

private:
    struct tagJob {
        std::vector<std::complex<double>> samples;
        double dot;
        double amplitude;
        double noise;
        double toneHz;
        eCwCut cut;
    };
    void Run();
    // Decides one stretch (on whichever thread runs the decoder).
    void Decide(tagJob& job);

    CCwSequenceDecoder m_decoder;  // used by one thread at a time
    size_t m_nLongest;
    bool m_bKept = false;          // with the decoder: it holds a word back
    std::vector<std::complex<double>> m_input;  // the feeding thread's
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<tagJob> m_jobs;
    bool m_bBusy = false;
    bool m_bStop = false;
    std::string m_text;
    std::string m_provisional;
    std::atomic<double> m_dDot{0.0};
    std::thread m_thread;  // last: started once the rest is built
};
