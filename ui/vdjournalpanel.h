// CVdJournalPanel: a scrolling strip chart of a keyed signal with the
// decoded text under it. Each AddSample draws one pixel column into a ring
// image (a tick at the top while the key is down) and feeds the panel's own
// Morse parser; each character the parser reports is written in a 12-pixel
// cell ending at the newest column. Painting puts the ring in order, newest
// column at the right edge, so history scrolls without moving pixels.
//
// AddSample runs on the panel's one feeding thread and painting on the
// window's thread; a lock per panel keeps painting from copying the image
// while a sample or a character is being drawn into it.
#pragma once

#include <atomic>
#include <mutex>
#include <thread>

#include "morse/morsecode.h"
#include "morse/morseparser.h"
#include "ui/controlinterfaces.h"
#include "ui/textstyle.h"
#include "ui/vdtypes.h"

class CDrawSurface;

class CVdJournalPanel : public IPaintEventControl, public IParseEventListener {
public:
    static constexpr int TEXT_BAND_HEIGHT = 16;  // bottom rows that hold the text
    static constexpr int CELL_WIDTH = 12;        // one decoded character
    static constexpr int TICK_TOP = 2;           // mark ticks cover rows 2..6
    static constexpr int TICK_BOTTOM = 7;

    // codeTable: the MORSE_CODE_COUNT records the parser decodes with (not
    // owned; must outlive the panel). threshold: the parser's threshold in
    // samples. The image comes from the parent's CreateSurface.
    CVdJournalPanel(IPaintableParent* parent, const VdRect* rect, const tagMorseCode* codeTable,
                    int threshold, tagTextStyle* style);
    CVdJournalPanel(const CVdJournalPanel&) = delete;
    CVdJournalPanel& operator=(const CVdJournalPanel&) = delete;

    int HitTest(int x, int y) override;
    void GetRect(VdRect* out) override;
    virtual ~CVdJournalPanel();
    // One column: nonzero is key down (mark), 0 key up. Returns the result
    // of the repaint request. Called from one feeding thread.
    virtual int AddSample(int sample);
    // One column like AddSample, without feeding the parser: for a source
    // that decodes its own characters (see OnParse to write them).
    int AddTraceSample(int sample);

    int OnPaint(void* sender, CDrawSurface* surface, const VdRect* clip) override;
    // The parser's report: a record, or null for an unknown pattern ("#").
    int OnParse(void* sender, const tagMorseCode* code) override;

private:
    int AddColumn(int sample, bool parse);
    void DrawCharacter(const tagMorseCode* code);

    IPaintableParent* m_pParent;
    tagTextStyle* m_pStyle;
    VdRect m_rect;
    int m_nWidth;
    int m_nHeight;
    CDrawSurface* m_pImage;
    int m_nCursor = 0;
    CMorseParser* m_pParser;
    std::mutex m_lock;
    // The thread inside AddSample (holding m_lock), so that OnParse coming
    // back from the parser does not take the lock again.
    std::atomic<std::thread::id> m_feedingThread{};
};
