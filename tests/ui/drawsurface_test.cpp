// Pixel rules of CDrawSurface, one source for both back ends (raster natively,
// GDI under Wine): origin, exclusive right and bottom edges, line end points,
// blits, fills, broken-line patterns, rounded rectangles and text layout.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/testsurfaces.h"
#include "ui/fontdesc.h"

namespace {

constexpr VdColor kWhite = 0xFFFFFF;
constexpr VdColor kRed = VdRgb(255, 0, 0);
constexpr VdColor kBlue = VdRgb(0, 0, 255);
constexpr VdColor kGreen = VdRgb(0, 160, 0);

struct tagBox {
    int left, top, right, bottom;  // right/bottom exclusive; left > right when empty
    int count;
};

// Bounding box and count of the pixels in r whose colour differs from bg.
tagBox Ink(const CDrawSurface& s, VdColor bg, VdRect r) {
    tagBox b{1 << 30, 1 << 30, -1, -1, 0};
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            if (s.GetPixel(x, y) != bg) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x + 1);
                b.bottom = std::max(b.bottom, y + 1);
                ++b.count;
            }
        }
    }
    return b;
}

VdRect Whole(const CDrawSurface& s) { return VdRect{0, 0, s.GetWidth(), s.GetHeight()}; }

std::string At(size_t i) { return std::string(TestBackEndName()) + " row " + std::to_string(i); }

// Count and, when anything is inked, the bounding box.
void ExpectBox(const tagBox& expect, const tagBox& got, const std::string& where) {
    EXPECT_EQ(expect.count, got.count) << where;
    if (expect.count > 0) {
        EXPECT_EQ(expect.left, got.left) << where;
        EXPECT_EQ(expect.top, got.top) << where;
        EXPECT_EQ(expect.right, got.right) << where;
        EXPECT_EQ(expect.bottom, got.bottom) << where;
    }
}

class DrawSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.reset(CreateTestHost(kW, kH));
        ASSERT_TRUE(host != nullptr) << TestBackEndName();
        surface.reset(host->CreateWindowSurface());
        ASSERT_TRUE(surface != nullptr) << TestBackEndName();
    }
    // Runs an empty paint pass so that the window surface's background mode
    // becomes transparent, as in every pass of the program.
    void PaintPass() {
        host->Invalidate(nullptr);
        surface->BeginPaint();
        surface->EndPaint();
    }
    void Clear(CDrawSurface* s, VdColor c) {
        s->SetOrigin(0, 0);
        s->SetBrushColor(c);
        VdRect all = Whole(*s);
        s->FillRect(&all);
    }

    static constexpr int kW = 200;
    static constexpr int kH = 120;
    std::unique_ptr<IWindowHost> host;
    std::unique_ptr<CDrawSurface> surface;
};

TEST_F(DrawSurfaceTest, NewWindowSurfaceIsWhiteAtClientSize) {
    EXPECT_EQ(kW, surface->GetWidth()) << TestBackEndName();
    EXPECT_EQ(kH, surface->GetHeight()) << TestBackEndName();
    EXPECT_EQ(0, Ink(*surface, kWhite, Whole(*surface)).count) << TestBackEndName();
}

TEST_F(DrawSurfaceTest, FillRectHonoursOriginAndExclusiveEdges) {
    struct Row {
        int ox, oy;
        VdRect r;
        tagBox expect;  // count = filled pixels
    } rows[] = {
        {10, 20, {0, 0, 5, 5}, {10, 20, 15, 25, 25}},
        {0, 0, {3, 4, 4, 5}, {3, 4, 4, 5, 1}},
        {-5, -5, {0, 0, 10, 10}, {0, 0, 5, 5, 25}},            // partly above and left of the buffer
        {190, 110, {0, 0, 20, 20}, {190, 110, 200, 120, 100}},  // cut at the far edges
        {0, 0, {10, 10, 5, 20}, {6, 10, 11, 20, 50}},           // inverted: a mirrored block
        {0, 0, {10, 20, 15, 10}, {10, 11, 15, 21, 50}},
        {0, 0, {10, 10, 10, 20}, {1 << 30, 1 << 30, -1, -1, 0}},// empty
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        Clear(surface.get(), kWhite);
        surface->SetOrigin(rows[i].ox, rows[i].oy);
        surface->SetBrushColor(kRed);
        surface->FillRect(&rows[i].r);
        tagBox got = Ink(*surface, kWhite, Whole(*surface));
        ExpectBox(rows[i].expect, got, At(i));
        if (got.count > 0) {
            EXPECT_EQ(kRed, surface->GetPixel(got.left, got.top)) << At(i);
        }
    }
}

