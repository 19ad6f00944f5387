// ICaptureSource: a sound input that records 16-bit mono samples
// continuously into a looping buffer of one second, with a readable cursor.
// The Windows builds capture from the default DirectSound device; the
// memory source (memorycapturesource.h) plays samples from memory, so the
// analysis runs and is tested without a sound card.
#pragma once

#include <cstdint>
#include <memory>

// One locked span of the ring: one region, or two when the span wraps past
// the end of the buffer (the second then starts at the buffer's start).
struct tagCaptureLock {
    const void* pData1;
    int32_t nBytes1;
    const void* pData2;
    int32_t nBytes2;
};

class ICaptureSource {
public:
    virtual ~ICaptureSource() = default;

    // Opens the device, creates the looping buffer and starts recording.
    // Nonzero on success. Called once.
    virtual int Start() = 0;
    // Nonzero once a capture buffer exists (even if it is not running).
    virtual int IsOpen() = 0;
    // Nonzero while the buffer is capturing and looping.
    virtual int IsCapturing() = 0;
    // Size of the ring in bytes (samples per second x 2).
    virtual int32_t GetBufferBytes() = 0;
    // Byte offsets of the capture cursor and of the read cursor (up to
    // which the data is complete). Nonzero on success.
    virtual int GetCurrentPosition(int32_t* capturePos, int32_t* readPos) = 0;
    // Locks `bytes` bytes from `offset`; nonzero on success. Every
    // successful Lock is followed by one Unlock with the same record.
    virtual int Lock(int32_t offset, int32_t bytes, tagCaptureLock* out) = 0;
    virtual void Unlock(const tagCaptureLock& locked) = 0;
};

// The platform's default sound input: DirectSound capture in the Windows
// builds, a silent memory source running on the steady clock natively.
// Nothing is opened until Start.
std::unique_ptr<ICaptureSource> CreateDefaultCaptureSource(int32_t samplesPerSecond);
