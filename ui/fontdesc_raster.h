// The native platform font behind CFontDesc::GetFont: a FreeType size of a
// cached face, with the GDI-style metrics (ascent, descent, cell height) that
// the raster surface lays text out by. Fonts are reference counted so that a
// surface can keep the font it selected even after the description that made
// it changes or goes away, which is what GDI allows with a selected HFONT.
//
// FreeType objects are not thread-safe and surfaces may be drawn from worker
// threads, so every glyph operation runs under RasterFontLock().
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "ui/fontdesc.h"

struct tagRasterGlyph {
    const uint8_t* coverage;  // 8-bit alpha rows, null for an empty glyph
    int width;
    int rows;
    int pitch;
    int left;     // from the pen position to the bitmap's left column
    int top;      // from the baseline up to the bitmap's top row
    int advance;  // whole pixels
};

class CRasterFont {
public:
    // A new font (one reference) for the description, null if no face file
    // could be loaded.
    static CRasterFont* Create(const VdLogFont& desc);
    // The font a surface uses before any is selected (a stand-in for the
    // system font of a fresh GDI device context). Never null while the
    // default face can be loaded; the caller gets a reference.
    static CRasterFont* CreateDefault();

    void AddRef();
    void Release();

    int GetAscent() const { return m_nAscent; }
    int GetDescent() const { return m_nDescent; }
    int GetHeight() const { return m_nAscent + m_nDescent; }
    bool IsUnderline() const { return m_bUnderline; }
    bool IsStrikeOut() const { return m_bStrikeOut; }
    int GetLineThickness() const { return m_nLineThickness; }
    int GetUnderlineOffset() const { return m_nUnderlineOffset; }  // below the baseline
    int GetStrikeOutOffset() const { return m_nStrikeOffset; }      // above the baseline

    // Call with RasterFontLock() held. The glyph's bitmap stays valid until
    // the next LoadGlyph/GetAdvance of any font. False if the character has
    // no glyph in this font or its fallback.
    bool LoadGlyph(uint32_t codePoint, tagRasterGlyph* out);
    int GetAdvance(uint32_t codePoint);

private:
    CRasterFont() = default;
    ~CRasterFont();
    CRasterFont(const CRasterFont&) = delete;
    CRasterFont& operator=(const CRasterFont&) = delete;
    bool Init(const VdLogFont& desc);
    bool Load(uint32_t codePoint, tagRasterGlyph* out, bool render);

    std::atomic<int> m_nRefs{1};
    void* m_pFace = nullptr;          // FT_Face, shared through the face cache
    void* m_pSize = nullptr;          // FT_Size of m_pFace, owned
    void* m_pFallbackFace = nullptr;  // face for characters the main one lacks
    void* m_pFallbackSize = nullptr;
    long m_nEm26 = 0;                 // em size, 26.6 pixels
    int m_nAscent = 0;
    int m_nDescent = 0;
    int m_nLineThickness = 1;
    int m_nUnderlineOffset = 1;
    int m_nStrikeOffset = 3;
    bool m_bUnderline = false;
    bool m_bStrikeOut = false;
};

std::mutex& RasterFontLock();
