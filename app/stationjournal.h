// CStationJournal: a journal panel that also keeps, as text, the last
// characters its parser decoded ("#" for an unknown pattern), so the station
// can tell what a panel shows without reading pixels. The panel draws them
// exactly as before; the copy is taken on the feeding thread and read from
// any other under a lock of its own.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>

#include "ui/vdjournalpanel.h"

class CStationJournal : public CVdJournalPanel {
public:
    // Characters kept; older ones are dropped from the front.
    static constexpr size_t DECODED_TEXT_MAX = 4096;

    CStationJournal(IPaintableParent* parent, const VdRect* rect, const tagMorseCode* codeTable,
                    int threshold, tagTextStyle* style);

    int OnParse(void* sender, const tagMorseCode* code) override;

    // A character decoded elsewhere (the adaptive receiver): kept and drawn
    // like the parser's; a blank (word space) is kept and leaves the cell
    // empty.
    void AddDecodedChar(char c);

    std::string GetDecodedText() const;
    void ClearDecodedText();

private:
    mutable std::mutex m_textLock;
    std::string m_decoded;
};
