// The headless window host: invalidation records, the update rectangle of a
// paint pass (union of invalidations, or the whole client when none), the
// screen image each pass updates, and invalidation from several threads
// while the window thread paints.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "ui/drawsurface_raster.h"
#include "ui/eventdispatcher.h"
#include "ui/windowhost_headless.h"

namespace {

bool Same(const VdRect& a, const VdRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Show(const VdRect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

TEST(HeadlessHost, PaintPassUsesTheUnionOfInvalidations) {
    CHeadlessWindowHost host(200, 100, VdRect{0, 0, 200, 100});
    std::unique_ptr<CDrawSurface> s(host.CreateWindowSurface());
    struct Row {
        std::vector<VdRect> invalid;  // {-1,...} stands for a null rectangle
        VdRect update;
    } rows[] = {
        {{}, {0, 0, 200, 100}},
        {{{10, 10, 20, 20}}, {10, 10, 20, 20}},
        {{{10, 10, 20, 20}, {50, 5, 60, 15}}, {10, 5, 60, 20}},
        {{{-20, -20, 10, 10}}, {0, 0, 10, 10}},         // cut to the client area
        {{{30, 30, 30, 40}}, {0, 0, 200, 100}},         // empty: asks for nothing
        {{{30, 30, 40, 40}, {-1, -1, -1, -1}}, {0, 0, 200, 100}},
        {{{150, 90, 400, 400}, {5, 6, 7, 8}}, {5, 6, 200, 100}},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        host.ClearInvalidations();
        for (const VdRect& r : rows[i].invalid) host.Invalidate(r.left == -1 ? nullptr : &r);
        EXPECT_EQ(static_cast<int>(rows[i].invalid.size()), host.GetInvalidationCount()) << "row " << i;
        s->BeginPaint();
        const VdRect* u = s->GetPaintRect();
        ASSERT_TRUE(u != nullptr) << "row " << i;
        EXPECT_TRUE(Same(rows[i].update, *u)) << "row " << i << " got " << Show(*u);
        EXPECT_FALSE(host.HasPendingPaint()) << "row " << i;
        s->EndPaint();
        EXPECT_TRUE(Same(rows[i].update, host.GetLastPaintRect())) << "row " << i;
    }
    EXPECT_EQ(7, host.GetPaintBeginCount());
    EXPECT_EQ(7, host.GetPaintEndCount());
    // Null is recorded as the client rectangle, in call order.
    host.ClearInvalidations();
    VdRect r{1, 2, 3, 4};
    host.Invalidate(nullptr);
    host.Invalidate(&r);
    std::vector<VdRect> got = host.GetInvalidations();
    ASSERT_EQ(2u, got.size());
    EXPECT_TRUE(Same(VdRect{0, 0, 200, 100}, got[0])) << Show(got[0]);
    EXPECT_TRUE(Same(r, got[1])) << Show(got[1]);
    EXPECT_TRUE(host.HasPendingPaint());
    EXPECT_TRUE(Same(VdRect{0, 0, 200, 100}, host.GetPendingRect()));
}

TEST(HeadlessHost, EndOfPassShowsOnlyTheUpdateRectangle) {
    CHeadlessWindowHost host(100, 60, VdRect{0, 0, 100, 60});
    std::unique_ptr<CDrawSurface> s(host.CreateWindowSurface());
    const VdColor red = VdRgb(255, 0, 0);
    VdRect part{10, 20, 30, 25};
    host.Invalidate(&part);
    s->BeginPaint();
    s->SetBrushColor(red);
    VdRect all{0, 0, 100, 60};
    s->FillRect(&all);
    // Before the end of the pass nothing reaches the screen.
    EXPECT_EQ(0xFFFFFFu, host.GetScreen().GetPixel(15, 22));
    s->EndPaint();
    int shown = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x) {
            bool inside = VdPtInRect(part, x, y);
            VdColor c = host.GetScreen().GetPixel(x, y);
            EXPECT_EQ(inside ? red : 0xFFFFFFu, c) << x << "," << y;
            shown += c == red;
        }
    EXPECT_EQ(20 * 5, shown);
    // An off-screen surface has no passes.
    std::unique_ptr<CDrawSurface> off(host.CreateSurface(10, 10));
    off->BeginPaint();
    off->EndPaint();
    EXPECT_EQ(1, host.GetPaintEndCount());
}

// Worker threads invalidate while the window thread paints; nothing is lost
// and the record stays consistent (run under the thread sanitizer).
TEST(HeadlessHost, InvalidationFromManyThreads) {
    CHeadlessWindowHost host(400, 300, VdRect{0, 0, 400, 300});
    CEventDispatcherWin32 dispatcher(&host);
    constexpr int kThreads = 4;
    constexpr int kEach = 500;
    std::atomic<int> running{kThreads};
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                VdRect r{t * 50, i % 200, t * 50 + 10, i % 200 + 5};
                dispatcher.Invalidate(&r);
            }
            running.fetch_sub(1);
        });
    }
    int passes = 0;
    while (running.load() > 0 || host.HasPendingPaint()) {
        if (host.HasPendingPaint()) {
            dispatcher.HandleMessage(VD_WM_PAINT, 0, 0);
            ++passes;
        } else {
            std::this_thread::yield();
        }
    }
    for (std::thread& w : workers) w.join();
    EXPECT_EQ(kThreads * kEach, host.GetInvalidationCount());
    EXPECT_GE(passes, 1);
    EXPECT_EQ(passes, host.GetPaintEndCount());
    EXPECT_FALSE(host.HasPendingPaint());
    for (const VdRect& r : host.GetInvalidations()) {
        ASSERT_EQ(10, r.right - r.left);
        ASSERT_EQ(5, r.bottom - r.top);
    }
}

}  // namespace