TEST_F(DrawSurfaceTest, LinesLeaveOutTheEndPoint) {
    struct Row {
        int ox, oy, x1, y1, x2, y2;
        std::vector<VdPoint> expect;
    } rows[] = {
        {0, 0, 0, 2, 0, 7, {{0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6}}},
        {0, 0, 3, 1, 8, 1, {{3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 1}}},
        {0, 0, 8, 1, 3, 1, {{8, 1}, {7, 1}, {6, 1}, {5, 1}, {4, 1}}},
        {0, 0, 0, 0, 4, 4, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}},
        {0, 0, 4, 0, 0, 4, {{4, 0}, {3, 1}, {2, 2}, {1, 3}}},
        {30, 40, 0, 0, 0, 3, {{30, 40}, {30, 41}, {30, 42}}},
        {0, 0, 5, 5, 5, 5, {}},
        {0, 0, 0, 0, 1, 0, {{0, 0}}},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        Clear(surface.get(), kWhite);
        surface->SetOrigin(rows[i].ox, rows[i].oy);
        surface->SetPenColor(kBlue);
        surface->DrawLine(rows[i].x1, rows[i].y1, rows[i].x2, rows[i].y2);
        tagBox got = Ink(*surface, kWhite, Whole(*surface));
        EXPECT_EQ(static_cast<int>(rows[i].expect.size()), got.count) << At(i);
        for (const VdPoint& p : rows[i].expect) {
            EXPECT_EQ(kBlue, surface->GetPixel(p.x, p.y))
                << At(i) << " at " << p.x << "," << p.y;
        }
    }
}

TEST_F(DrawSurfaceTest, BlitCopiesExactlyTheBlock) {
    std::unique_ptr<CDrawSurface> source(host->CreateSurface(40, 30));
    ASSERT_TRUE(source != nullptr);
    ASSERT_EQ(40, source->GetWidth());
    ASSERT_EQ(30, source->GetHeight());
    Clear(source.get(), kGreen);
    source->SetBrushColor(kRed);
    VdRect mark{5, 6, 6, 7};
    source->FillRect(&mark);
    struct Row {
        int ox, oy;
        VdRect r;
        int sx, sy;
        tagBox expect;
        VdPoint red;  // where the source's (5, 6) lands, or -1
    } rows[] = {
        {100, 50, {0, 0, 20, 10}, 0, 0, {100, 50, 120, 60, 200}, {105, 56}},
        {0, 0, {10, 10, 50, 40}, 0, 0, {10, 10, 50, 40, 1200}, {15, 16}},
        {20, 0, {0, 0, 10, 10}, 5, 6, {20, 0, 30, 10, 100}, {20, 0}},
        {0, 0, {0, 0, 0, 10}, 0, 0, {1 << 30, 1 << 30, -1, -1, 0}, {-1, -1}},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        Clear(surface.get(), kWhite);
        surface->SetOrigin(rows[i].ox, rows[i].oy);
        surface->Blit(&rows[i].r, source.get(), rows[i].sx, rows[i].sy);
        ExpectBox(rows[i].expect, Ink(*surface, kWhite, Whole(*surface)), At(i));
        if (rows[i].red.x >= 0) {
            EXPECT_EQ(kRed, surface->GetPixel(rows[i].red.x, rows[i].red.y)) << At(i);
        }
    }
}

// Runs of equal colour along row y from x0 to x1 (exclusive).
std::vector<std::pair<VdColor, int>> Runs(const CDrawSurface& s, int y, int x0, int x1) {
    std::vector<std::pair<VdColor, int>> runs;
    for (int x = x0; x < x1; ++x) {
        VdColor c = s.GetPixel(x, y);
        if (runs.empty() || runs.back().first != c) {
            runs.push_back({c, 0});
        }
        ++runs.back().second;
    }
    return runs;
}

