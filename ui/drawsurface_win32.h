// CGdiDrawSurface: the GDI back end of CDrawSurface. The back buffer is a
// compatible bitmap in a memory device context; a window surface copies the
// update rectangle of each paint pass to the window with BitBlt.
#pragma once

#include <windows.h>

#include "ui/drawsurface.h"
#include "ui/gdihandles_win32.h"

class CGdiDrawSurface : public CDrawSurface {
public:
    // Window surface: back buffer of the window's client size, white.
    explicit CGdiDrawSurface(HWND window);
    // Off-screen surface compatible with dc, width x height, not cleared.
    CGdiDrawSurface(HDC dc, int width, int height);
    ~CGdiDrawSurface() override;
    CGdiDrawSurface(const CGdiDrawSurface&) = delete;
    CGdiDrawSurface& operator=(const CGdiDrawSurface&) = delete;

    void BeginPaint() override;
    void EndPaint() override;
    const VdRect* GetPaintRect() override;

    void SetOrigin(int x, int y) override;
    void SetPenColor(VdColor c) override;
    void SetBrushColor(VdColor c) override;

    void DrawRoundRect(const VdRect* r, int ellipseWidth, int ellipseHeight) override;
    void DrawText(const VdRect* r, const char* text, unsigned format) override;
    void SelectFont(CFontDesc* font) override;
    void Blit(const VdRect* r, const CDrawSurface* source, int sourceX, int sourceY) override;
    void FillRect(const VdRect* r) override;
    void DrawLine(int x1, int y1, int x2, int y2) override;
    void DrawBrokenLine(int x1, int y1, int x2, int y2) override;

    int GetWidth() const override { return m_bounds.right; }
    int GetHeight() const override { return m_bounds.bottom; }
    VdColor GetPixel(int x, int y) const override;

    HDC GetMemoryDC() const { return m_memDC.Get(); }
    // The current drawing tools, for resource tests.
    HPEN GetSolidPen() const { return m_solidPen.Get(); }
    HPEN GetBrokenPen() const { return m_brokenPen.Get(); }
    HBRUSH GetBrush() const { return m_brush.Get(); }
    HBITMAP GetBitmap() const { return m_bitmap.Get(); }

private:
    void MakeTools();
    void Line(HPEN pen, int x1, int y1, int x2, int y2);

    HWND m_hWnd;
    HDC m_hWindowDC;  // from BeginPaint, only during a pass
    PAINTSTRUCT m_paint;
    CMemoryDC m_memDC;
    CGdiObject<HBITMAP> m_bitmap;
    CSelection m_bitmapSelection;  // put back before the bitmap is deleted
    int m_nOriginX;
    int m_nOriginY;
    COLORREF m_crPen;
    COLORREF m_crBrush;
    CGdiObject<HBRUSH> m_brush;
    CGdiObject<HPEN> m_solidPen;
    CGdiObject<HPEN> m_brokenPen;
    HFONT m_hFont;  // not owned: the CFontDesc that made it owns it
    RECT m_bounds;
};
