// CVdButton: the owner-drawn push button, a rounded rectangle with a centred
// caption. It is pressed with either mouse button or with its hot key, shows
// hover and pressed states, and reports to up to three listeners. A button
// in toggle mode latches: every release flips its state and it stays drawn
// pressed while the state is set.
#pragma once

#include <cstdint>
#include <string>

#include "ui/controlinterfaces.h"
#include "ui/vdtypes.h"

class CFontDesc;

class CVdButton : public IPaintEventControl,
                  public IMouseMoveEventControl,
                  public IMouseKeyEventControl,
                  public IKeyboardEventControl,
                  public IUserData {
public:
    // toggleMode 1 makes a toggle button, any other value a push button.
    // The caption (null = empty) and the rectangle are copied; the font may
    // be null and is not owned.
    CVdButton(IPaintableParent* parent, const char* caption, const VdRect* rect, int toggleMode,
              CFontDesc* font);
    CVdButton(const CVdButton&) = delete;
    CVdButton& operator=(const CVdButton&) = delete;

    // IControl, shared by the paint, mouse-move and mouse-key parts. HitTest
    // follows the hover state and claims every point while a mouse button
    // that went down on the button is still held.
    int HitTest(int x, int y) override;
    void GetRect(VdRect* out) override;
    virtual ~CVdButton();
    // New rectangle; repaints the new rectangle only.
    virtual void SetRect(const VdRect* r);
    virtual void SetCaption(const char* text);

    void SetHotKey(int key) { m_nHotKey = key; }  // 0: no hot key
    void SetKeyboardListener(IKeyboardEventListener* l) { m_pKeyboardListener = l; }
    void SetMouseMoveListener(IMouseMoveEventListener* l) { m_pMouseMoveListener = l; }
    void SetMouseKeyListener(IMouseKeyEventListener* l) { m_pMouseKeyListener = l; }

    void SetUserData(uintptr_t value) override { m_nUserData = value; }
    uintptr_t GetUserData() override { return m_nUserData; }

    int OnPaint(void* sender, CDrawSurface* surface, const VdRect* clip) override;
    int OnMouseMove(void* sender, int x, int y) override;
    int OnMouseDown(void* sender, int button, int x, int y) override;
    int OnMouseUp(void* sender, int button, int x, int y) override;
    int OnKeyDown(void* sender, int key) override;
    int OnKeyUp(void* sender, int key) override;
    // Offered to the keyboard listener first, then, if it did not take it,
    // to the mouse-key listener.
    int OnClick(void* sender) override;

    const char* GetCaption() const { return m_strCaption.c_str(); }
    int GetHotKey() const { return m_nHotKey; }
    int GetToggleState() const { return m_nToggleState; }
    int IsPressed() const { return m_nPressed; }

private:
    void Release();
    void RequestRepaint();

    IPaintableParent* m_pParent;
    CFontDesc* m_pFont;
    std::string m_strCaption;
    VdRect m_rect;
    int m_nToggleMode;
    int m_nPressed = 0;
    int m_nHover = 0;
    int m_nHotKey = 0;
    int m_nToggleState = 0;
    int m_nHeld = 0;
    IKeyboardEventListener* m_pKeyboardListener = nullptr;
    IMouseMoveEventListener* m_pMouseMoveListener = nullptr;
    IMouseKeyEventListener* m_pMouseKeyListener = nullptr;
    uintptr_t m_nUserData = 0;
};
