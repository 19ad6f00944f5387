// Journal panel: the ring of columns put in order on screen (newest at the
// right edge), the tick colours, and decoded characters in the text band,
// compared with a rendering of the same text made with the same kind of
// surface and font, including a cell that wraps round the ring's left end.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "morse/morsecode.h"
#include "tests/ui/vdcontroltestkit.h"
#include "ui/fontdesc.h"
#include "ui/vdjournalpanel.h"

namespace {

constexpr int kW = 60, kH = 40;
constexpr int kLeft = 10, kTop = 10;
constexpr int kBand = CVdJournalPanel::TEXT_BAND_HEIGHT;
constexpr int kCell = CVdJournalPanel::CELL_WIDTH;
constexpr VdColor kBlack = 0x000000, kWhite = 0xFFFFFF;

struct PanelRig {
    explicit PanelRig(int threshold)
        : bench(kLeft + kW + 10, kTop + kH + 10), font("Arial", 12, 0),
          style{kBlack, kWhite, VD_DT_END_ELLIPSIS, &font} {
        FillDefaultMorseTable(table);
        const VdRect r{kLeft, kTop, kLeft + kW, kTop + kH};
        panel.reset(new CVdJournalPanel(&bench.Parent(), &r, table, threshold, &style));
        bench.Dispatcher().AddPaintControl(panel.get());
    }
    // Pixel (x, y) of the panel as painted on the window.
    VdColor At(int x, int y) { return bench.Pixel(kLeft + x, kTop + y); }
    void Feed(const std::vector<int>& samples) {
        for (int s : samples) panel->AddSample(s);
    }
    CControlBench bench;
    CFontDesc font;
    tagTextStyle style;
    tagMorseCode table[MORSE_CODE_COUNT];
    std::unique_ptr<CVdJournalPanel> panel;
};

// The sample shown in column k of n samples fed: a repeating pattern with
// values other than 0 and 1 among the marks.
int SampleAt(int k) {
    static const int pattern[] = {1, 0, 0, 2, 1, 1, 0, 1, 0, 0, 0, -1, 1};
    return pattern[k % (sizeof pattern / sizeof pattern[0])];
}

TEST(VdJournalPanel, NewestColumnAtTheRightEdge) {
    const int counts[] = {0, 3, kW - 1, kW, kW + 7, 2 * kW + 1};
    for (size_t i = 0; i < sizeof counts / sizeof counts[0]; ++i) {
        const int n = counts[i];
        PanelRig rig(1000);  // no character completes within the test
        for (int k = 0; k < n; ++k) rig.panel->AddSample(SampleAt(k));
        EXPECT_EQ(1, rig.bench.Paint()) << "row " << i;
        int wrong = 0;
        for (int x = 0; x < kW; ++x) {
            const int k = n - kW + x;  // sample index shown in column x
            const VdColor tick = k >= 0 && SampleAt(k) != 0 ? kBlack : kWhite;
            for (int y = 0; y < kH - kBand; ++y) {
                const VdColor want = y >= 2 && y <= 6 ? tick : kWhite;
                if (rig.At(x, y) != want) {
                    if (++wrong <= 5)
                        ADD_FAILURE() << "row " << i << " n " << n << " x " << x << " y " << y
                                      << " want " << want << " got " << rig.At(x, y);
                }
            }
        }
        EXPECT_EQ(0, wrong) << "row " << i;
    }
}

TEST(VdJournalPanel, EachSampleRequestsARepaint) {
    PanelRig rig(3);
    rig.bench.Parent().Take();
    rig.Feed({1, 1, 0, 0, 0, 0, 0});  // an E is reported on the last one
    EXPECT_EQ(7, rig.bench.Parent().Take());
    VdRect last = rig.bench.Parent().Last();
    EXPECT_EQ(kLeft, last.left);
    EXPECT_EQ(kTop + kH, last.bottom);
}

// Renders text the way the panel writes a character, on a new off-screen
// surface as wide as the ring: black, the same font, centred in the cell
// that starts at column left. Returns, row by row, the columns of that cell
// that lie on the surface. (A cell that starts left of column 0 is centred
// by the platform's own arithmetic on negative coordinates, which GDI
// rounds differently, so the reference must be drawn at the same place.)
std::vector<std::vector<VdColor>> ReferenceCell(PanelRig& rig, const char* text, int left) {
    std::unique_ptr<CDrawSurface> s(rig.bench.Dispatcher().CreateSurface(kW, kBand));
    const VdRect all{0, 0, kW, kBand}, cell{left, 0, left + kCell, kBand};
    s->FillRect(&all);
    s->SetPenColor(kBlack);
    s->SelectFont(&rig.font);
    s->DrawText(&cell, text, VD_DT_CENTER | VD_DT_VCENTER | VD_DT_SINGLELINE);
    std::vector<std::vector<VdColor>> rows(kBand);
    for (int y = 0; y < kBand; ++y)
        for (int x = left < 0 ? 0 : left; x < left + kCell && x < kW; ++x)
            rows[y].push_back(s->GetPixel(x, y));
    return rows;
}

// What the right-most cell of the picture should show when the character
// was reported with the ring's cursor at cursor: one whole cell, or the two
// halves of a cell that crosses the ring's left end.
std::vector<VdColor> ExpectedCell(PanelRig& rig, const char* text, int cursor) {
    std::vector<std::vector<VdColor>> older, newer = ReferenceCell(rig, text, cursor - kCell);
    if (cursor < kCell) older = ReferenceCell(rig, text, cursor - kCell + kW);
    std::vector<VdColor> out;
    for (int y = 0; y < kBand; ++y) {
        if (cursor < kCell) out.insert(out.end(), older[y].begin(), older[y].end());
        out.insert(out.end(), newer[y].begin(), newer[y].end());
    }
    return out;
}

std::vector<int> Samples(int zeros, const char* keyed) {
    std::vector<int> out(zeros, 0);
    for (const char* p = keyed; *p; ++p) out.push_back(*p == 'd' ? 1 : 0);
    return out;
}

TEST(VdJournalPanel, DecodedTextInTheBand) {
    struct Row {
        const char* what;
        int threshold;
        int zeros;          // idle samples first
        const char* keyed;  // d down, u up; the report comes on the last
        const char* text;
    };
    const Row rows[] = {
        // After one full turn of the ring the E comes at cursor 5: its cell
        // (-7..4) wraps and is drawn at both ends of the ring.
        {"E at cursor 5", 1, kW, "udu" "uu", "E"},
        {"E whole", 1, 20, "uduuu", "E"},
        {"T", 3, 5, "dddduuuuu", "T"},
        // .-.- is a prefix without a character of its own.
        {"unknown", 1, 3, "duddudu" "dduuu", "#"},
        {"unknown, wrapped", 1, kW - 8, "duddudu" "dduuu", "#"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        PanelRig rig(row.threshold);
        rig.Feed(Samples(row.zeros, row.keyed));
        rig.bench.Paint();
        const int cursor = (row.zeros + static_cast<int>(std::strlen(row.keyed))) % kW;
        const std::vector<VdColor> want = ExpectedCell(rig, row.text, cursor);
        ASSERT_EQ(static_cast<size_t>(kCell * kBand), want.size()) << "row " << i;
        std::vector<VdColor> got;
        int stray = 0;
        for (int y = kH - kBand; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                if (x >= kW - kCell)
                    got.push_back(rig.At(x, y));
                else
                    stray += rig.At(x, y) != kWhite;
            }
        // Ink in the older and the newer part of the cell; a wrapped cell
        // must show some of the character on both sides of the seam.
        int inkOld = 0, inkNew = 0;
        for (size_t k = 0; k < want.size(); ++k)
            (static_cast<int>(k % kCell) < kCell - cursor ? inkOld : inkNew) += want[k] != kWhite;
        EXPECT_GT(inkOld + inkNew, 0) << "row " << i << ": the reference shows nothing";
        if (cursor < kCell) {
            EXPECT_GT(inkOld, 0) << "row " << i;
            EXPECT_GT(inkNew, 0) << "row " << i;
        }
        EXPECT_EQ(want, got) << "row " << i << " " << row.what;
        for (size_t k = 0; k < want.size() && want != got; ++k)
            if (want[k] != got[k])
                ADD_FAILURE() << "x " << kW - kCell + int(k % kCell) << " y " << kH - kBand + int(k / kCell)
                              << std::hex << " want " << want[k] << " got " << got[k];
        EXPECT_EQ(0, stray) << "row " << i << " " << row.what;
    }
}

TEST(VdJournalPanel, OldTextIsClearedAsTheRingTurns) {
    PanelRig rig(1);
    rig.Feed(Samples(10, "uduuu"));  // E in columns 3..14 of the ring
    rig.Feed(std::vector<int>(kW, 0));
    rig.bench.Paint();
    int inked = 0;
    for (int y = kH - kBand; y < kH; ++y)
        for (int x = 0; x < kW; ++x) inked += rig.At(x, y) != kWhite;
    EXPECT_EQ(0, inked);
}

TEST(VdJournalPanel, ParseReportsFromOutsideTheFeedDrawToo) {
    // OnParse is the listener interface: a report that does not come from
    // the panel's own feed takes the lock itself and draws in the same cell.
    PanelRig rig(1000);
    rig.Feed(std::vector<int>(kW + 5, 0));
    EXPECT_EQ(1, rig.panel->OnParse(nullptr, nullptr));
    rig.bench.Paint();
    std::vector<VdColor> got;
    for (int y = kH - kBand; y < kH; ++y)
        for (int x = kW - kCell; x < kW; ++x) got.push_back(rig.At(x, y));
    EXPECT_EQ(ExpectedCell(rig, "#", 5), got);
}

}  // namespace
