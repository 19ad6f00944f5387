// CTonePlayer: the sidetone. The tone is synthesised once per frequency and
// volume into a looping buffer of whole periods; keying is only a rewind and
// play, and a stop. A silent keep-alive loop plays from Init until the
// player is destroyed, so the sound device never idles between elements.
//
// Where the platform has a streamed output (renderendpoint.h), the player
// first tries a CSidetoneStream, which plays the same loop from a render
// thread that is never idle and follows the key to the sample; only when
// that cannot be opened does it use the looping-buffer output. Setting the
// environment variable VARDO_SIDETONE to "directsound" skips the stream
// (for comparing the two).
//
// Use: construct, SetFrequency(beepfreq), SetVolume(beepvol), then
// Init(window handle) when the station starts; ToneOn/ToneOff from any
// thread. The player takes no lock: the output's calls are safe on their
// own, and frequency and volume are set before Init. Before a successful
// Init (or after a failed one) ToneOn and ToneOff do nothing and return 0.
#pragma once

#include "audio/renderendpoint.h"
#include "audio/sidetone.h"
#include "audio/toneoutput.h"

#include <atomic>
#include <cstdint>
#include <memory>

class CTonePlayer {
public:
    // With the platform's output (CreateToneOutput), preferring the
    // platform's stream unless a tone output factory is installed (tests
    // keep their recording output) or VARDO_SIDETONE says "directsound".
    CTonePlayer();
    // With the given output; a null one is replaced by the platform's.
    explicit CTonePlayer(std::unique_ptr<IToneOutput> output);
    // With the given output, preferring a stream on endpoints from the
    // factory (null: no stream).
    CTonePlayer(std::unique_ptr<IToneOutput> output, RenderEndpointFactory endpoints);
    // Releases the tone buffer, then the keep-alive buffer, then the device.
    ~CTonePlayer();
    CTonePlayer(const CTonePlayer&) = delete;
    CTonePlayer& operator=(const CTonePlayer&) = delete;

    // Sizes the loop for hz; the same value again changes nothing. Takes
    // effect at the next Init.
    void SetFrequency(double hz);
    // Peak amplitude as a fraction of full scale (0 to 1.0, not clamped;
    // samples saturate beyond it); the same value again changes nothing.
    void SetVolume(double volume);
    // Rise and fall of the tone's edges in ms, 0 (abrupt, the default) to
    // 10. Only the streamed output shapes edges; the looping buffer keys
    // abruptly as it always has.
    void SetEdgeMs(double ms) { m_fEdgeMs = ms; }
    // Opens the stream when there is one; otherwise, or when it fails,
    // opens the default device with priority for the window, starts the
    // keep-alive loop, creates and fills the tone loop. Nonzero on success;
    // the flags tell how far a failed one got. A second Init starts afresh.
    int Init(void* windowHandle);
    // Starts the tone from sample 0 (a second ToneOn restarts it); a lost
    // buffer is restored, refilled and started again. Nonzero on success.
    int ToneOn();
    // Stops the tone at once. Nonzero on success.
    int ToneOff();

    // The output the player drives (a CToneNullOutput in native builds).
    IToneOutput* GetOutput() const { return m_pOutput.get(); }

    // Whether keying goes to the stream (set by a successful Init).
    bool IsStreaming() const { return m_bStreaming.load() != 0; }

    double GetFrequency() const { return m_fFrequency; }
    double GetVolume() const { return m_fVolume; }
    double GetBufferMs() const { return m_fBufferMs; }
    // Byte count of the tone loop for the current frequency.
    int32_t GetBufferBytes() const;
    int32_t IsDeviceReady() const { return m_bDeviceReady.load(); }
    int32_t IsBufferCreated() const { return m_bBufferCreated.load(); }
    int32_t IsBufferFilled() const { return m_bBufferFilled.load(); }

private:
    // Locks the whole tone buffer, writes the tone, unlocks. Nonzero on
    // success; also stored in the filled flag.
    int FillBuffer();
    void ReleaseAll();

    std::unique_ptr<IToneOutput> m_pOutput;
    // The preferred streamed sidetone, if any; dropped when it fails to open.
    std::unique_ptr<ISidetone> m_pStream;
    std::atomic<int32_t> m_bStreaming{0};
    double m_fEdgeMs = 0.0;
    double m_fBufferMs = 0.0;
    double m_fFrequency = 0.0;
    double m_fVolume = 1.0;
    // Byte count and frequency of the tone buffer as created, for refills.
    uint32_t m_nToneBytes = 0;
    double m_fToneFrequency = 0.0;
    // Written by Init and by a refill after a lost buffer (any keying
    // thread), read by anyone.
    std::atomic<int32_t> m_bDeviceReady{0};
    std::atomic<int32_t> m_bBufferCreated{0};
    std::atomic<int32_t> m_bBufferFilled{0};
    // Set while the tone buffer exists: keying acts only then.
    std::atomic<int32_t> m_bToneReady{0};
};
