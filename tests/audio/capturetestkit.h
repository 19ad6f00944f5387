// Shared pieces of the capture tests (header only: every .cpp here is linked
// into each audio test): surfaces of the build's back end, a parent that
// counts repaint requests, a recording listener and a scripted sound input.
// Include it first: <windows.h> renames DrawText for all that follows.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include "ui/drawsurface_win32.h"
#else
#include "ui/drawsurface_raster.h"
#endif

#include <vector>

#include "audio/capturesource.h"
#include "audio/cweventlistener.h"
#include "ui/controlinterfaces.h"

// GDI surfaces need an X display under Wine.
inline CDrawSurface* MakeCaptureTestSurface(int width, int height) {
#ifdef _WIN32
    HDC screen = GetDC(nullptr);
    CDrawSurface* s = new CGdiDrawSurface(screen, width, height);
    ReleaseDC(nullptr, screen);
    return s;
#else
    return new CRasterDrawSurface(width, height);
#endif
}

struct CCaptureTestParent : IPaintableParent {
    explicit CCaptureTestParent(bool surfaces = true) : bSurfaces(surfaces) {}
    int Invalidate(const VdRect*) override { return ++nInvalidations; }
    CDrawSurface* CreateSurface(int w, int h) override { return bSurfaces ? MakeCaptureTestSurface(w, h) : nullptr; }
    bool bSurfaces;
    int nInvalidations = 0;
};

struct CCwRecorder : ICwEventListener {
    int OnCwEvent(void* sender, int32_t state) override {
        senders.push_back(sender);
        states.push_back(state);
        return 1;
    }
    std::vector<void*> senders;
    std::vector<int32_t> states;
};

// What the scripted input answers. Lock regions: -1 means as asked, split
// at the end of the ring; the region memory holds 0x1111 samples.
struct tagSourceScript {
    int nStart = 1, nOpen = 1, nCapturing = 1, nPosition = 1, nLock = 1;
    int32_t nReadPos = 0, nBufferBytes = 88200, nBytes1 = -1, nBytes2 = -1;
};

struct CScriptedCaptureSource : ICaptureSource {
    explicit CScriptedCaptureSource(const tagSourceScript& s) : script(s), data(200000, 0x1111) {}
    int Start() override { return script.nStart; }
    int IsOpen() override { return script.nOpen; }
    int IsCapturing() override { return script.nCapturing; }
    int32_t GetBufferBytes() override { return script.nBufferBytes; }
    int GetCurrentPosition(int32_t* capturePos, int32_t* readPos) override {
        *capturePos = *readPos = script.nReadPos;
        return script.nPosition;
    }
    int Lock(int32_t offset, int32_t bytes, tagCaptureLock* out) override {
        ++nLocks;
        nLastOffset = offset;
        nLastBytes = bytes;
        const int32_t toEnd = script.nBufferBytes - offset;
        const int32_t n1 = script.nBytes1 >= 0 ? script.nBytes1 : (bytes < toEnd ? bytes : toEnd);
        const int32_t n2 = script.nBytes1 >= 0 ? script.nBytes2 : bytes - n1;
        *out = tagCaptureLock{data.data(), n1, n2 > 0 ? data.data() + 100000 : nullptr, n2};
        return script.nLock;
    }
    void Unlock(const tagCaptureLock&) override { ++nUnlocks; }
    tagSourceScript script;
    std::vector<int16_t> data;
    int nLocks = 0, nUnlocks = 0;
    int32_t nLastOffset = -1, nLastBytes = -1;
};
