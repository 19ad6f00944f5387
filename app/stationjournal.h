// CStationJournal: a journal panel that also keeps, as text, the last
// characters its parser decoded ("#" for an unknown pattern), so the station
// can tell what a panel shows without reading pixels. The panel draws them
// exactly as before; the copy is taken on the feeding thread and read from
// any other under a lock of its own.
#pragma once

#include <cstddef>
#include <functional>
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

    // Text decoded elsewhere (the adaptive receiver), whole words at a time:
    // kept, and shown as the panel's line of text (see CVdJournalPanel);
    // blanks are word spaces.
    void AddDecodedText(const std::string& text);
    // The receiver's provisional reading that follows the decoded text; it
    // is shown, not kept.
    void SetProvisional(const std::string& text) { SetProvisionalText(text); }

    // Called with every piece of text the panel keeps, on the thread that
    // decoded it (the receive log). Set before decoding starts.
    using TextSink = std::function<void(const std::string&)>;
    void SetTextSink(TextSink sink) { m_sink = std::move(sink); }

    std::string GetDecodedText() const;
    void ClearDecodedText();

private:
    mutable std::mutex m_textLock;
    std::string m_decoded;
    TextSink m_sink;
};
