// The GDI font behind CFontDesc::GetFont: an HFONT made from the description.
#include <windows.h>

#include <cstring>

#include "ui/fontdesc_platform.h"
#include "ui/gdihandles_win32.h"

static_assert(sizeof(VdLogFont) == sizeof(LOGFONTA), "VdLogFont must match LOGFONTA");

void* VdCreatePlatformFont(const VdLogFont& desc) {
    LOGFONTA lf;
    std::memcpy(&lf, &desc, sizeof(lf));
    HFONT font = CreateFontIndirectA(&lf);
    if (font != nullptr) {
        ++VdGdiObjectCounter();
    }
    return font;
}

void VdDestroyPlatformFont(void* font) {
    if (font != nullptr) {
        DeleteObject(static_cast<HFONT>(font));
        --VdGdiObjectCounter();
    }
}
