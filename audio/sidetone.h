// ISidetone: a keyed sidetone as the station uses it: set the tone, open
// the output for a window, start and stop the tone. The sidetone player
// (toneplayer.h) is the station's one sidetone; it prefers a streamed
// sidetone behind this interface (sidetonestream.h) and falls back to its
// own looping-buffer output when the stream cannot be opened.
#pragma once

class ISidetone {
public:
    virtual ~ISidetone() = default;
    // Tone frequency in Hz and peak amplitude as a fraction of full scale;
    // set before Init.
    virtual void SetFrequency(double hz) = 0;
    virtual void SetVolume(double volume) = 0;
    // Rise and fall time of the tone's edges in ms (0 to 10; 0 keys the
    // tone abruptly); set before Init.
    virtual void SetEdgeMs(double ms) = 0;
    // Opens the default output device for the window. Nonzero on success.
    virtual int Init(void* windowHandle) = 0;
    // Start and stop the tone, from any thread; they never block on the
    // sound device. Nonzero on success.
    virtual int ToneOn() = 0;
    virtual int ToneOff() = 0;
};
