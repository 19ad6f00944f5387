// The owner-drawn push and toggle button: state changes on mouse and hot-key
// events, the hover look, and the order in which its listeners hear a click.
#include "ui/vdbutton.h"

#include "ui/drawsurface.h"

namespace {

constexpr VdColor kBlack = 0x000000;
constexpr VdColor kGrey = 0x7F7F7F;
constexpr VdColor kWhite = 0xFFFFFF;
constexpr VdColor kPressedFill = 0xF0F0F0;
constexpr int kMaxCorner = 16;
constexpr unsigned kCaptionFormat = VD_DT_CENTER | VD_DT_VCENTER | VD_DT_SINGLELINE;

}  // namespace

CVdButton::CVdButton(IPaintableParent* parent, const char* caption, const VdRect* rect,
                     int toggleMode, CFontDesc* font)
    : m_pParent(parent),
      m_pFont(font),
      m_strCaption(caption ? caption : ""),
      m_rect(rect ? *rect : VdRect{0, 0, 0, 0}),
      m_nToggleMode(toggleMode) {}

CVdButton::~CVdButton() = default;

void CVdButton::RequestRepaint() {
    if (m_pParent) m_pParent->Invalidate(&m_rect);
}

int CVdButton::HitTest(int x, int y) {
    int inside = VdPtInRect(m_rect, x, y) ? 1 : 0;
    if (inside != m_nHover) {
        m_nHover = inside;
        RequestRepaint();
    }
    return (m_nHeld || inside) ? 1 : 0;
}

void CVdButton::GetRect(VdRect* out) {
    if (out) *out = m_rect;
}

void CVdButton::SetRect(const VdRect* r) {
    if (!r) return;
    m_rect = *r;
    RequestRepaint();
}

void CVdButton::SetCaption(const char* text) {
    m_strCaption = text ? text : "";
    RequestRepaint();
}

int CVdButton::OnPaint(void*, CDrawSurface* surface, const VdRect*) {
    if (!surface) return 1;
    if (m_nPressed) {
        surface->SetPenColor(kBlack);
        surface->SetBrushColor(kPressedFill);
    } else {
        surface->SetPenColor(m_nHover ? kBlack : kGrey);
        surface->SetBrushColor(kWhite);
    }
    int w = VdExtent(m_rect.left, m_rect.right);
    int h = VdExtent(m_rect.top, m_rect.bottom);
    VdRect r{0, 0, w, h};
    int cw = w / 2 < kMaxCorner ? w / 2 : kMaxCorner;
    int ch = h / 2 < kMaxCorner ? h / 2 : kMaxCorner;
    int corner = cw < ch ? cw : ch;
    surface->DrawRoundRect(&r, corner, corner);
    if (m_pFont) surface->SelectFont(m_pFont);
    surface->DrawText(&r, m_strCaption.c_str(), kCaptionFormat);
    return 1;
}

int CVdButton::OnMouseMove(void*, int x, int y) {
    if (m_pMouseMoveListener) return m_pMouseMoveListener->OnMouseMove(this, x, y);
    return 0;
}

int CVdButton::OnMouseDown(void*, int button, int x, int y) {
    m_nHeld = 1;
    m_nPressed = 1;
    RequestRepaint();
    if (m_pMouseKeyListener) m_pMouseKeyListener->OnMouseDown(this, button, x, y);
    return 1;
}

void CVdButton::Release() {
    if (m_nToggleMode == 1) {
        m_nToggleState = !m_nToggleState;
        m_nPressed = m_nToggleState;
    } else {
        m_nPressed = 0;
    }
}

int CVdButton::OnMouseUp(void*, int button, int x, int y) {
    m_nHeld = 0;
    Release();
    RequestRepaint();
    if (m_pMouseKeyListener) m_pMouseKeyListener->OnMouseUp(this, button, x, y);
    if (VdPtInRect(m_rect, x + m_rect.left, y + m_rect.top)) OnClick(this);
    return 1;
}

int CVdButton::OnKeyDown(void*, int key) {
    if (key != m_nHotKey || m_nHotKey == 0) return 0;
    m_nPressed = 1;
    RequestRepaint();
    if (m_pKeyboardListener) m_pKeyboardListener->OnKeyDown(this, key);
    return 1;
}

int CVdButton::OnKeyUp(void*, int key) {
    if (key != m_nHotKey || m_nHotKey == 0) return 0;
    Release();
    RequestRepaint();
    if (m_pKeyboardListener) m_pKeyboardListener->OnKeyUp(this, key);
    OnClick(this);
    return 1;
}

int CVdButton::OnClick(void*) {
    int result = 0;
    if (m_pKeyboardListener) result = m_pKeyboardListener->OnClick(this);
    if (result == 0 && m_pMouseKeyListener) result = m_pMouseKeyListener->OnClick(this);
    return result;
}
