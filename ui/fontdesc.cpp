// CFontDesc: the font description and its cached platform font. Every change
// of an attribute drops the cached font, so the next GetFont makes a new one.
#include "ui/fontdesc.h"

#include <cstring>

#include "ui/fontdesc_platform.h"

namespace {
constexpr uint8_t kClearTypeQuality = 5;
}

CFontDesc::CFontDesc(const char* faceName, int height, int weightClass) : m_desc(), m_hFont(nullptr), m_fontLock() {
    std::memset(&m_desc, 0, sizeof(m_desc));
    SetFaceName(faceName);
    m_desc.lfHeight = height;
    SetWeight(weightClass);
    m_desc.lfQuality = kClearTypeQuality;
}

CFontDesc::~CFontDesc() { ReleaseFont(); }

void CFontDesc::SetFaceName(const char* faceName) {
    ReleaseFont();
    // Cut to the 31 characters the field holds, always terminated.
    std::memset(m_desc.lfFaceName, 0, sizeof(m_desc.lfFaceName));
    if (faceName != nullptr) {
        std::strncpy(m_desc.lfFaceName, faceName, sizeof(m_desc.lfFaceName) - 1);
    }
}

void CFontDesc::SetHeight(int height) {
    ReleaseFont();
    m_desc.lfHeight = height;
}

void CFontDesc::SetWeight(int weightClass) {
    ReleaseFont();
    switch (weightClass) {
    case 0: m_desc.lfWeight = 100; break;
    case 1: m_desc.lfWeight = 400; break;
    case 2: m_desc.lfWeight = 700; break;
    default: break;
    }
}

void CFontDesc::SetItalic(uint8_t on) {
    ReleaseFont();
    m_desc.lfItalic = on;
}

void CFontDesc::SetUnderline(uint8_t on) {
    ReleaseFont();
    m_desc.lfUnderline = on;
}

void CFontDesc::SetStrikeOut(uint8_t on) {
    ReleaseFont();
    m_desc.lfStrikeOut = on;
}

void* CFontDesc::GetFont() {
    std::lock_guard<std::mutex> hold(m_fontLock);
    if (m_hFont == nullptr) {
        m_hFont = VdCreatePlatformFont(m_desc);
    }
    return m_hFont;
}

void CFontDesc::ReleaseFont() {
    std::lock_guard<std::mutex> hold(m_fontLock);
    if (m_hFont != nullptr) {
        VdDestroyPlatformFont(m_hFont);
        m_hFont = nullptr;
    }
}
