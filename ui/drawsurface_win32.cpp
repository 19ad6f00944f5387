// GDI back end of CDrawSurface (see drawsurface_win32.h). Pens and the brush
// are made once per colour change and selected only for the call that uses
// them; the bitmap stays selected for the surface's life.
#include "ui/drawsurface_win32.h"

#include <cstring>

#include "ui/fontdesc.h"

static_assert(sizeof(VdRect) == sizeof(RECT), "VdRect must match RECT");

CGdiDrawSurface::CGdiDrawSurface(HWND window)
    : m_hWnd(window),
      m_hWindowDC(nullptr),
      m_paint(),
      m_nOriginX(0),
      m_nOriginY(0),
      m_crPen(0),
      m_crBrush(0xFFFFFF),
      m_hFont(nullptr),
      m_bounds() {
    std::memset(&m_paint, 0, sizeof(m_paint));
    ::GetClientRect(window, &m_bounds);
    {
        CWindowDC windowDC(window);
        m_memDC.Create(windowDC.Get());
        m_bitmap.Reset(CreateCompatibleBitmap(windowDC.Get(), m_bounds.right, m_bounds.bottom));
    }
    m_bitmapSelection.Select(m_memDC.Get(), m_bitmap.Get());
    MakeTools();
    ::FillRect(m_memDC.Get(), &m_bounds, m_brush.Get());
}

CGdiDrawSurface::CGdiDrawSurface(HDC dc, int width, int height)
    : m_hWnd(nullptr),
      m_hWindowDC(nullptr),
      m_paint(),
      m_nOriginX(0),
      m_nOriginY(0),
      m_crPen(0),
      m_crBrush(0xFFFFFF),
      m_hFont(nullptr),
      m_bounds{0, 0, width, height} {
    std::memset(&m_paint, 0, sizeof(m_paint));
    m_memDC.Create(dc);
    m_bitmap.Reset(CreateCompatibleBitmap(dc, width, height));
    m_bitmapSelection.Select(m_memDC.Get(), m_bitmap.Get());
    MakeTools();
}

CGdiDrawSurface::~CGdiDrawSurface() {
    // A pass still open is closed so the window is not left mid-paint.
    if (m_hWindowDC != nullptr) {
        ::EndPaint(m_hWnd, &m_paint);
    }
}

void CGdiDrawSurface::MakeTools() {
    m_solidPen.Reset(CreatePen(PS_SOLID, 1, m_crPen));
    m_brokenPen.Reset(CreatePen(PS_DASH, 1, m_crPen));
    m_brush.Reset(CreateSolidBrush(m_crBrush));
}

void CGdiDrawSurface::BeginPaint() {
    if (m_hWnd == nullptr || m_hWindowDC != nullptr) {
        return;
    }
    m_hWindowDC = ::BeginPaint(m_hWnd, &m_paint);
    SetBkMode(m_memDC.Get(), TRANSPARENT);
}

void CGdiDrawSurface::EndPaint() {
    if (m_hWnd == nullptr || m_hWindowDC == nullptr) {
        return;
    }
    const RECT& u = m_paint.rcPaint;
    BitBlt(m_hWindowDC, u.left, u.top, u.right - u.left, u.bottom - u.top, m_memDC.Get(), u.left, u.top, SRCCOPY);
    ::EndPaint(m_hWnd, &m_paint);
    m_hWindowDC = nullptr;
}

const VdRect* CGdiDrawSurface::GetPaintRect() {
    return m_memDC.Get() != nullptr ? reinterpret_cast<const VdRect*>(&m_paint.rcPaint) : nullptr;
}

void CGdiDrawSurface::SetOrigin(int x, int y) {
    m_nOriginX = x;
    m_nOriginY = y;
}

void CGdiDrawSurface::SetPenColor(VdColor c) {
    m_crPen = c;
    m_solidPen.Reset(CreatePen(PS_SOLID, 1, c));
    m_brokenPen.Reset(CreatePen(PS_DOT, 1, c));
}

void CGdiDrawSurface::SetBrushColor(VdColor c) {
    m_crBrush = c;
    m_brush.Reset(CreateSolidBrush(c));
    SetBkColor(m_memDC.Get(), c);
}

void CGdiDrawSurface::DrawRoundRect(const VdRect* r, int ellipseWidth, int ellipseHeight) {
    if (r == nullptr) {
        return;
    }
    CSelection pen(m_memDC.Get(), m_solidPen.Get());
    CSelection brush(m_memDC.Get(), m_brush.Get());
    RoundRect(m_memDC.Get(), r->left + m_nOriginX, r->top + m_nOriginY, r->right + m_nOriginX,
              r->bottom + m_nOriginY, ellipseWidth, ellipseHeight);
}

void CGdiDrawSurface::DrawText(const VdRect* r, const char* text, unsigned format) {
    if (r == nullptr || text == nullptr) {
        return;
    }
    SetTextColor(m_memDC.Get(), m_crPen);
    RECT copy{r->left + m_nOriginX, r->top + m_nOriginY, r->right + m_nOriginX, r->bottom + m_nOriginY};
    // A font whose description was released in the meantime is a dead
    // handle; SelectObject then fails and the current font is used.
    CSelection font(m_memDC.Get(), m_hFont);
    DrawTextA(m_memDC.Get(), text, static_cast<int>(std::strlen(text)), &copy, format);
}

void CGdiDrawSurface::SelectFont(CFontDesc* font) {
    if (font == nullptr) {
        return;
    }
    HFONT h = static_cast<HFONT>(font->GetFont());
    if (h != nullptr) {
        m_hFont = h;
    }
}

void CGdiDrawSurface::Blit(const VdRect* r, const CDrawSurface* source, int sourceX, int sourceY) {
    const CGdiDrawSurface* gdi = dynamic_cast<const CGdiDrawSurface*>(source);
    if (r == nullptr || gdi == nullptr) {
        return;
    }
    BitBlt(m_memDC.Get(), r->left + m_nOriginX, r->top + m_nOriginY, r->right - r->left, r->bottom - r->top,
           gdi->m_memDC.Get(), sourceX, sourceY, SRCCOPY);
}

void CGdiDrawSurface::FillRect(const VdRect* r) {
    if (r == nullptr) {
        return;
    }
    RECT copy{r->left + m_nOriginX, r->top + m_nOriginY, r->right + m_nOriginX, r->bottom + m_nOriginY};
    ::FillRect(m_memDC.Get(), &copy, m_brush.Get());
}

void CGdiDrawSurface::Line(HPEN pen, int x1, int y1, int x2, int y2) {
    CSelection selected(m_memDC.Get(), pen);
    MoveToEx(m_memDC.Get(), x1 + m_nOriginX, y1 + m_nOriginY, nullptr);
    LineTo(m_memDC.Get(), x2 + m_nOriginX, y2 + m_nOriginY);
}

void CGdiDrawSurface::DrawLine(int x1, int y1, int x2, int y2) { Line(m_solidPen.Get(), x1, y1, x2, y2); }

void CGdiDrawSurface::DrawBrokenLine(int x1, int y1, int x2, int y2) { Line(m_brokenPen.Get(), x1, y1, x2, y2); }

VdColor CGdiDrawSurface::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_bounds.right || y >= m_bounds.bottom) {
        return CLR_INVALID;
    }
    return ::GetPixel(m_memDC.Get(), x, y);
}
