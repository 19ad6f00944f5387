// IToneOutput: the looping audio output under the sidetone player. It holds
// one device and two looping buffers of the fixed sidetone format (PCM mono
// 16-bit 44100 Hz): a silent keep-alive loop that plays from Init until the
// player goes, and the tone loop that keying rewinds, plays and stops. The
// calls follow the sound device closely, each returning a result code that
// is negative on failure, so the player's recovery from a lost buffer is the
// same on every back end. Windows builds use DirectSound
// (toneoutput_win32.cpp); native builds use the recording null back end
// (tonenulloutput.h), which tests can also install on Windows.
#pragma once

#include <cstdint>
#include <memory>

// Result codes, valued as the sound device's own.
constexpr int32_t TONE_OK = 0;
constexpr int32_t TONE_E_FAIL = static_cast<int32_t>(0x80004005u);
constexpr int32_t TONE_E_INVALIDCALL = static_cast<int32_t>(0x88780032u);
// The buffer's memory was taken away (another application took the device):
// Restore it, and refill it where it held data.
constexpr int32_t TONE_E_BUFFERLOST = static_cast<int32_t>(0x88780096u);

inline bool ToneSucceeded(int32_t hr) { return hr >= 0; }

// The two buffers of an output.
enum ToneBuffer : int {
    TONE_BUFFER_KEEPALIVE = 0,
    TONE_BUFFER_TONE = 1,
    TONE_BUFFER_COUNT = 2,
};

class IToneOutput {
public:
    virtual ~IToneOutput() = default;
    // Opens the default output device.
    virtual int32_t CreateDevice() = 0;
    // Priority cooperation with the given window (an HWND on Windows).
    virtual int32_t SetPriority(void* windowHandle) = 0;
    // Creates the buffer of nBytes in the sidetone format, static and
    // audible whichever window has the focus. Replaces one already there.
    virtual int32_t CreateBuffer(int buffer, uint32_t nBytes) = 0;
    virtual bool HasBuffer(int buffer) const = 0;
    // Plays the buffer looping from its current position.
    virtual int32_t Play(int buffer) = 0;
    // Moves the play position to the first byte.
    virtual int32_t Rewind(int buffer) = 0;
    virtual int32_t Stop(int buffer) = 0;
    // Gets a lost buffer's memory back (its contents are then undefined).
    virtual int32_t Restore(int buffer) = 0;
    // Locks nBytes from offset 0, or the whole buffer when entire is set;
    // gives the writable region and its length.
    virtual int32_t Lock(int buffer, uint32_t nBytes, bool entire, void** data, uint32_t* locked) = 0;
    virtual int32_t Unlock(int buffer, void* data, uint32_t locked) = 0;
    // Releases the buffer, if present.
    virtual void ReleaseBuffer(int buffer) = 0;
    // Releases the device, if present.
    virtual void ReleaseDevice() = 0;
};

// The platform's output: DirectSound on Windows, the null back end natively;
// or what the factory installed below makes.
std::unique_ptr<IToneOutput> CreateToneOutput();

// Replaces the factory CreateToneOutput uses (null: the platform default);
// returns the one before. Lets tests of the station give every player a
// recording output. Set it before players are made, from one thread.
using ToneOutputFactory = std::unique_ptr<IToneOutput> (*)();
ToneOutputFactory SetToneOutputFactory(ToneOutputFactory factory);

// The platform default, whatever factory is installed.
std::unique_ptr<IToneOutput> CreatePlatformToneOutput();
