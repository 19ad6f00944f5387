// The journal panel: the ring image, one column per sample, the decoded
// characters in the text band (drawn twice where a cell wraps round the
// ring's left end), and the two block copies that put the ring in order.
#include "ui/vdjournalpanel.h"

#include "ui/drawsurface.h"
#include "ui/fontdesc.h"

namespace {

constexpr unsigned kCellFormat = VD_DT_CENTER | VD_DT_VCENTER | VD_DT_SINGLELINE;
// Rectangles come from vardo.ini unchecked: the ring image is no larger than
// this on either side, so a wild rectangle cannot size a huge surface and
// cursor arithmetic stays far from overflow.
constexpr int kMaxExtent = 4096;

int CappedExtent(int from, int to) {
    const int e = VdExtent(from, to);
    return e > kMaxExtent ? kMaxExtent : e;
}

}  // namespace

CVdJournalPanel::CVdJournalPanel(IPaintableParent* parent, const VdRect* rect,
                                 const tagMorseCode* codeTable, int threshold,
                                 tagTextStyle* style)
    : m_pParent(parent),
      m_pStyle(style),
      m_rect(rect ? *rect : VdRect{0, 0, 0, 0}),
      m_nWidth(CappedExtent(m_rect.left, m_rect.right)),
      m_nHeight(CappedExtent(m_rect.top, m_rect.bottom)),
      m_pImage(nullptr),
      m_pParser(nullptr) {
    if (m_nWidth < 0) m_nWidth = 0;
    if (m_nHeight < 0) m_nHeight = 0;
    if (m_pParent && m_nWidth > 0 && m_nHeight > 0) {
        m_pImage = m_pParent->CreateSurface(m_nWidth, m_nHeight);
    }
    if (m_pImage) {
        // A new surface's own brush is white: the ring starts white.
        VdRect all{0, 0, m_nWidth, m_nHeight};
        m_pImage->FillRect(&all);
    }
    // The font is shared with controls painted on the window's thread, and
    // its platform object is made lazily on first use; make it here, on the
    // creating thread, so that the feeding thread only ever reads it.
    if (m_pStyle && m_pStyle->pFont) m_pStyle->pFont->GetFont();
    if (codeTable) m_pParser = new CMorseParser(codeTable, MORSE_CODE_COUNT, threshold, this);
}

CVdJournalPanel::~CVdJournalPanel() {
    delete m_pParser;
    delete m_pImage;
}

int CVdJournalPanel::HitTest(int x, int y) { return VdPtInRect(m_rect, x, y) ? 1 : 0; }

void CVdJournalPanel::GetRect(VdRect* out) {
    if (out) *out = m_rect;
}

int CVdJournalPanel::AddSample(int sample) {
    return AddColumn(sample, true);
}

int CVdJournalPanel::AddTraceSample(int sample) {
    return AddColumn(sample, false);
}

int CVdJournalPanel::AddColumn(int sample, bool parse) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_feedingThread.store(std::this_thread::get_id());
        if (m_pImage) {
            VdColor text = m_pStyle ? m_pStyle->crTextColor : 0x000000;
            VdColor back = m_pStyle ? m_pStyle->crBackColor : 0xFFFFFF;
            m_pImage->SetPenColor(sample ? text : back);
            m_pImage->DrawLine(m_nCursor, TICK_TOP, m_nCursor, TICK_BOTTOM);
            // Clear the whole text band of this column, its last row too, so
            // that no trace of an old character survives the wrap.
            m_pImage->SetPenColor(back);
            m_pImage->DrawLine(m_nCursor, m_nHeight - TEXT_BAND_HEIGHT, m_nCursor, m_nHeight);
            if (++m_nCursor >= m_nWidth) m_nCursor = 0;
        }
        if (m_pParser && parse) m_pParser->Parse(sample ? 1 : 0);
        m_feedingThread.store(std::thread::id());
    }
    return m_pParent ? m_pParent->Invalidate(&m_rect) : 0;
}

