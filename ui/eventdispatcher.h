// CEventDispatcherWin32: receives every message of the main window first,
// turns the ones it knows into calls on the registered controls, and paints
// all paint controls into one double-buffered window surface. Only
// HandleMessage knows window messages; the lists and the dispatch operations
// are portable, so controls can be driven by calling them directly.
#pragma once

#include <vector>

#include "ui/controlinterfaces.h"
#include "ui/vdtypes.h"

class CDrawSurface;
class IWindowHost;

class CEventDispatcherWin32 : public IPaintableParent {
public:
    // The host is not owned; the window surface is created from it at once
    // with the client size of this moment.
    explicit CEventDispatcherWin32(IWindowHost* host);
    CEventDispatcherWin32(const CEventDispatcherWin32&) = delete;
    CEventDispatcherWin32& operator=(const CEventDispatcherWin32&) = delete;

    int Invalidate(const VdRect* rect) override;
    CDrawSurface* CreateSurface(int width, int height) override;
    virtual ~CEventDispatcherWin32();

    virtual int HandleMessage(unsigned msg, VdWParam wParam, VdLParam lParam);

    virtual void AddPaintControl(IPaintEventControl* c);
    virtual void AddMouseMoveControl(IMouseMoveEventControl* c);
    virtual void AddKeyboardControl(IKeyboardEventControl* c);
    virtual void AddMouseKeyControl(IMouseKeyEventControl* c);
    virtual void AddTimerControl(ITimerEventControl* c);
    virtual void AddCommandControl(ICommandEventControl* c);

    virtual int HandleEraseBackground();
    virtual int HandlePaint();
    virtual int HandleMouseMove(int x, int y);
    virtual int HandleKeyDown(int key);
    virtual int HandleKeyUp(int key);
    virtual int HandleMouseDown(int button, int x, int y);
    virtual int HandleMouseUp(int button, int x, int y);
    virtual int HandleTimer(unsigned id);
    virtual int HandleCommand(unsigned id);

    virtual void RemovePaintControl(IPaintEventControl* c);
    virtual void RemoveMouseMoveControl(IMouseMoveEventControl* c);
    virtual void RemoveKeyboardControl(IKeyboardEventControl* c);
    virtual void RemoveMouseKeyControl(IMouseKeyEventControl* c);
    virtual void RemoveTimerControl(ITimerEventControl* c);
    virtual void RemoveCommandControl(ICommandEventControl* c);

    IWindowHost* GetHost() const { return m_pHost; }
    // The back buffer, for tests and screenshots.
    CDrawSurface* GetWindowSurface() const { return m_pSurface; }

private:
    std::vector<IPaintEventControl*> m_paintControls;
    std::vector<IMouseMoveEventControl*> m_mouseMoveControls;
    std::vector<IKeyboardEventControl*> m_keyboardControls;
    std::vector<IMouseKeyEventControl*> m_mouseKeyControls;
    std::vector<ITimerEventControl*> m_timerControls;
    std::vector<ICommandEventControl*> m_commandControls;
    CDrawSurface* m_pSurface;
    IWindowHost* m_pHost;
};
