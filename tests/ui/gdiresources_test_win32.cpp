// GDI object accounting of the Windows back end: every surface and font
// gives back what it took, replacing a pen or brush deletes the old one, and
// many create/destroy rounds leave the object count flat. Counted both by
// the wrappers' own counter and by the process's GDI object count:
// GetGuiResources where the platform reports it, else (Wine, where it is a
// stub) the number of objects the handle table still has room for.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "tests/ui/testsurfaces.h"
#include "ui/drawsurface_win32.h"
#include "ui/fontdesc.h"
#include "ui/gdihandles_win32.h"

namespace {

// Objects in use, up to a constant: only differences are meaningful.
long SystemCount() {
    DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0) {
        return static_cast<long>(reported);
    }
    std::vector<HPEN> pens;
    HPEN p;
    while (pens.size() < 200000 && (p = CreatePen(PS_SOLID, 1, 0)) != nullptr) {
        pens.push_back(p);
    }
    for (HPEN h : pens) DeleteObject(h);
    return -static_cast<long>(pens.size());
}

class GdiResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.reset(CreateTestHost(120, 80));
        ASSERT_TRUE(host != nullptr);
        // First use of some objects allocates lasting state; let that happen
        // before anything is counted.
        std::unique_ptr<CDrawSurface> warm(host->CreateWindowSurface());
        CFontDesc font("Arial", 12, 1);
        warm->SelectFont(&font);
        VdRect r{0, 0, 10, 10};
        warm->DrawText(&r, "x", VD_DT_SINGLELINE);
        warm->DrawRoundRect(&r, 2, 2);
        SystemCount();
    }
    std::unique_ptr<IWindowHost> host;
};

TEST_F(GdiResourcesTest, ChangingThePenTwiceLeavesExactlyTwoPens) {
    std::unique_ptr<CDrawSurface> s(host->CreateSurface(20, 20));
    auto* gdi = dynamic_cast<CGdiDrawSurface*>(s.get());
    ASSERT_TRUE(gdi != nullptr);
    // Draw once with each pen so that they have been selected.
    s->DrawLine(0, 0, 5, 0);
    s->DrawBrokenLine(0, 1, 5, 1);
    HPEN first[2] = {gdi->GetSolidPen(), gdi->GetBrokenPen()};
    int before = VdLiveGdiObjectCount();
    long sysBefore = SystemCount();
    s->SetPenColor(VdRgb(255, 0, 0));
    HPEN second[2] = {gdi->GetSolidPen(), gdi->GetBrokenPen()};
    s->SetPenColor(VdRgb(0, 0, 255));
    HPEN third[2] = {gdi->GetSolidPen(), gdi->GetBrokenPen()};
    EXPECT_EQ(before, VdLiveGdiObjectCount());
    EXPECT_EQ(sysBefore, SystemCount());
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(0u, GetObjectType(first[k])) << "pen " << k;
        EXPECT_EQ(0u, GetObjectType(second[k])) << "pen " << k;
        EXPECT_EQ(static_cast<DWORD>(OBJ_PEN), GetObjectType(third[k])) << "pen " << k;
    }
    LOGPEN lp;
    ASSERT_EQ(static_cast<int>(sizeof(lp)), GetObject(third[0], sizeof(lp), &lp));
    EXPECT_EQ(static_cast<UINT>(PS_SOLID), lp.lopnStyle);
    EXPECT_EQ(VdRgb(0, 0, 255), lp.lopnColor);
    ASSERT_EQ(static_cast<int>(sizeof(lp)), GetObject(third[1], sizeof(lp), &lp));
    EXPECT_EQ(static_cast<UINT>(PS_DOT), lp.lopnStyle);
}

// A font is selected only while text is drawn, so a description that goes
// away while a surface still names its font leaks nothing and breaks nothing.
TEST_F(GdiResourcesTest, FontGoneBeforeTheSurfaceIsHarmless) {
    int before = VdLiveGdiObjectCount();
    long sysBefore = SystemCount();
    {
        std::unique_ptr<CDrawSurface> s(host->CreateSurface(60, 20));
        {
            CFontDesc font("Arial", 14, 1);
            s->SelectFont(&font);
            VdRect r{0, 0, 60, 20};
            s->DrawText(&r, "ab", VD_DT_SINGLELINE);
        }
        VdRect r{0, 0, 60, 20};
        s->DrawText(&r, "cd", VD_DT_SINGLELINE);
    }
    EXPECT_EQ(before, VdLiveGdiObjectCount());
    EXPECT_EQ(sysBefore, SystemCount());
}

// Many rounds of every kind of object end where they began.
TEST_F(GdiResourcesTest, ManyRoundsLeaveTheCountFlat) {
    int before = VdLiveGdiObjectCount();
    long sysBefore = SystemCount();
    constexpr int kRounds = 3000;
    int failed = 0;
    for (int i = 0; i < kRounds; ++i) {
        std::unique_ptr<CDrawSurface> s(i % 2 ? host->CreateWindowSurface() : host->CreateSurface(16, 16));
        CFontDesc font("Arial", 10 + i % 5, i % 3);
        s->SelectFont(&font);
        s->SetPenColor(static_cast<VdColor>(i));
        s->SetBrushColor(static_cast<VdColor>(i * 7));
        VdRect r{0, 0, 16, 16};
        s->DrawRoundRect(&r, 4, 4);
        s->DrawText(&r, "x", VD_DT_SINGLELINE);
        auto* gdi = dynamic_cast<CGdiDrawSurface*>(s.get());
        if (gdi->GetBitmap() == nullptr || gdi->GetMemoryDC() == nullptr || font.GetFont() == nullptr) {
            ++failed;
        }
    }
    EXPECT_EQ(0, failed);
    EXPECT_EQ(before, VdLiveGdiObjectCount());
    EXPECT_EQ(sysBefore, SystemCount());
}

}  // namespace
