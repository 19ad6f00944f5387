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
    if (m_sink) m_sink(std::string(1, code != nullptr ? static_cast<char>(code->nChar & 0xFF) : '#'));
    return CVdJournalPanel::OnParse(sender, code);
}

void CStationJournal::AddDecodedText(const std::string& text) {
    if (text.empty()) return;
    {
        std::lock_guard<std::mutex> lock(m_textLock);
        m_decoded += text;
        if (m_decoded.size() > DECODED_TEXT_MAX) {
            m_decoded.erase(0, m_decoded.size() - DECODED_TEXT_MAX);
        }
    }
    if (m_sink) m_sink(text);
    AddLineText(text);
}

std::string CStationJournal::GetDecodedText() const {
    std::lock_guard<std::mutex> lock(m_textLock);
    return m_decoded;
}

void CStationJournal::ClearDecodedText() {
    std::lock_guard<std::mutex> lock(m_textLock);
    m_decoded.clear();
}
