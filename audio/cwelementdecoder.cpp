// Marks and spaces to characters and word spaces (see cwelementdecoder.h).
#include "audio/cwelementdecoder.h"

namespace {
constexpr double kDashFrom = 2.0;
constexpr double kCharGap = 2.0;
constexpr double kWordGap = 5.0;
// Longer patterns than any table entry are noise, not a character.
constexpr size_t kMaxElements = 9;
}  // namespace

CCwElementDecoder::CCwElementDecoder(const tagMorseCode* table) {
    for (int i = 0; i < MORSE_CODE_COUNT; ++i) {
        char buf[MORSE_MAX_ELEMENTS + 1];
        if (MorseElementString(table[i], buf, sizeof buf) > 0) {
            m_patterns.push_back({buf, static_cast<char>(table[i].nChar & 0xFF)});
        }
    }
}

char CCwElementDecoder::Lookup(const std::string& pattern) const {
    for (const tagPattern& p : m_patterns) {
        if (p.elements == pattern) return p.ch;
    }
    return '#';
}

void CCwElementDecoder::Mark(double seconds, double dot) {
    if (m_pending.size() < kMaxElements) {
        m_pending += seconds < kDashFrom * dot ? '.' : '-';
    } else {
        m_pending += '?';  // too long: kept unknown until the gap
    }
}

void CCwElementDecoder::Space(double elapsed, double dot, std::string* out) {
    if (!m_pending.empty() && elapsed >= kCharGap * dot) {
        *out += Lookup(m_pending);
        m_pending.clear();
        m_bWordOpen = true;
    }
    if (m_bWordOpen && m_pending.empty() && elapsed >= kWordGap * dot) {
        *out += ' ';
        m_bWordOpen = false;
    }
}

void CCwElementDecoder::Flush(std::string* out) {
    if (!m_pending.empty()) {
        *out += Lookup(m_pending);
        m_pending.clear();
        m_bWordOpen = true;
    }
}
