// CEventDispatcherWin32: message decoding, broadcast dispatch to the
// registered controls and the double-buffered paint pass. Nothing here
// depends on the windowing platform except the message numbers, so the same
// code runs in the Windows build and natively over the headless host.
#include "ui/eventdispatcher.h"

#include <algorithm>

#include "ui/drawsurface.h"
#include "ui/windowhost.h"

namespace {

// Removes the first entry equal to p; later duplicates stay.
template <typename T>
void RemoveFirst(std::vector<T*>* list, T* p) {
    auto it = std::find(list->begin(), list->end(), p);
    if (it != list->end()) {
        list->erase(it);
    }
}

// The signed 16-bit halves of a mouse message's lParam.
int LowSigned(VdLParam lParam) { return static_cast<int16_t>(static_cast<uint16_t>(lParam & 0xFFFF)); }
int HighSigned(VdLParam lParam) {
    return static_cast<int16_t>(static_cast<uint16_t>((static_cast<uintptr_t>(lParam) >> 16) & 0xFFFF));
}

}  // namespace

CEventDispatcherWin32::CEventDispatcherWin32(IWindowHost* host)
    : m_pSurface(host != nullptr ? host->CreateWindowSurface() : nullptr), m_pHost(host) {}

CEventDispatcherWin32::~CEventDispatcherWin32() { delete m_pSurface; }

int CEventDispatcherWin32::Invalidate(const VdRect* rect) {
    return m_pHost != nullptr ? m_pHost->Invalidate(rect) : 0;
}

CDrawSurface* CEventDispatcherWin32::CreateSurface(int width, int height) {
    return m_pHost != nullptr ? m_pHost->CreateSurface(width, height) : nullptr;
}

int CEventDispatcherWin32::HandleMessage(unsigned msg, VdWParam wParam, VdLParam lParam) {
    int x = LowSigned(lParam);
    int y = HighSigned(lParam);
    switch (msg) {
    case VD_WM_PAINT: return HandlePaint();
    case VD_WM_ERASEBKGND: HandleEraseBackground(); return 1;
    case VD_WM_KEYDOWN: return HandleKeyDown(static_cast<int>(wParam));
    case VD_WM_KEYUP: return HandleKeyUp(static_cast<int>(wParam));
    case VD_WM_COMMAND: {
        unsigned id = static_cast<unsigned>(wParam & 0xFFFF);
        return id == 0 ? 0 : HandleCommand(id);
    }
    case VD_WM_TIMER: return HandleTimer(static_cast<unsigned>(wParam));
    case VD_WM_MOUSEMOVE: return HandleMouseMove(x, y);
    case VD_WM_LBUTTONDOWN: return HandleMouseDown(VD_MOUSE_LEFT, x, y);
    case VD_WM_LBUTTONUP: return HandleMouseUp(VD_MOUSE_LEFT, x, y);
    case VD_WM_RBUTTONDOWN: return HandleMouseDown(VD_MOUSE_RIGHT, x, y);
    case VD_WM_RBUTTONUP: return HandleMouseUp(VD_MOUSE_RIGHT, x, y);
    default: return 0;
    }
}

void CEventDispatcherWin32::AddPaintControl(IPaintEventControl* c) { m_paintControls.push_back(c); }
void CEventDispatcherWin32::AddMouseMoveControl(IMouseMoveEventControl* c) { m_mouseMoveControls.push_back(c); }
void CEventDispatcherWin32::AddKeyboardControl(IKeyboardEventControl* c) { m_keyboardControls.push_back(c); }
void CEventDispatcherWin32::AddMouseKeyControl(IMouseKeyEventControl* c) { m_mouseKeyControls.push_back(c); }
void CEventDispatcherWin32::AddTimerControl(ITimerEventControl* c) { m_timerControls.push_back(c); }
void CEventDispatcherWin32::AddCommandControl(ICommandEventControl* c) { m_commandControls.push_back(c); }

