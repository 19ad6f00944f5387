// Journal panel: the ring put in order on screen (newest column at the right
// edge) and decoded characters in the text band, compared with the same
// text drawn by the same kind of surface and font, including a cell that
// wraps round the ring's left end.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <memory>
#include <vector>

#include "morse/morsecode.h"
#include "tests/ui/vdcontroltestkit.h"
#include "ui/fontdesc.h"
#include "ui/vdjournalpanel.h"

namespace {

constexpr int kW = 60, kH = 40, kBand = 16, kCell = 12;
constexpr VdColor kWhite = 0xFFFFFF;

struct Rig {
    explicit Rig(int threshold)
        : bench(kW, kH), font("Arial", 12, 0), style{0, kWhite, VD_DT_END_ELLIPSIS, &font} {
        FillDefaultMorseTable(table);
        const VdRect r{0, 0, kW, kH};
        panel.reset(new CVdJournalPanel(&bench.Parent(), &r, table, threshold, &style));
        bench.D().AddPaintControl(panel.get());
    }
    CControlBench bench;
    CFontDesc font;
    tagTextStyle style;
    tagMorseCode table[MORSE_CODE_COUNT];
    std::unique_ptr<CVdJournalPanel> panel;
};

int SampleAt(int k) {  // marks include values other than 1
    static const int pattern[] = {1, 0, 0, 2, 1, 1, 0, 1, 0, 0, 0, -1, 1};
    return pattern[k % 13];
}

TEST(VdJournalPanel, NewestColumnAtTheRightEdge) {
    for (int n : {0, 3, kW, kW + 7, 2 * kW + 1}) {
        Rig rig(1000);  // no character completes
        for (int k = 0; k < n; ++k) rig.panel->AddSample(SampleAt(k));
        EXPECT_EQ(n, rig.bench.Parent().Take());
        EXPECT_EQ(1, rig.bench.Paint());
        int wrong = 0;
        for (int x = 0; x < kW; ++x)
            for (int y = 0; y < kH - kBand; ++y) {
                const int k = n - kW + x;  // the sample column x should show
                wrong += rig.bench.Pixel(x, y) != (y >= 2 && y <= 6 && k >= 0 && SampleAt(k) ? 0 : kWhite);
            }
        EXPECT_EQ(0, wrong) << n << " samples";
    }
}

// The columns [left, left + 12) that lie on a ring-wide surface, row by row,
// after the text is centred in that cell the way the panel draws it. (GDI
// centres cells that start left of 0 with its own rounding, so the reference
// is drawn at the same place.)
std::vector<std::vector<VdColor>> Reference(Rig& rig, const char* text, int left) {
    std::unique_ptr<CDrawSurface> s(rig.bench.D().CreateSurface(kW, kBand));
    const VdRect all{0, 0, kW, kBand}, cell{left, 0, left + kCell, kBand};
    s->FillRect(&all);
    s->SetPenColor(0);
    s->SelectFont(&rig.font);
    s->DrawText(&cell, text, VD_DT_CENTER | VD_DT_VCENTER | VD_DT_SINGLELINE);
    std::vector<std::vector<VdColor>> rows(kBand);
    for (int y = 0; y < kBand; ++y)
        for (int x = left < 0 ? 0 : left; x < left + kCell && x < kW; ++x) rows[y].push_back(s->GetPixel(x, y));
    return rows;
}

TEST(VdJournalPanel, DecodedTextInTheBand) {
    struct Row {
        int threshold, zeros;  // idle samples first
        const char* keyed;     // d down, u up; the report comes on the last
        const char* text;
    };
    const Row rows[] = {
        {1, kW, "uduuu", "E"},               // cursor 5: cell -7..4 wraps
        {1, 20, "uduuu", "E"},
        {3, 5, "dddduuuuu", "T"},
        {1, 3, "duddududduuu", "#"},         // .-.- is no character
        {1, kW - 8, "duddududduuu", "#"},    // cursor 4
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        Rig rig(rows[i].threshold);
        for (int k = 0; k < rows[i].zeros; ++k) rig.panel->AddSample(0);
        for (const char* p = rows[i].keyed; *p; ++p) rig.panel->AddSample(*p == 'd');
        rig.bench.Paint();
        const int cursor = (rows[i].zeros + static_cast<int>(std::strlen(rows[i].keyed))) % kW;
        auto newer = Reference(rig, rows[i].text, cursor - kCell);
        auto older = cursor < kCell ? Reference(rig, rows[i].text, cursor - kCell + kW)
                               : std::vector<std::vector<VdColor>>(kBand);
        int stray = 0, mismatch = 0, inkOld = 0, inkNew = 0;
        for (int y = 0; y < kBand; ++y) {
            std::vector<VdColor> want = older[y];
            want.insert(want.end(), newer[y].begin(), newer[y].end());
            for (int x = 0; x < kW; ++x) {
                const VdColor got = rig.bench.Pixel(x, kH - kBand + y);
                const int c = x - (kW - kCell);  // column in the cell
                if (c < 0) {
                    stray += got != kWhite;
                } else {
                    mismatch += got != want[c];
                    (c < static_cast<int>(older[y].size()) ? inkOld : inkNew) += want[c] != kWhite;
                }
            }
        }
        EXPECT_EQ(0, mismatch) << "row " << i;
        EXPECT_EQ(0, stray) << "row " << i;
        EXPECT_GT(inkNew, 0) << "row " << i;
        if (cursor < kCell && cursor > 3) {
            EXPECT_GT(inkOld, 0) << "row " << i << ": the older half shows nothing";
        }
    }
}

TEST(VdJournalPanel, OldTextIsClearedAsTheRingTurns) {
    Rig rig(1);
    for (int k = 0; k < 15 + kW; ++k) rig.panel->AddSample(k == 11);  // an E at column 15
    rig.bench.Paint();
    int inked = 0;
    for (int y = kH - kBand; y < kH; ++y)
        for (int x = 0; x < kW; ++x) inked += rig.bench.Pixel(x, y) != kWhite;
    EXPECT_EQ(0, inked);
}

// Line mode: text that comes whole words at a time gets a cell per
// character, the newest at the right edge, and the provisional tail in grey
// after it; a new tail replaces the old one, and the trace is left alone.
TEST(VdJournalPanel, LineTextKeepsACellPerCharacterWithTheProvisionalTailAfterIt) {
    struct Row {
        std::vector<std::string> finals;  // AddLineText calls, in order
        std::vector<std::string> tails;   // SetProvisionalText calls, after them
        const char* shown;                // the line's cells, left to right, '~' for grey...
        const char* grey;                 // ...where this has 'g'
    } rows[] = {
        {{"CQ DE"}, {}, "CQ DE", "     "},
        {{"C", "Q", " ", "DE"}, {}, "CQ DE", "     "},
        {{"VVV PARIS"}, {}, "PARIS", "     "},  // only the newest cells show
        {{"DE "}, {"K"}, "  DE K", "     g"},
        {{"DE "}, {"R", "KN"}, "DE KN", "   gg"},  // a corrected reading
        {{"DE "}, {"K", ""}, "  DE ", "     "},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        Rig rig(1000);
        for (int k = 0; k < 7; ++k) rig.panel->AddTraceSample(k == 3);
        for (const std::string& t : rows[i].finals) rig.panel->AddLineText(t);
        for (const std::string& t : rows[i].tails) rig.panel->SetProvisionalText(t);
        EXPECT_GT(rig.bench.Parent().Take(), 0) << "row " << i << ": no repaint asked for";
        rig.bench.Paint();
        // The same cells drawn by the same kind of surface and font.
        std::unique_ptr<CDrawSurface> ref(rig.bench.D().CreateSurface(kW, kBand));
        const VdRect all{0, 0, kW, kBand};
        ref->FillRect(&all);
        ref->SelectFont(&rig.font);
        const std::string shown = rows[i].shown, grey = rows[i].grey;
        const int n = static_cast<int>(shown.size());
        for (int c = 0; c < n; ++c) {
            if (shown[c] == ' ') continue;
            const int right = kW - (n - 1 - c) * kCell;
            const VdRect cell{right - kCell, 0, right, kBand};
            const char text[2] = {shown[c], 0};
            const bool g = c < static_cast<int>(grey.size()) && grey[c] == 'g';
            ref->SetPenColor(g ? CVdJournalPanel::PROVISIONAL_COLOR : 0);
            ref->DrawText(&cell, text, VD_DT_CENTER | VD_DT_VCENTER | VD_DT_SINGLELINE);
        }
        int mismatch = 0, ink = 0;
        for (int y = 0; y < kBand; ++y)
            for (int x = 0; x < kW; ++x) {
                const VdColor want = ref->GetPixel(x, y);
                mismatch += rig.bench.Pixel(x, kH - kBand + y) != want;
                ink += want != kWhite;
            }
        EXPECT_EQ(0, mismatch) << "row " << i << ": the line does not show '" << rows[i].shown << "'";
        EXPECT_GT(ink, 0) << "row " << i;
        // The trace above the band is untouched: the mark drawn 4 columns
        // before the newest.
        EXPECT_EQ(0u, rig.bench.Pixel(kW - 4, 4)) << "row " << i;
        EXPECT_EQ(kWhite, rig.bench.Pixel(kW - 5, 4)) << "row " << i;
    }
}

}  // namespace
