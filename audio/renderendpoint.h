// IRenderEndpoint: the default sound output as a stream that is fed one
// device period at a time, for a render thread that writes silence or tone
// into it without pause. All calls come from that one thread, which opens,
// uses and closes the endpoint. Windows builds use the shared-mode audio
// engine (renderendpoint_win32.cpp); native builds have none (a null
// factory), and tests supply fakes.
#pragma once

#include <cstdint>
#include <memory>

class IRenderEndpoint {
public:
    virtual ~IRenderEndpoint() = default;
    // Opens the current default output for a mono 16-bit stream and starts
    // it. Nonzero on success.
    virtual int Open() = 0;
    // Samples per second of the opened stream (the endpoint converts mono
    // 16-bit samples to the device's format, but not the rate).
    virtual int32_t GetSampleRate() const = 0;
    // The device's period, in frames.
    virtual uint32_t GetPeriodFrames() const = 0;
    // Waits until the device wants data, at most timeoutMs. 1 when it
    // does, 0 on time-out, -1 when the device failed.
    virtual int WaitForPeriod(uint32_t timeoutMs) = 0;
    // Frames that can be written now; negative when the device is gone.
    virtual int32_t GetWritableFrames() = 0;
    // Writes frames mono samples. Nonzero on success.
    virtual int Write(const int16_t* samples, uint32_t frames) = 0;
    // Set once the system's default output has changed since Open.
    virtual bool DefaultChanged() = 0;
    // Stops and closes the stream; Open may follow.
    virtual void Close() = 0;
};

using RenderEndpointFactory = std::unique_ptr<IRenderEndpoint> (*)();

// The platform's endpoint, or null where the platform has none.
std::unique_ptr<IRenderEndpoint> CreatePlatformRenderEndpoint();
// Whether the platform has one at all (false natively).
bool HasPlatformRenderEndpoint();
