// Window host over an HWND (see windowhost_win32.h).
#include "ui/windowhost_win32.h"

#include "ui/drawsurface_win32.h"
#include "ui/gdihandles_win32.h"

CHwndWindowHost::CHwndWindowHost(HWND window) : m_hWnd(window) {}

CHwndWindowHost::~CHwndWindowHost() = default;

int CHwndWindowHost::Invalidate(const VdRect* rect) {
    return InvalidateRect(m_hWnd, reinterpret_cast<const RECT*>(rect), TRUE) ? 1 : 0;
}

CDrawSurface* CHwndWindowHost::CreateWindowSurface() { return new CGdiDrawSurface(m_hWnd); }

CDrawSurface* CHwndWindowHost::CreateSurface(int width, int height) {
    CWindowDC dc(m_hWnd);
    return new CGdiDrawSurface(dc.Get(), width, height);
}

void CHwndWindowHost::GetClientRect(VdRect* out) {
    if (out != nullptr && !::GetClientRect(m_hWnd, reinterpret_cast<RECT*>(out))) {
        *out = VdRect{0, 0, 0, 0};
    }
}

void CHwndWindowHost::GetWindowRect(VdRect* out) {
    if (out != nullptr && !::GetWindowRect(m_hWnd, reinterpret_cast<RECT*>(out))) {
        *out = VdRect{0, 0, 0, 0};
    }
}
