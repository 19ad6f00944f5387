// Line control: bounds and relative end points from two window points, and
// exactly the pixels of the line (end point excluded) painted black.
#include <gtest/gtest.h>

#include "tests/ui/vdcontroltestkit.h"
#include "ui/vdline.h"

namespace {

TEST(VdLine, BoundsAndPixels) {
    struct Row {
        int x1, y1, x2, y2;
        VdRect bounds;
        int blackPixels;           // in the whole window
        int firstX, firstY;        // drawn
        int lastX, lastY;          // the end point: not drawn
    };
    const Row rows[] = {
        {5, 7, 15, 7, {5, 7, 16, 8}, 10, 5, 7, 15, 7},       // horizontal, x 5..14
        {15, 7, 5, 7, {5, 7, 16, 8}, 10, 15, 7, 5, 7},       // drawn right to left
        {30, 2, 30, 12, {30, 2, 31, 13}, 10, 30, 2, 30, 12}, // vertical
        {10, 40, 12, 20, {10, 20, 13, 41}, 20, 10, 40, 12, 20},
        {50, 50, 50, 50, {50, 50, 51, 51}, 0, -1, -1, 50, 50},  // a point: nothing drawn
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        CControlBench bench(80, 60);
        CVdLine line(&bench.Parent(), row.x1, row.y1, row.x2, row.y2);
        bench.Dispatcher().AddPaintControl(&line);
        VdRect got{};
        line.GetRect(&got);
        EXPECT_EQ(row.bounds.left, got.left) << "row " << i;
        EXPECT_EQ(row.bounds.top, got.top) << "row " << i;
        EXPECT_EQ(row.bounds.right, got.right) << "row " << i;
        EXPECT_EQ(row.bounds.bottom, got.bottom) << "row " << i;
        EXPECT_EQ(1, line.HitTest(got.left, got.top)) << "row " << i;
        EXPECT_EQ(0, line.HitTest(got.right, got.top)) << "row " << i;
        EXPECT_EQ(1, bench.Paint()) << "row " << i;
        int black = 0, outside = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x) {
                VdColor c = bench.Pixel(x, y);
                if (c == 0x000000) ++black;
                if (c != 0x000000 && c != 0xFFFFFF) ++outside;
                if (c == 0x000000 && !VdPtInRect(row.bounds, x, y)) ++outside;
            }
        EXPECT_EQ(row.blackPixels, black) << "row " << i;
        EXPECT_EQ(0, outside) << "row " << i;
        if (row.firstX >= 0) {
            EXPECT_EQ(0x000000u, bench.Pixel(row.firstX, row.firstY)) << "row " << i;
        }
        EXPECT_EQ(0xFFFFFFu, bench.Pixel(row.lastX, row.lastY)) << "row " << i;
    }
}

TEST(VdLine, HorizontalLineCoversItsRow) {
    CControlBench bench(40, 20);
    CVdLine line(&bench.Parent(), 5, 7, 15, 7);
    bench.Dispatcher().AddPaintControl(&line);
    bench.Paint();
    for (int x = 0; x < 40; ++x)
        EXPECT_EQ(x >= 5 && x <= 14 ? 0x000000u : 0xFFFFFFu, bench.Pixel(x, 7)) << "x " << x;
}

}  // namespace
