// FreeType fonts for the native raster surface. Face files are loaded once
// and kept (the face cache); each font is an FT_Size on a cached face, sized
// so that a positive height is the cell height (ascent + descent), as GDI
// takes a positive LOGFONT height, and a negative one the em height.
#include "ui/fontdesc_raster.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include "ui/fontdesc_platform.h"

namespace {

const char kFontDir[] = "/usr/share/fonts/truetype/liberation/";
const char kFallbackFile[] = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc";
// A fresh GDI device context draws with the bold system font, about 16
// pixels high; the default font stands in for it.
const int kDefaultHeight = 16;

struct tagCachedFace {
    std::vector<FT_Byte> data;  // FreeType reads the face from this memory
    FT_Face face = nullptr;
};

struct tagFaceCache {
    FT_Library library = nullptr;
    bool libraryFailed = false;
    std::map<std::string, std::unique_ptr<tagCachedFace>> faces;
};

// Lives for the whole process: faces are shared by fonts that may be
// released during static destruction.
tagFaceCache& Cache() {
    static tagFaceCache* cache = new tagFaceCache();
    return *cache;
}

bool ReadFile(const std::string& path, std::vector<FT_Byte>* out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    FT_Byte buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) {
        out->insert(out->end(), buf, buf + n);
    }
    std::fclose(f);
    return !out->empty();
}

// Caller holds RasterFontLock().
FT_Face GetFace(const std::string& path) {
    tagFaceCache& cache = Cache();
    if (cache.library == nullptr) {
        if (cache.libraryFailed || FT_Init_FreeType(&cache.library) != 0) {
            cache.libraryFailed = true;
            cache.library = nullptr;
            return nullptr;
        }
    }
    auto it = cache.faces.find(path);
    if (it != cache.faces.end()) {
        return it->second ? it->second->face : nullptr;
    }
    std::unique_ptr<tagCachedFace> entry(new tagCachedFace());
    if (!ReadFile(path, &entry->data) ||
        FT_New_Memory_Face(cache.library, entry->data.data(), static_cast<FT_Long>(entry->data.size()), 0,
                           &entry->face) != 0) {
        cache.faces[path] = nullptr;  // remember the failure
        return nullptr;
    }
    FT_Face face = entry->face;
    cache.faces[path] = std::move(entry);
    return face;
}

std::string Lower(const char* s) {
    std::string out;
    for (; *s != '\0'; ++s) {
        char c = *s;
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

// The Liberation family with the metrics of the requested face: Arial and
// anything unknown map to Sans.
std::string FaceFile(const VdLogFont& desc) {
    char name[sizeof(desc.lfFaceName) + 1] = {};
    std::memcpy(name, desc.lfFaceName, sizeof(desc.lfFaceName));
    std::string n = Lower(name);
    std::string family = "Sans";
    if (n.find("courier") != std::string::npos || n.find("mono") != std::string::npos ||
        n.find("console") != std::string::npos || n.find("consolas") != std::string::npos) {
        family = "Mono";
    } else if (n.find("times") != std::string::npos ||
               (n.find("serif") != std::string::npos && n.find("sans") == std::string::npos)) {
        family = "Serif";
    } else if (n.find("narrow") != std::string::npos) {
        family = "SansNarrow";
    }
    bool bold = desc.lfWeight >= 600;
    bool italic = desc.lfItalic != 0;
    const char* style = bold ? (italic ? "BoldItalic" : "Bold") : (italic ? "Italic" : "Regular");
    return std::string(kFontDir) + "Liberation" + family + "-" + style + ".ttf";
}

void WinMetrics(FT_Face face, long* ascent, long* descent) {
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
        *ascent = os2->usWinAscent;
        *descent = os2->usWinDescent;
    } else {
        *ascent = face->ascender;
        *descent = -face->descender;
    }
    if (*ascent + *descent <= 0) {
        *ascent = face->units_per_EM;
        *descent = 0;
    }
}

bool MakeSize(FT_Face face, long em26, FT_Size* out) {
    if (FT_New_Size(face, out) != 0) {
        return false;
    }
    FT_Activate_Size(*out);
    if (FT_Set_Char_Size(face, 0, em26 < 64 ? 64 : em26, 72, 72) != 0) {
        FT_Done_Size(*out);
        *out = nullptr;
        return false;
    }
    return true;
}

}  // namespace

std::mutex& RasterFontLock() {
    static std::mutex* lock = new std::mutex();
    return *lock;
}

CRasterFont* CRasterFont::Create(const VdLogFont& desc) {
    CRasterFont* font = new CRasterFont();
    bool ok;
    {
        std::lock_guard<std::mutex> hold(RasterFontLock());
        ok = font->Init(desc);
    }
    if (!ok) {
        font->Release();
        return nullptr;
    }
    return font;
}

CRasterFont* CRasterFont::CreateDefault() {
    VdLogFont desc;
    std::memset(&desc, 0, sizeof(desc));
    desc.lfHeight = kDefaultHeight;
    desc.lfWeight = 700;
    std::strcpy(desc.lfFaceName, "System");
    return Create(desc);
}