void CEventDispatcherWin32::RemovePaintControl(IPaintEventControl* c) { RemoveFirst(&m_paintControls, c); }
void CEventDispatcherWin32::RemoveMouseMoveControl(IMouseMoveEventControl* c) {
    RemoveFirst(&m_mouseMoveControls, c);
}
void CEventDispatcherWin32::RemoveKeyboardControl(IKeyboardEventControl* c) { RemoveFirst(&m_keyboardControls, c); }
void CEventDispatcherWin32::RemoveMouseKeyControl(IMouseKeyEventControl* c) { RemoveFirst(&m_mouseKeyControls, c); }
void CEventDispatcherWin32::RemoveTimerControl(ITimerEventControl* c) { RemoveFirst(&m_timerControls, c); }
void CEventDispatcherWin32::RemoveCommandControl(ICommandEventControl* c) { RemoveFirst(&m_commandControls, c); }

int CEventDispatcherWin32::HandleEraseBackground() { return 1; }

int CEventDispatcherWin32::HandlePaint() {
    if (m_pSurface == nullptr) {
        return 0;
    }
    int result = 0;
    m_pSurface->BeginPaint();
    for (IPaintEventControl* c : m_paintControls) {
        VdRect r;
        c->GetRect(&r);
        // Without an update rectangle every control paints; its clip is then
        // its own bounds (the clip is advisory).
        VdRect clip{0, 0, VdExtent(r.left, r.right), VdExtent(r.top, r.bottom)};
        const VdRect* u = m_pSurface->GetPaintRect();
        if (u != nullptr) {
            VdRect meet;
            if (!VdIntersectRect(&meet, *u, r)) {
                continue;
            }
            clip = VdRect{VdExtent(r.left, meet.left), VdExtent(r.top, meet.top), VdExtent(r.left, meet.right),
                          VdExtent(r.top, meet.bottom)};
        }
        m_pSurface->SetOrigin(r.left, r.top);
        result |= c->OnPaint(c, m_pSurface, &clip);
    }
    m_pSurface->EndPaint();
    return result;
}

int CEventDispatcherWin32::HandleMouseMove(int x, int y) {
    int result = 0;
    for (IMouseMoveEventControl* c : m_mouseMoveControls) {
        if (c->HitTest(x, y)) {
            VdRect r;
            c->GetRect(&r);
            result |= c->OnMouseMove(c, x - r.left, y - r.top);
        }
    }
    return result;
}

int CEventDispatcherWin32::HandleKeyDown(int key) {
    int result = 0;
    for (IKeyboardEventControl* c : m_keyboardControls) {
        result |= c->OnKeyDown(c, key);
    }
    return result;
}

int CEventDispatcherWin32::HandleKeyUp(int key) {
    int result = 0;
    for (IKeyboardEventControl* c : m_keyboardControls) {
        result |= c->OnKeyUp(c, key);
    }
    return result;
}

int CEventDispatcherWin32::HandleMouseDown(int button, int x, int y) {
    int result = 0;
    for (IMouseKeyEventControl* c : m_mouseKeyControls) {
        if (c->HitTest(x, y)) {
            VdRect r;
            c->GetRect(&r);
            result |= c->OnMouseDown(c, button, x - r.left, y - r.top);
        }
    }
    return result;
}

int CEventDispatcherWin32::HandleMouseUp(int button, int x, int y) {
    int result = 0;
    for (IMouseKeyEventControl* c : m_mouseKeyControls) {
        if (c->HitTest(x, y)) {
            VdRect r;
            c->GetRect(&r);
            result |= c->OnMouseUp(c, button, x - r.left, y - r.top);
        }
    }
    return result;
}

int CEventDispatcherWin32::HandleTimer(unsigned id) {
    int result = 0;
    for (ITimerEventControl* c : m_timerControls) {
        result |= c->OnTimer(c, id);
    }
    return result;
}

int CEventDispatcherWin32::HandleCommand(unsigned id) {
    int result = 0;
    for (ICommandEventControl* c : m_commandControls) {
        result |= c->OnCommand(c, id);
    }
    return result;
}