int CVdJournalPanel::OnParse(void*, const tagMorseCode* code) {
    if (m_feedingThread.load() == std::this_thread::get_id()) {
        // Called back by the parser from inside AddSample: the lock is held.
        DrawCharacter(code);
    } else {
        std::lock_guard<std::mutex> hold(m_lock);
        DrawCharacter(code);
    }
    return 1;
}

void CVdJournalPanel::DrawCharacter(const tagMorseCode* code) {
    if (!m_pImage) return;
    char text[2] = {code ? static_cast<char>(code->nChar & 0xFF) : '#', '\0'};
    m_pImage->SetPenColor(m_pStyle ? m_pStyle->crTextColor : 0x000000);
    if (m_pStyle) m_pImage->SelectFont(m_pStyle->pFont);
    VdRect cell{m_nCursor - CELL_WIDTH, m_nHeight - TEXT_BAND_HEIGHT, m_nCursor, m_nHeight};
    m_pImage->DrawText(&cell, text, kCellFormat);
    if (cell.left < 0) {
        cell.left += m_nWidth;
        cell.right += m_nWidth;
        m_pImage->DrawText(&cell, text, kCellFormat);
    }
}

int CVdJournalPanel::OnPaint(void*, CDrawSurface* surface, const VdRect*) {
    if (!surface || !m_pImage) return 1;
    std::lock_guard<std::mutex> hold(m_lock);
    VdRect older{0, 0, m_nWidth - m_nCursor, m_nHeight};
    surface->Blit(&older, m_pImage, m_nCursor, 0);
    if (m_nCursor > 0) {
        VdRect newer{m_nWidth - m_nCursor, 0, m_nWidth, m_nHeight};
        surface->Blit(&newer, m_pImage, 0, 0);
    }
    if (m_bLineMode) DrawLine(surface);
    return 1;
}

void CVdJournalPanel::AddLineText(const std::string& text) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_bLineMode = true;
        m_line += text;
        // Only the cells that fit are ever drawn; a few more are kept so the
        // line does not shift while a provisional tail grows and shrinks.
        const size_t keep = static_cast<size_t>(m_nWidth / CELL_WIDTH) + 64;
        if (m_line.size() > 2 * keep) m_line.erase(0, m_line.size() - keep);
    }
    Repaint();
}

void CVdJournalPanel::SetProvisionalText(const std::string& text) {
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (text == m_provisional && m_bLineMode) return;
        m_bLineMode = true;
        m_provisional = text;
    }
    Repaint();
}

void CVdJournalPanel::Repaint() {
    if (m_pParent) m_pParent->Invalidate(&m_rect);
}

void CVdJournalPanel::DrawLine(CDrawSurface* surface) {
    const VdColor back = m_pStyle ? m_pStyle->crBackColor : 0xFFFFFF;
    const VdColor text = m_pStyle ? m_pStyle->crTextColor : 0x000000;
    const VdRect band{0, m_nHeight - TEXT_BAND_HEIGHT, m_nWidth, m_nHeight};
    surface->SetBrushColor(back);
    surface->FillRect(&band);
    if (m_pStyle) surface->SelectFont(m_pStyle->pFont);
    // Newest cell at the right edge, older ones to its left.
    const size_t total = m_line.size() + m_provisional.size();
    int right = m_nWidth;
    for (size_t k = total; k > 0 && right > 0; --k, right -= CELL_WIDTH) {
        const bool provisional = k > m_line.size();
        const char c = provisional ? m_provisional[k - 1 - m_line.size()] : m_line[k - 1];
        if (c == ' ' || static_cast<unsigned char>(c) < 0x20) continue;
        const char cell[2] = {c, '\0'};
        VdRect r{right - CELL_WIDTH, band.top, right, band.bottom};
        surface->SetPenColor(provisional ? PROVISIONAL_COLOR : text);
        surface->DrawText(&r, cell, kCellFormat);
    }
}
