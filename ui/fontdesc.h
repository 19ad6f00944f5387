// CFontDesc: a font described by its attributes (the fields of a Win32
// LOGFONTA), whose platform font is created on first use and cached until an
// attribute changes. The platform part (creating and releasing the handle)
// lives in fontdesc_win32.cpp (GDI) and fontdesc_raster.cpp (FreeType).
#pragma once

#include <cstdint>
#include <mutex>

struct VdLogFont {
    int32_t lfHeight;
    int32_t lfWidth;
    int32_t lfEscapement;
    int32_t lfOrientation;
    int32_t lfWeight;
    uint8_t lfItalic;
    uint8_t lfUnderline;
    uint8_t lfStrikeOut;
    uint8_t lfCharSet;
    uint8_t lfOutPrecision;
    uint8_t lfClipPrecision;
    uint8_t lfQuality;
    uint8_t lfPitchAndFamily;
    char lfFaceName[32];
};

class CFontDesc {
public:
    CFontDesc(const char* faceName, int height, int weightClass);
    ~CFontDesc();
    CFontDesc(const CFontDesc&) = delete;
    CFontDesc& operator=(const CFontDesc&) = delete;

    void SetFaceName(const char* faceName);
    void SetHeight(int height);
    // Class 0 sets weight 100, 1 sets 400, 2 sets 700; others change nothing.
    void SetWeight(int weightClass);
    void SetItalic(uint8_t on);
    void SetUnderline(uint8_t on);
    void SetStrikeOut(uint8_t on);

    // The cached platform font (an HFONT in the Windows builds), created
    // from the description on first use. Safe to call from several threads
    // (panels draw text on their own surfaces from sampling threads).
    void* GetFont();
    void ReleaseFont();

    const VdLogFont& GetDescription() const { return m_desc; }

private:
    VdLogFont m_desc;
    void* m_hFont;
    std::mutex m_fontLock;  // guards m_hFont
};
