// A journal panel that remembers what it decoded (see stationjournal.h).
#include "app/stationjournal.h"

CStationJournal::CStationJournal(IPaintableParent* parent, const VdRect* rect,
                                 const tagMorseCode* codeTable, int threshold, tagTextStyle* style)
    : CVdJournalPanel(parent, rect, codeTable, threshold, style) {}

int CStationJournal::OnParse(void* sender, const tagMorseCode* code) {
    {
        std::lock_guard<std::mutex> lock(m_textLock);
        if (m_decoded.size() >= DECODED_TEXT_MAX) {
            m_decoded.erase(0, m_decoded.size() - DECODED_TEXT_MAX + 1);
        }
        m_decoded.push_back(code != nullptr ? static_cast<char>(code->nChar & 0xFF) : '#');
    }
    return CVdJournalPanel::OnParse(sender, code);
}

void CStationJournal::AddDecodedChar(char c) {
    if (c == ' ') {
        std::lock_guard<std::mutex> lock(m_textLock);
        if (m_decoded.size() >= DECODED_TEXT_MAX) {
            m_decoded.erase(0, m_decoded.size() - DECODED_TEXT_MAX + 1);
        }
        m_decoded.push_back(' ');
        return;
    }
    const tagMorseCode record{static_cast<unsigned char>(c), 0, 0, 0};
    OnParse(this, c == '#' ? nullptr : &record);
}

std::string CStationJournal::GetDecodedText() const {
    std::lock_guard<std::mutex> lock(m_textLock);
    return m_decoded;
}

void CStationJournal::ClearDecodedText() {
    std::lock_guard<std::mutex> lock(m_textLock);
    m_decoded.clear();
}