// Dashed until the first pen change, dotted after it; the gaps keep the
// background in a paint pass and take the background colour off-screen.
TEST_F(DrawSurfaceTest, BrokenLinePatterns) {
    PaintPass();
    std::unique_ptr<CDrawSurface> off(host->CreateSurface(80, 20));
    struct Row {
        bool offScreen, changePen;
        int on, off;
        VdColor ink, gap;
    } rows[] = {{false, false, 18, 6, 0, kWhite}, {false, true, 3, 3, kBlue, kWhite}, {true, false, 18, 6, 0, kGreen}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CDrawSurface* s = rows[i].offScreen ? off.get() : surface.get();
        Clear(s, kWhite);
        s->SetBrushColor(kGreen);  // also the background colour
        if (rows[i].changePen) s->SetPenColor(kBlue);
        s->DrawBrokenLine(0, 10, 60, 10);
        auto runs = Runs(*s, 10, 0, 60);
        ASSERT_GE(runs.size(), 3u) << At(i);
        EXPECT_EQ(rows[i].ink, runs[0].first) << At(i);
        EXPECT_EQ(rows[i].on, runs[0].second) << At(i);
        EXPECT_EQ(rows[i].gap, runs[1].first) << At(i);
        EXPECT_EQ(rows[i].off, runs[1].second) << At(i);
        EXPECT_EQ(rows[i].ink, runs[2].first) << At(i);
        EXPECT_EQ(kWhite, s->GetPixel(60, 10)) << At(i);
    }
}

TEST_F(DrawSurfaceTest, RoundRectFilledAndOutlined) {
    struct Row {
        VdRect r;
        int ew, eh;
    } rows[] = {{{10, 10, 60, 40}, 0, 0}, {{10, 10, 60, 40}, 10, 10}, {{20, 30, 100, 90}, 20, 12}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        Clear(surface.get(), kWhite);
        surface->SetOrigin(5, 5);
        surface->SetPenColor(kBlue);
        surface->SetBrushColor(kRed);
        surface->DrawRoundRect(&rows[i].r, rows[i].ew, rows[i].eh);
        VdRect r = rows[i].r;
        int l = r.left + 5, t = r.top + 5, rt = r.right + 5, b = r.bottom + 5;
        tagBox got = Ink(*surface, kWhite, Whole(*surface));
        ExpectBox(tagBox{l, t, rt, b, got.count}, got, At(i));
        int cx = (l + rt) / 2, cy = (t + b) / 2;
        EXPECT_EQ(kRed, surface->GetPixel(cx, cy)) << At(i);
        EXPECT_EQ(kBlue, surface->GetPixel(cx, t)) << At(i);
        EXPECT_EQ(kBlue, surface->GetPixel(cx, b - 1)) << At(i);
        EXPECT_EQ(kBlue, surface->GetPixel(l, cy)) << At(i);
        EXPECT_EQ(kBlue, surface->GetPixel(rt - 1, cy)) << At(i);
        EXPECT_EQ(rows[i].ew > 2 ? kWhite : kBlue, surface->GetPixel(l, t)) << At(i) << " corner";
    }
}

class DrawTextTest : public DrawSurfaceTest {
protected:
    void SetUp() override {
        DrawSurfaceTest::SetUp();
        font.reset(new CFontDesc("Arial", 16, 1));
        surface->SelectFont(font.get());
    }
    std::unique_ptr<CFontDesc> font;
};

TEST_F(DrawTextTest, TextCentredInItsRectangle) {
    PaintPass();
    struct Row {
        VdRect r;
        const char* text;
    } rows[] = {{{0, 0, 200, 120}, "H"}, {{20, 10, 120, 50}, "HIH"}, {{50, 60, 90, 100}, "EH"}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        Clear(surface.get(), kWhite);
        surface->SetPenColor(kBlue);
        surface->DrawText(&rows[i].r, rows[i].text, VD_DT_CENTER | VD_DT_VCENTER | VD_DT_SINGLELINE);
        tagBox ink = Ink(*surface, kWhite, Whole(*surface));
        ASSERT_GT(ink.count, 0) << At(i);
        const VdRect& r = rows[i].r;
        EXPECT_NEAR((r.left + r.right) / 2.0, (ink.left + ink.right) / 2.0, 2.0) << At(i);
        EXPECT_NEAR((r.top + r.bottom) / 2.0, (ink.top + ink.bottom) / 2.0, 2.5) << At(i);
        // Capital letters of a 16-unit cell are some 11 pixels tall.
        EXPECT_NEAR(11, ink.bottom - ink.top, 2) << At(i);
    }
}

