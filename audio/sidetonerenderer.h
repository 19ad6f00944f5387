// CSidetoneRenderer: the sidetone as a stream of samples. Key events come
// in from any thread with the time they happened; the render thread asks
// for one device period of samples at a time and gets silence or the tone,
// switched at the sample that corresponds to each event. Events are placed
// by counting samples: a key-up lands exactly as many samples after its
// key-down as the key was held (likewise for the gap before the next
// key-down), so tone lengths follow the key however late or unevenly the
// render thread runs, as long as it is never more than a period behind.
//
// The tone is the sidetone loop of toneloop.h (whole periods, filled from
// sample 0) played round and round, restarted at sample 0 by a key-down
// from silence. With edges set, the tone rises and falls over a raised
// cosine (toneedge.h) that starts at the key event.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

class CSidetoneRenderer {
public:
    using Clock = std::chrono::steady_clock;

    CSidetoneRenderer();

    // Synthesises the loop for hz and volume at sampleRate and sets the
    // edge length (0 to 10 ms, 0 for abrupt keying). Called before
    // rendering starts or by the render thread between periods.
    void SetTone(double hz, double volume, double edgeMs, int32_t sampleRate);
    int32_t GetSampleRate() const { return m_nRate; }
    int32_t GetEdgeSamples() const { return m_nEdge; }
    size_t GetLoopSamples() const { return m_loop.size(); }

    // Key events, from any thread; they never wait on the render thread
    // beyond a short queue lock.
    void KeyDown(Clock::time_point when);
    void KeyUp(Clock::time_point when);

    // Writes frames samples: the period that ends now (it is played one
    // device buffer later, for every sample alike).
    void Render(int16_t* out, uint32_t frames, Clock::time_point now);

    // Samples rendered so far: the renderer's own clock.
    int64_t GetPosition() const { return m_nPos; }
    // Whether the last sample rendered was part of a tone.
    bool IsSounding() const { return m_bDown || m_nEdgePos > 0; }
    // Places the next event from its own time alone, as after opening a
    // new device, whose clock has nothing to do with the old one.
    void Resync() { m_bChained = false; }

private:
    struct tagKeyEvent {
        bool bDown;
        Clock::time_point tWhen;
    };
    struct tagPlacedEvent {
        bool bDown;
        int64_t nPos;
    };

    void Queue(bool down, Clock::time_point when);
    void Place(const tagKeyEvent& e, uint32_t frames, Clock::time_point now);
    void Apply(bool down);
    int16_t NextSample();

    std::mutex m_mutex;
    std::vector<tagKeyEvent> m_incoming;  // guarded by m_mutex

    // Owned by the render thread.
    std::vector<tagKeyEvent> m_taken;
    std::deque<tagPlacedEvent> m_placed;
    std::vector<int16_t> m_loop;
    int32_t m_nRate = 0;
    int32_t m_nEdge = 0;
    int64_t m_nPos = 0;
    bool m_bChained = false;
    Clock::time_point m_tLast;
    int64_t m_nLastPos = 0;
    bool m_bDown = false;
    int32_t m_nEdgePos = 0;
    size_t m_nLoopIndex = 0;
};
