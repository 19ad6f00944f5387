// CMemoryCaptureSource: a capture source that "records" samples held in
// memory (generated, or read from a WAV file) into a one-second ring, as a
// sound card would. Its write cursor advances with the steady clock from
// Start, or only when Advance is called (manual clock, for tests and
// benchmarks). After the feed runs out it records silence, unless it loops.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

#include "audio/capturesource.h"

class CMemoryCaptureSource : public ICaptureSource {
public:
    enum ClockMode { CLOCK_MANUAL, CLOCK_STEADY };

    CMemoryCaptureSource(int32_t samplesPerSecond, std::vector<int16_t> feed, bool loop,
                         ClockMode clock);

    int Start() override;
    int IsOpen() override;
    int IsCapturing() override;
    int32_t GetBufferBytes() override;
    int GetCurrentPosition(int32_t* capturePos, int32_t* readPos) override;
    int Lock(int32_t offset, int32_t bytes, tagCaptureLock* out) override;
    void Unlock(const tagCaptureLock& locked) override;

    // Records `samples` more samples at once (either clock mode). Works
    // before Start too, so a test can fill the ring and then start.
    void Advance(int64_t samples);
    // Samples recorded so far.
    int64_t GetRecordedSamples();

private:
    void CatchUpLocked();
    void RecordLocked(int64_t samples);

    std::mutex m_mutex;
    int32_t m_nRate;
    std::vector<int16_t> m_ring;
    std::vector<int16_t> m_feed;
    bool m_bLoop;
    ClockMode m_clock;
    bool m_bStarted;
    int64_t m_nFeedPos;
    int64_t m_nRecorded;
    int64_t m_nManual;
    std::chrono::steady_clock::time_point m_start;
    // Copy of the locked span, handed out by Lock; only the analysing
    // thread reads it, so no lock is held between Lock and Unlock.
    std::vector<int16_t> m_staging;
};

// n samples of a sine of `hz` at `amplitude` (fraction of full scale
// 32767), starting at phase 0.
std::vector<int16_t> MakeToneSamples(int32_t samplesPerSecond, double hz, double amplitude,
                                     int32_t n);

