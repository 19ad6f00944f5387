// CRasterDrawSurface: the software back end of CDrawSurface for the native
// build. It keeps a 0x00BBGGRR pixel array and follows the GDI pixel rules:
// right and bottom edges exclusive, a line's end point not drawn, the origin
// added to every coordinate; a window surface starts white, an off-screen
// one is not cleared (it starts black, as a fresh compatible bitmap does).
// Text is drawn with FreeType in the pen colour, over a box of the
// background colour unless a paint pass has made the background
// transparent, as GDI's background mode does.
#pragma once

#include <vector>

#include "ui/drawsurface.h"
#include "ui/vdtypes.h"

class CRasterFont;

// Where a window surface's paint passes come from and go to: the headless
// window host.
class IRasterPaintTarget {
public:
    // Writes the update rectangle of the pass that begins.
    virtual void BeginPass(VdRect* update) = 0;
    // The pass ended; update is the rectangle to show from the back buffer.
    virtual void EndPass(const VdRect& update, const CDrawSurface& backBuffer) = 0;

protected:
    ~IRasterPaintTarget() = default;
};

class CRasterDrawSurface : public CDrawSurface {
public:
    // Off-screen surface of width x height pixels (negative sizes count as 0).
    CRasterDrawSurface(int width, int height);
    // Window surface: white, with paint passes through target (not owned).
    CRasterDrawSurface(int width, int height, IRasterPaintTarget* target);
    ~CRasterDrawSurface() override;
    CRasterDrawSurface(const CRasterDrawSurface&) = delete;
    CRasterDrawSurface& operator=(const CRasterDrawSurface&) = delete;

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

    int GetWidth() const override { return m_nWidth; }
    int GetHeight() const override { return m_nHeight; }
    VdColor GetPixel(int x, int y) const override;

    // Direct pixel access (rows of GetWidth() pixels) for copies and tests.
    const VdColor* GetBits() const { return m_pixels.data(); }
    VdColor* GetBits() { return m_pixels.data(); }
    bool IsWindowSurface() const { return m_pTarget != nullptr; }

private:
    enum class LineStyle { Solid, Dash, Dot };
    void Plot(int x, int y, VdColor c);
    void FillClipped(int left, int top, int right, int bottom, VdColor c);
    void Line(int x1, int y1, int x2, int y2, LineStyle style);
    void BlendCoverage(int x, int y, unsigned coverage, VdColor c);

    int m_nWidth;
    int m_nHeight;
    std::vector<VdColor> m_pixels;
    IRasterPaintTarget* m_pTarget;
    VdRect m_paint;
    bool m_bInPass;
    bool m_bTransparent;
    int m_nOriginX;
    int m_nOriginY;
    VdColor m_crPen;
    VdColor m_crBrush;
    LineStyle m_brokenStyle;
    CRasterFont* m_pFont;  // a reference of its own, null until text needs one
};