bool CRasterFont::Init(const VdLogFont& desc) {
    FT_Face face = GetFace(FaceFile(desc));
    if (face == nullptr) {
        VdLogFont plain = desc;
        plain.lfWeight = 400;
        plain.lfItalic = 0;
        face = GetFace(FaceFile(plain));
    }
    if (face == nullptr) {
        return false;
    }
    long winAscent, winDescent;
    WinMetrics(face, &winAscent, &winDescent);
    long cell = winAscent + winDescent;
    long upem = face->units_per_EM > 0 ? face->units_per_EM : 2048;
    int height = desc.lfHeight == 0 ? kDefaultHeight : desc.lfHeight;
    if (height > 0) {
        // Cap absurd heights: a font is never taller than a large screen.
        if (height > 4096) height = 4096;
        m_nEm26 = std::lround(64.0 * height * upem / cell);
        m_nAscent = static_cast<int>(std::lround(static_cast<double>(height) * winAscent / cell));
        m_nDescent = height - m_nAscent;
    } else {
        long em = height < -4096 ? 4096 : -static_cast<long>(height);
        m_nEm26 = em * 64;
        m_nAscent = static_cast<int>(std::lround(static_cast<double>(em) * winAscent / upem));
        m_nDescent = static_cast<int>(std::lround(static_cast<double>(em) * winDescent / upem));
    }
    FT_Size size = nullptr;
    if (!MakeSize(face, m_nEm26, &size)) {
        return false;
    }
    m_pFace = face;
    m_pSize = size;
    double scale = m_nEm26 / 64.0 / upem;
    int thick = static_cast<int>(std::lround(face->underline_thickness * scale));
    m_nLineThickness = thick < 1 ? 1 : thick;
    int under = static_cast<int>(std::lround(-face->underline_position * scale));
    m_nUnderlineOffset = under < 1 ? 1 : under;
    const TT_OS2* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    int strike = os2 != nullptr ? static_cast<int>(std::lround(os2->yStrikeoutPosition * scale))
                                : m_nAscent / 3;
    m_nStrikeOffset = strike < 1 ? 1 : strike;
    m_bUnderline = desc.lfUnderline != 0;
    m_bStrikeOut = desc.lfStrikeOut != 0;
    return true;
}

CRasterFont::~CRasterFont() {
    std::lock_guard<std::mutex> hold(RasterFontLock());
    if (m_pSize != nullptr) {
        FT_Done_Size(static_cast<FT_Size>(m_pSize));
    }
    if (m_pFallbackSize != nullptr) {
        FT_Done_Size(static_cast<FT_Size>(m_pFallbackSize));
    }
}

void CRasterFont::AddRef() { m_nRefs.fetch_add(1, std::memory_order_relaxed); }

void CRasterFont::Release() {
    if (m_nRefs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        delete this;
    }
}

bool CRasterFont::LoadGlyph(uint32_t codePoint, tagRasterGlyph* out) { return Load(codePoint, out, true); }

bool CRasterFont::Load(uint32_t codePoint, tagRasterGlyph* out, bool render) {
    FT_Face face = static_cast<FT_Face>(m_pFace);
    FT_Size size = static_cast<FT_Size>(m_pSize);
    FT_UInt index = FT_Get_Char_Index(face, codePoint);
    if (index == 0 && codePoint >= 0x2E80) {
        // CJK text: borrow the glyph from the fallback face at the same size.
        if (m_pFallbackFace == nullptr) {
            FT_Face fb = GetFace(kFallbackFile);
            FT_Size fbSize = nullptr;
            if (fb != nullptr && MakeSize(fb, m_nEm26, &fbSize)) {
                m_pFallbackFace = fb;
                m_pFallbackSize = fbSize;
            }
        }
        if (m_pFallbackFace != nullptr) {
            FT_Face fb = static_cast<FT_Face>(m_pFallbackFace);
            FT_UInt fbIndex = FT_Get_Char_Index(fb, codePoint);
            if (fbIndex != 0) {
                face = fb;
                size = static_cast<FT_Size>(m_pFallbackSize);
                index = fbIndex;
            }
        }
    }
    FT_Activate_Size(size);
    std::memset(out, 0, sizeof(*out));
    FT_Int32 flags = FT_LOAD_TARGET_NORMAL | (render ? FT_LOAD_RENDER : 0);
    if (FT_Load_Glyph(face, index, flags) != 0) {
        return false;
    }
    FT_GlyphSlot slot = face->glyph;
    out->coverage = slot->bitmap.buffer;
    out->width = static_cast<int>(slot->bitmap.width);
    out->rows = static_cast<int>(slot->bitmap.rows);
    out->pitch = slot->bitmap.pitch;
    out->left = slot->bitmap_left;
    out->top = slot->bitmap_top;
    out->advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (!render || slot->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
        out->coverage = nullptr;
    }
    return index != 0;
}

int CRasterFont::GetAdvance(uint32_t codePoint) {
    tagRasterGlyph g;
    Load(codePoint, &g, false);
    return g.advance;
}

void* VdCreatePlatformFont(const VdLogFont& desc) { return CRasterFont::Create(desc); }

void VdDestroyPlatformFont(void* font) {
    if (font != nullptr) {
        static_cast<CRasterFont*>(font)->Release();
    }
}