TEST_F(DrawTextTest, TextIsClippedToItsRectangle) {
    PaintPass();
    for (size_t i = 0; i < 2; ++i) {
        Clear(surface.get(), kWhite);
        surface->SetPenColor(0);
        VdRect r{30, 30, 60, 38};
        unsigned noClip = i == 1 ? static_cast<unsigned>(VD_DT_NOCLIP) : 0u;
        surface->DrawText(&r, "WWWWWWWWWWWW", VD_DT_SINGLELINE | VD_DT_CENTER | VD_DT_VCENTER | noClip);
        int all = Ink(*surface, kWhite, Whole(*surface)).count, inside = Ink(*surface, kWhite, r).count;
        ASSERT_GT(inside, 0) << At(i);
        EXPECT_EQ(i == 1, all > inside) << At(i);
    }
}

// End ellipsis: the cut text is the longest prefix that fits with "..."
// after it, drawn exactly as that shortened string would be.
TEST_F(DrawTextTest, EndEllipsisCutsToAFittingPrefix) {
    PaintPass();
    struct Row {
        const char* text;
        int width;
        bool cut;
    } rows[] = {{"ABCDEFGHIJKLMNOP", 70, true}, {"ABCDEFGHIJKLMNOP", 60, true}, {"ABC", 100, false}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        VdRect r{10, 10, 10 + rows[i].width, 40};
        Clear(surface.get(), kWhite);
        surface->SetPenColor(0);
        surface->DrawText(&r, rows[i].text, VD_DT_SINGLELINE | VD_DT_END_ELLIPSIS);
        std::vector<VdColor> cut;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) cut.push_back(surface->GetPixel(x, y));
        EXPECT_EQ(Ink(*surface, kWhite, r).count, Ink(*surface, kWhite, Whole(*surface)).count)
            << At(i);
        std::string full = rows[i].text;
        int matched = -1;
        for (size_t k = 0; k <= full.size() && matched < 0; ++k) {
            std::string candidate = k == full.size() ? full : full.substr(0, k) + "...";
            Clear(surface.get(), kWhite);
            surface->DrawText(&r, candidate.c_str(), VD_DT_SINGLELINE);
            bool same = true;
            for (int y = 0; y < kH && same; ++y)
                for (int x = 0; x < kW && same; ++x) same = surface->GetPixel(x, y) == cut[y * kW + x];
            if (same) matched = static_cast<int>(k);
        }
        ASSERT_GE(matched, 0) << At(i);
        EXPECT_EQ(rows[i].cut, matched < static_cast<int>(full.size())) << At(i);
    }
}

// Off-screen surfaces keep the opaque background mode: the text cell takes
// the brush (background) colour; a window surface in a paint pass does not.
TEST_F(DrawTextTest, BackgroundOpaqueOffScreenTransparentInPaintPass) {
    std::unique_ptr<CDrawSurface> off(host->CreateSurface(100, 40));
    struct Row {
        bool window;
    } rows[] = {{false}, {true}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CDrawSurface* s = rows[i].window ? surface.get() : off.get();
        if (rows[i].window) PaintPass();
        s->SelectFont(font.get());
        Clear(s, kRed);
        s->SetBrushColor(kGreen);
        s->SetPenColor(0);
        VdRect r{0, 0, 100, 40};
        s->DrawText(&r, "H", VD_DT_SINGLELINE);
        // The top row of the cell lies above the capital letter.
        EXPECT_EQ(rows[i].window ? kRed : kGreen, s->GetPixel(1, 0)) << At(i);
        EXPECT_EQ(kRed, s->GetPixel(90, 0)) << At(i);
        EXPECT_EQ(kRed, s->GetPixel(1, 30)) << At(i);
    }
}

}  // namespace
