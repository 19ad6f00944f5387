// CToneNullOutput: a silent output that records what the sidetone player
// asks of it, for tests of the player and of everything that keys it. Every
// call is logged with a steady_clock timestamp; a tone buffer that starts or
// stops playing gives a ToneOn or ToneOff event. Buffer contents are kept, so
// the synthesised tone can be read back. Failures and lost buffers can be
// injected. All members are safe to call from any thread.
#pragma once

#include "audio/toneoutput.h"

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

enum ToneCall : int {
    TONE_CALL_CREATE_DEVICE,
    TONE_CALL_SET_PRIORITY,
    TONE_CALL_CREATE_BUFFER,
    TONE_CALL_PLAY,
    TONE_CALL_REWIND,
    TONE_CALL_STOP,
    TONE_CALL_RESTORE,
    TONE_CALL_LOCK,
    TONE_CALL_UNLOCK,
    TONE_CALL_RELEASE_BUFFER,
    TONE_CALL_RELEASE_DEVICE,
    TONE_CALL_COUNT,
};

struct tagToneCallRecord {
    int nCall;        // ToneCall
    int nBuffer;      // ToneBuffer, -1 for device calls
    int32_t nResult;  // what the call returned
    uint32_t nBytes;  // CreateBuffer/Lock/Unlock byte count, else 0
    uint32_t nFlags;  // Lock: 1 for the whole buffer
    std::chrono::steady_clock::time_point tWhen;
};

// A change of the tone buffer's playing state.
constexpr int32_t TONE_EVENT_OFF = 0;
constexpr int32_t TONE_EVENT_ON = 1;

struct tagToneEvent {
    int32_t nState;  // TONE_EVENT_ON or TONE_EVENT_OFF
    std::chrono::steady_clock::time_point tWhen;
};

class CToneNullOutput : public IToneOutput {
public:
    CToneNullOutput();
    ~CToneNullOutput() override;
    CToneNullOutput(const CToneNullOutput&) = delete;
    CToneNullOutput& operator=(const CToneNullOutput&) = delete;

    // IToneOutput
    int32_t CreateDevice() override;
    int32_t SetPriority(void* windowHandle) override;
    int32_t CreateBuffer(int buffer, uint32_t nBytes) override;
    bool HasBuffer(int buffer) const override;
    int32_t Play(int buffer) override;
    int32_t Rewind(int buffer) override;
    int32_t Stop(int buffer) override;
    int32_t Restore(int buffer) override;
    int32_t Lock(int buffer, uint32_t nBytes, bool entire, void** data, uint32_t* locked) override;
    int32_t Unlock(int buffer, void* data, uint32_t locked) override;
    void ReleaseBuffer(int buffer) override;
    void ReleaseDevice() override;

    // What happened: copies, taken under the lock.
    std::vector<tagToneEvent> Events() const;
    std::vector<tagToneCallRecord> Calls() const;
    size_t EventCount() const;
    // Waits until at least count events have been recorded; false on timeout.
    bool WaitForEvents(size_t count, std::chrono::milliseconds timeout) const;
    void ClearLog();

    // Current state.
    bool HasDevice() const;
    void* PriorityWindow() const;
    bool IsPlaying(int buffer) const;
    bool IsToneSounding() const { return IsPlaying(TONE_BUFFER_TONE); }
    // Bytes from the start the next play begins at: 0 after a rewind.
    uint32_t PlayPosition(int buffer) const;
    uint32_t BufferSize(int buffer) const;
    std::vector<uint8_t> BufferBytes(int buffer) const;
    // The tone buffer as 16-bit little-endian samples.
    std::vector<int16_t> ToneSamples() const;

    // Fault injection. After skip more calls of the kind (on any buffer),
    // the next count return result and do nothing else.
    void FailNext(int call, int32_t result, int count = 1, int skip = 0);
    // Takes the buffer's memory away, as when another program takes the
    // device: it stops, Play and Lock return TONE_E_BUFFERLOST until Restore,
    // which leaves the contents scrambled (every byte 0xA5).
    void LoseBuffer(int buffer);
    // What a Restore leaves in the buffer.
    static constexpr uint8_t RESTORED_FILL = 0xA5;

private:
    struct tagBufferState {
        bool bPresent = false;
        bool bPlaying = false;
        bool bLost = false;
        uint32_t nPosition = 0;
        std::vector<uint8_t> data;
    };
    // A region handed out by Lock; copied into the buffer by Unlock so that
    // writers never touch the state the lock guards.
    struct tagLockRegion {
        int nBuffer;
        std::vector<uint8_t> data;
    };

    bool ValidBuffer(int buffer) const { return buffer >= 0 && buffer < TONE_BUFFER_COUNT; }
    // Consumes one injected failure of the call; true when one was due.
    bool TakeFailure(int call, int32_t* result);
    int32_t Log(int call, int buffer, int32_t result, uint32_t nBytes = 0, uint32_t nFlags = 0);
    void SetPlaying(int buffer, bool playing);

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_eventCond;
    bool m_bDevice = false;
    void* m_pWindow = nullptr;
    tagBufferState m_buffers[TONE_BUFFER_COUNT];
    std::vector<std::unique_ptr<tagLockRegion>> m_locks;
    int32_t m_failResult[TONE_CALL_COUNT] = {};
    int m_failCount[TONE_CALL_COUNT] = {};
    int m_failSkip[TONE_CALL_COUNT] = {};
    std::vector<tagToneCallRecord> m_calls;
    std::vector<tagToneEvent> m_events;
};

// A factory for SetToneOutputFactory.
std::unique_ptr<IToneOutput> CreateToneNullOutput();
