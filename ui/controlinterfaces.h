// The small interfaces through which owner-drawn controls take events from
// the event dispatcher and report them to their listeners. A control derives
// from one event-control interface per kind of event it wants. Every listener
// operation gets its sender first (used only for identity comparison) and
// returns nonzero when it handled the event.
#pragma once

#include <cstdint>

#include "ui/vdtypes.h"

class CDrawSurface;

class IControl {
public:
    // Nonzero if the window point (x, y) belongs to the control.
    virtual int HitTest(int x, int y) = 0;
    // The control's rectangle in window coordinates.
    virtual void GetRect(VdRect* out) = 0;

protected:
    ~IControl() = default;
};

class IPaintEventListener {
public:
    virtual int OnPaint(void* sender, CDrawSurface* surface, const VdRect* clip) = 0;

protected:
    ~IPaintEventListener() = default;
};

class IPaintEventControl : public IControl, public IPaintEventListener {
protected:
    ~IPaintEventControl() = default;
};

class IMouseMoveEventListener {
public:
    // x, y in control coordinates.
    virtual int OnMouseMove(void* sender, int x, int y) = 0;

protected:
    ~IMouseMoveEventListener() = default;
};

class IMouseMoveEventControl : public IControl, public IMouseMoveEventListener {
protected:
    ~IMouseMoveEventControl() = default;
};

class IClickEventListener {
public:
    virtual int OnClick(void* sender) = 0;

protected:
    ~IClickEventListener() = default;
};

class IMouseKeyEventListener : public IClickEventListener {
public:
    // button: 1 left, 3 right; x, y in control coordinates.
    virtual int OnMouseDown(void* sender, int button, int x, int y) = 0;
    virtual int OnMouseUp(void* sender, int button, int x, int y) = 0;

protected:
    ~IMouseKeyEventListener() = default;
};

class IMouseKeyEventControl : public IControl, public IMouseKeyEventListener {
protected:
    ~IMouseKeyEventControl() = default;
};

class IKeyboardEventListener : public IClickEventListener {
public:
    // key: the virtual-key code of the key message.
    virtual int OnKeyDown(void* sender, int key) = 0;
    virtual int OnKeyUp(void* sender, int key) = 0;

protected:
    ~IKeyboardEventListener() = default;
};

// Keyboard events are not tied to a position, so this has no IControl part.
class IKeyboardEventControl : public IKeyboardEventListener {
protected:
    ~IKeyboardEventControl() = default;
};

class ITimerEventListener {
public:
    virtual int OnTimer(void* sender, unsigned id) = 0;

protected:
    ~ITimerEventListener() = default;
};

class ITimerEventControl : public ITimerEventListener {
protected:
    ~ITimerEventControl() = default;
};

class ICommandEventListener {
public:
    virtual int OnCommand(void* sender, unsigned id) = 0;

protected:
    ~ICommandEventListener() = default;
};

class ICommandEventControl : public ICommandEventListener {
protected:
    ~ICommandEventControl() = default;
};

class IUserData {
public:
    virtual void SetUserData(uintptr_t value) = 0;
    virtual uintptr_t GetUserData() = 0;

protected:
    ~IUserData() = default;
};

class IPaintableParent {
public:
    // Asks for a repaint of rect (window coordinates; null = whole client
    // area). Callable from any thread.
    virtual int Invalidate(const VdRect* rect) = 0;
    // A new off-screen surface of the given size; the caller owns it.
    virtual CDrawSurface* CreateSurface(int width, int height) = 0;

protected:
    ~IPaintableParent() = default;
};
