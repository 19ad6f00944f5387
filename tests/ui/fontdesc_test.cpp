// The font description: what the constructor and setters store, the weight
// classes, the face-name limit, and that a changed attribute reaches the
// text after the font is selected again (on both back ends).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "tests/ui/testsurfaces.h"
#include "ui/fontdesc.h"

namespace {

TEST(FontDesc, WeightClasses) {
    struct Row {
        int start, cls, weight;
    } rows[] = {
        {0, 0, 100}, {0, 1, 400}, {0, 2, 700}, {2, 0, 100}, {1, 3, 400}, {2, 5, 700},
        {0, -1, 100}, {1, 100, 400}, {1, 400, 400}, {3, 3, 0},  // no valid class ever given: 0
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CFontDesc f("Arial", 12, rows[i].start);
        f.SetWeight(rows[i].cls);
        EXPECT_EQ(rows[i].weight, f.GetDescription().lfWeight) << "row " << i;
    }
}

TEST(FontDesc, FaceNameIsCutTo31Characters) {
    struct Row {
        const char* name;
        const char* stored;
    } rows[] = {
        {"Courier New", "Courier New"},
        {"", ""},
        {nullptr, ""},
        {"0123456789012345678901234567890", "0123456789012345678901234567890"},
        {"0123456789012345678901234567890123", "0123456789012345678901234567890"},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CFontDesc f("Times New Roman", 10, 1);
        f.SetFaceName(rows[i].name);
        EXPECT_STREQ(rows[i].stored, f.GetDescription().lfFaceName) << "row " << i;
        EXPECT_EQ('\0', f.GetDescription().lfFaceName[31]) << "row " << i;
    }
}

// Ink height of "H" drawn with the font, selected afresh.
int InkHeight(CDrawSurface* s, CFontDesc* font) {
    s->SetOrigin(0, 0);
    s->SetBrushColor(0xFFFFFF);
    VdRect all{0, 0, s->GetWidth(), s->GetHeight()};
    s->FillRect(&all);
    s->SelectFont(font);
    s->SetPenColor(0);
    s->DrawText(&all, "H", VD_DT_SINGLELINE);
    int top = -1, bottom = -1;
    for (int y = 0; y < s->GetHeight(); ++y)
        for (int x = 0; x < s->GetWidth(); ++x)
            if (s->GetPixel(x, y) != 0xFFFFFF) {
                if (top < 0) top = y;
                bottom = y + 1;
            }
    return top < 0 ? 0 : bottom - top;
}

TEST(FontDesc, ChangedAttributesReachTheText) {
    std::unique_ptr<IWindowHost> host(CreateTestHost(120, 80));
    std::unique_ptr<CDrawSurface> s(host->CreateSurface(120, 80));
    CFontDesc f("Arial", 12, 1);
    int small = InkHeight(s.get(), &f);
    f.SetHeight(36);
    int large = InkHeight(s.get(), &f);
    f.SetHeight(-36);  // em height: a taller cell than 36
    int em = InkHeight(s.get(), &f);
    // Capitals are some 0.64 of a positive (cell) height.
    EXPECT_NEAR(8, small, 2) << TestBackEndName();
    EXPECT_NEAR(23, large, 2) << TestBackEndName();
    EXPECT_GT(em, large) << TestBackEndName();
}

}  // namespace
