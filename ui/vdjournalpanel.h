// CVdJournalPanel: a scrolling strip chart of a keyed signal with the
// decoded text under it. Each AddSample draws one pixel column into a ring
// image (a tick at the top while the key is down) and feeds the panel's own
// Morse parser; each character the parser reports is written in a 12-pixel
// cell ending at the newest column. Painting puts the ring in order, newest
// column at the right edge, so history scrolls without moving pixels.
//
// A source that decodes whole words at once (the adaptive receiver) uses the
// panel in line mode instead: its text is kept as a line of cells, the
// newest at the right edge, drawn over the text band when painting, with a
// provisional tail in grey that later text replaces; characters arriving
// together then keep their own cells, and a corrected reading is seen to
// change.
//
// AddSample runs on the panel's one feeding thread and painting on the
// window's thread; a lock per panel keeps painting from copying the image
// while a sample or a character is being drawn into it.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
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

    // Line mode (see above): final text appended, and the provisional tail
    // that follows it (each call replaces the last). Any thread.
    void AddLineText(const std::string& text);
    void SetProvisionalText(const std::string& text);
    // The colour of the provisional tail.
    static constexpr VdColor PROVISIONAL_COLOR = 0x909090;

    int OnPaint(void* sender, CDrawSurface* surface, const VdRect* clip) override;
    // The parser's report: a record, or null for an unknown pattern ("#").
    int OnParse(void* sender, const tagMorseCode* code) override;

private:
    int AddColumn(int sample, bool parse);
    void DrawCharacter(const tagMorseCode* code);
    void DrawLine(CDrawSurface* surface);
    void Repaint();

    IPaintableParent* m_pParent;
    tagTextStyle* m_pStyle;
    VdRect m_rect;
    int m_nWidth;
    int m_nHeight;
    CDrawSurface* m_pImage;
    int m_nCursor = 0;
    CMorseParser* m_pParser;
    std::mutex m_lock;
    // Line mode, under m_lock: on once any line text came; the final text
    // (only as much as can show) and the provisional tail.
    bool m_bLineMode = false;
    std::string m_line;
    std::string m_provisional;
    // The thread inside AddSample (holding m_lock), so that OnParse coming
    // back from the parser does not take the lock again.
    std::atomic<std::thread::id> m_feedingThread{};
};
