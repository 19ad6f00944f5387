// Shared pieces of the capture tests (header only: every .cpp in this folder
// is linked into each audio test): a parent that hands out surfaces of the
// build's back end and counts repaint requests, a listener that records its
// calls, and a scriptable capture source for the failure paths.
// Include it before the project's headers: <windows.h> renames DrawText,
// and every declaration of the surface must see the same name.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include "ui/drawsurface_win32.h"
#else
#include "ui/drawsurface_raster.h"
#endif

#include <cstring>
#include <vector>

#include "audio/capturesource.h"
#include "audio/cweventlistener.h"
#include "ui/controlinterfaces.h"
#include "ui/drawsurface.h"

// An off-screen surface of the build's back end (GDI needs an X display
// under Wine).
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

class CCaptureTestParent : public IPaintableParent {
public:
    explicit CCaptureTestParent(bool surfaces = true) : m_bSurfaces(surfaces) {}
    int Invalidate(const VdRect* rect) override {
        ++nInvalidations;
        if (rect != nullptr) lastInvalid = *rect;
        return 1;
    }
    CDrawSurface* CreateSurface(int width, int height) override {
        nWidth = width;
        nHeight = height;
        return m_bSurfaces ? MakeCaptureTestSurface(width, height) : nullptr;
    }
    int nInvalidations = 0;
    VdRect lastInvalid{0, 0, 0, 0};
    int nWidth = -1;
    int nHeight = -1;

private:
    bool m_bSurfaces;
};

class CCwRecorder : public ICwEventListener {
public:
    int OnCwEvent(void* sender, int32_t state) override {
        senders.push_back(sender);
        states.push_back(state);
        return 1;
    }
    std::vector<void*> senders;
    std::vector<int32_t> states;
};

// What each call of the scripted source answers.
struct tagSourceScript {
    int nStart = 1;
    int nOpen = 1;
    int nCapturing = 1;
    int nPosition = 1;
    int32_t nReadPos = 0;
    int32_t nBufferBytes = 88200;
    int nLock = 1;
    // Bytes the lock reports in each region; -1 means exactly as asked,
    // split at the end of the buffer.
    int32_t nBytes1 = -1;
    int32_t nBytes2 = -1;
};

class CScriptedCaptureSource : public ICaptureSource {
public:
    explicit CScriptedCaptureSource(const tagSourceScript& script) : m_script(script) {
        // Region memory holds whatever a lock may claim, filled with 0x1111.
        m_data.assign(2u * 200000u, 0x1111);
    }
    int Start() override { ++nStarts; return m_script.nStart; }
    int IsOpen() override { return m_script.nOpen; }
    int IsCapturing() override { return m_script.nCapturing; }
    int32_t GetBufferBytes() override { return m_script.nBufferBytes; }
    int GetCurrentPosition(int32_t* capturePos, int32_t* readPos) override {
        *capturePos = m_script.nReadPos;
        *readPos = m_script.nReadPos;
        return m_script.nPosition;
    }
    int Lock(int32_t offset, int32_t bytes, tagCaptureLock* out) override {
        ++nLocks;
        nLastOffset = offset;
        nLastBytes = bytes;
        if (!m_script.nLock) return 0;
        int32_t n1 = m_script.nBytes1;
        int32_t n2 = m_script.nBytes2;
        if (n1 < 0) {
            const int32_t toEnd = m_script.nBufferBytes - offset;
            n1 = bytes < toEnd ? bytes : toEnd;
            n2 = bytes - n1;
        }
        out->pData1 = m_data.data();
        out->nBytes1 = n1;
        out->pData2 = n2 > 0 ? m_data.data() + 100000 : nullptr;
        out->nBytes2 = n2;
        return 1;
    }
    void Unlock(const tagCaptureLock&) override { ++nUnlocks; }

    int nStarts = 0;
    int nLocks = 0;
    int nUnlocks = 0;
    int32_t nLastOffset = -1;
    int32_t nLastBytes = -1;

private:
    tagSourceScript m_script;
    std::vector<int16_t> m_data;
};
