// CHwndWindowHost: the window host of the Windows build, over a real HWND
// (not owned). Surfaces it makes are GDI surfaces compatible with the window.
#pragma once

#include <windows.h>

#include "ui/windowhost.h"

class CHwndWindowHost : public IWindowHost {
public:
    explicit CHwndWindowHost(HWND window);
    ~CHwndWindowHost() override;
    CHwndWindowHost(const CHwndWindowHost&) = delete;
    CHwndWindowHost& operator=(const CHwndWindowHost&) = delete;

    // InvalidateRect(window, rect, TRUE); null means the whole client area.
    int Invalidate(const VdRect* rect) override;
    CDrawSurface* CreateWindowSurface() override;
    CDrawSurface* CreateSurface(int width, int height) override;
    void GetClientRect(VdRect* out) override;
    void GetWindowRect(VdRect* out) override;
    void* GetNativeHandle() override { return m_hWnd; }

    HWND GetWindow() const { return m_hWnd; }

private:
    HWND m_hWnd;
};
