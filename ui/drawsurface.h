// CDrawSurface: the one drawing object of the GUI framework. A surface owns a
// back buffer, one pen colour (also the text colour), one brush colour (also
// the background colour) and an origin added to every coordinate, so that a
// control draws in its own coordinates. Two back ends implement it: GDI in
// the Windows builds (drawsurface_win32.cpp) and a software raster natively
// (drawsurface_raster.cpp), with the same pixel rules: right and bottom edges
// exclusive, a line's end point not drawn.
#pragma once

#include "ui/vdtypes.h"

// <windows.h> maps DrawText to DrawTextA/W; in Windows code call those by
// their full names, so that the surface's DrawText keeps its own name.
#ifdef DrawText
#undef DrawText
#endif

class CFontDesc;

class CDrawSurface {
public:
    virtual ~CDrawSurface() = default;

    // Paint pass of a window surface; no-ops on an off-screen surface.
    virtual void BeginPaint() = 0;
    virtual void EndPaint() = 0;
    // The update rectangle of the current pass, or null when the surface
    // has no back buffer.
    virtual const VdRect* GetPaintRect() = 0;

    virtual void SetOrigin(int x, int y) = 0;
    virtual void SetPenColor(VdColor c) = 0;
    virtual void SetBrushColor(VdColor c) = 0;

    virtual void DrawRoundRect(const VdRect* r, int ellipseWidth, int ellipseHeight) = 0;
    // Text in a rectangle, formatted by the VD_DT_ (Win32 DT_) flags.
    virtual void DrawText(const VdRect* r, const char* text, unsigned format) = 0;
#ifdef _WIN32
    // Reached when <windows.h> is included after this header and its
    // DrawText macro renames the calls.
    void DrawTextW(const VdRect* r, const char* text, unsigned format) { DrawText(r, text, format); }
#endif
    virtual void SelectFont(CFontDesc* font) = 0;
    // Copies (r.right - r.left) x (r.bottom - r.top) pixels of source's back
    // buffer from (sourceX, sourceY) to r moved by the origin.
    virtual void Blit(const VdRect* r, const CDrawSurface* source, int sourceX, int sourceY) = 0;
    virtual void FillRect(const VdRect* r) = 0;
    virtual void DrawLine(int x1, int y1, int x2, int y2) = 0;
    // Dashed until the first pen-colour change, dotted after it.
    virtual void DrawBrokenLine(int x1, int y1, int x2, int y2) = 0;

    // Back-buffer access for tests and screenshots (ignores the origin).
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual VdColor GetPixel(int x, int y) const = 0;
};
