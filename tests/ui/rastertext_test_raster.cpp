// Raster text specifics: FreeType metrics by the GDI height rule, fonts kept
// alive by the surface that selected them, and text drawn from several
// threads at once on surfaces sharing one font (the journal panels draw on
// their own surfaces from sampling threads; run under the thread sanitizer).
#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "ui/drawsurface_raster.h"
#include "ui/fontdesc.h"
#include "ui/fontdesc_raster.h"

namespace {

TEST(RasterText, HeightRuleAndFaces) {
    struct Row {
        const char* face;
        int height, weight;
        int cell;  // ascent + descent
    } rows[] = {
        {"Arial", 12, 0, 12}, {"Arial", 16, 1, 16}, {"Arial", 0, 1, 16},
        {"Arial", -16, 1, 17},  // em 16: rounded 16 * winAscent / unitsPerEm plus the same of winDescent
        {"Courier New", 14, 1, 14}, {"Times New Roman", 20, 2, 20}, {"NoSuchFace", 13, 1, 13},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CFontDesc f(rows[i].face, rows[i].height, rows[i].weight);
        auto* font = static_cast<CRasterFont*>(f.GetFont());
        ASSERT_TRUE(font != nullptr) << "row " << i;
        EXPECT_EQ(rows[i].cell, font->GetHeight()) << "row " << i;
        EXPECT_GT(font->GetAscent(), font->GetDescent()) << "row " << i;
    }
    // The monospaced face maps to a monospaced file.
    CFontDesc mono("Courier New", 14, 1);
    auto* m = static_cast<CRasterFont*>(mono.GetFont());
    std::lock_guard<std::mutex> hold(RasterFontLock());  // glyph calls need it
    EXPECT_EQ(m->GetAdvance('i'), m->GetAdvance('W'));
}

TEST(RasterText, SelectedFontOutlivesItsDescription) {
    CRasterDrawSurface s(80, 30);
    VdRect r{0, 0, 80, 30};
    s.SetBrushColor(0xFFFFFF);
    s.FillRect(&r);
    {
        CFontDesc f("Arial", 20, 1);
        s.SelectFont(&f);
    }
    s.DrawText(&r, "H", VD_DT_SINGLELINE);  // still the 20-unit font
    int ink = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 80; ++x) ink += s.GetPixel(x, y) == 0;
    EXPECT_GT(ink, 10);
}

TEST(RasterText, TextFromSeveralThreads) {
    CFontDesc shared("Arial", 12, 0);
    constexpr int kThreads = 4;
    std::vector<std::unique_ptr<CRasterDrawSurface>> surfaces;
    for (int t = 0; t < kThreads; ++t) surfaces.emplace_back(new CRasterDrawSurface(120, 20));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            CRasterDrawSurface* s = surfaces[t].get();
            VdRect r{0, 0, 120, 20};
            for (int i = 0; i < 200; ++i) {
                if (t % 2 == 0) s->SelectFont(&shared);  // the others use the default font
                s->SetBrushColor(0xFFFFFF);
                s->DrawText(&r, "CQ CQ DE VARDO", VD_DT_CENTER | VD_DT_VCENTER | VD_DT_SINGLELINE);
            }
        });
    }
    for (std::thread& th : threads) th.join();
    // Each surface shows the same text as one drawn alone.
    for (int t = 0; t < kThreads; ++t) {
        CRasterDrawSurface alone(120, 20);
        if (t % 2 == 0) alone.SelectFont(&shared);
        alone.SetBrushColor(0xFFFFFF);
        VdRect r{0, 0, 120, 20};
        alone.DrawText(&r, "CQ CQ DE VARDO", VD_DT_CENTER | VD_DT_VCENTER | VD_DT_SINGLELINE);
        int diff = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 120; ++x) diff += alone.GetPixel(x, y) != surfaces[t]->GetPixel(x, y);
        EXPECT_EQ(0, diff) << "surface " << t;
    }
}

}  // namespace
