// Line: bounds from two window points, and exactly the line's pixels (end
// point excluded) painted black inside them.
#include <gtest/gtest.h>

#include "tests/ui/vdcontroltestkit.h"
#include "ui/vdline.h"

namespace {

TEST(VdLine, BoundsAndPixels) {
    struct Row {
        int x1, y1, x2, y2;
        VdRect bounds;
        int black;  // pixels drawn
    };
    const Row rows[] = {
        {5, 7, 15, 7, {5, 7, 16, 8}, 10},  // x 5..14 of row 7
        {15, 7, 5, 7, {5, 7, 16, 8}, 10},  // x 15..6
        {30, 2, 30, 12, {30, 2, 31, 13}, 10},
        {10, 40, 12, 20, {10, 20, 13, 41}, 20},
        {50, 50, 50, 50, {50, 50, 51, 51}, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        CControlBench bench(80, 60);
        CVdLine line(&bench.Parent(), row.x1, row.y1, row.x2, row.y2);
        bench.D().AddPaintControl(&line);
        VdRect r{};
        line.GetRect(&r);
        EXPECT_EQ(row.bounds.left, r.left) << "row " << i;
        EXPECT_EQ(row.bounds.top, r.top) << "row " << i;
        EXPECT_EQ(row.bounds.right, r.right) << "row " << i;
        EXPECT_EQ(row.bounds.bottom, r.bottom) << "row " << i;
        EXPECT_EQ(1, bench.Paint()) << "row " << i;
        int black = 0, stray = 0;
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x) {
                VdColor c = bench.Pixel(x, y);
                black += c == 0;
                stray += (c != 0 && c != 0xFFFFFF) || (c == 0 && !VdPtInRect(row.bounds, x, y));
            }
        EXPECT_EQ(row.black, black) << "row " << i;
        EXPECT_EQ(0, stray) << "row " << i;
        EXPECT_EQ(row.black ? 0u : 0xFFFFFFu, bench.Pixel(row.x1, row.y1)) << "row " << i;
        EXPECT_EQ(0xFFFFFFu, bench.Pixel(row.x2, row.y2)) << "row " << i;
    }
}

}  // namespace
