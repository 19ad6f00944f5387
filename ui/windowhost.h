// IWindowHost: what the GUI framework needs of the window it lives in. The
// Windows builds wrap a real HWND (windowhost_win32.cpp); natively a headless
// host records invalidations and makes raster surfaces
// (windowhost_headless.cpp), so the whole framework and the station run and
// are tested without a display.
#pragma once

#include "ui/vdtypes.h"

class CDrawSurface;

class IWindowHost {
public:
    virtual ~IWindowHost() = default;
    // Repaint request; null means the whole client area. Any thread.
    virtual int Invalidate(const VdRect* rect) = 0;
    // The window surface: back buffer of the current client size, white.
    virtual CDrawSurface* CreateWindowSurface() = 0;
    // An off-screen surface compatible with the window.
    virtual CDrawSurface* CreateSurface(int width, int height) = 0;
    virtual void GetClientRect(VdRect* out) = 0;
    // Outer rectangle in screen coordinates.
    virtual void GetWindowRect(VdRect* out) = 0;
    // The platform window (an HWND in the Windows builds, null headless).
    virtual void* GetNativeHandle() = 0;
};
