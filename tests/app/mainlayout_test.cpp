// The layout arithmetic of the main window: character button columns for
// several window heights, caption labels moved and cut, lines under panels.
#include <gtest/gtest.h>

#include "app/mainlayout.h"

TEST(MainLayout, CharacterButtonsFillColumnsAsTallAsTheWindow) {
    const struct {
        int windowHeight;
        int perColumn;  // buttons in every full column
        int columns;
    } rows[] = {
        {480, 9, 5},   // the default: limit 422, tops 300 ... 412
        {600, 18, 3},  // limit 542: tops 300 ... 538
        {372, 2, 22},  // limit 314: a top equal to the limit still fits
        {300, 1, 43},  // a limit above no top at all still moves on each time
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        VdRect got[MORSE_CODE_COUNT];
        for (VdRect& r : got) r = VdRect{-1, -1, -1, -1};
        LayoutCharacterButtons(rows[i].windowHeight, got);
        for (int k = 0; k < MORSE_CODE_COUNT; ++k) {
            const int column = k / rows[i].perColumn;
            const int row = k % rows[i].perColumn;
            EXPECT_EQ(10 + 69 * column, got[k].left) << "row " << i << " button " << k;
            EXPECT_EQ(300 + 14 * row, got[k].top) << "row " << i << " button " << k;
            EXPECT_EQ(got[k].left + 58, got[k].right) << "row " << i << " button " << k;
            EXPECT_EQ(got[k].top + 12, got[k].bottom) << "row " << i << " button " << k;
        }
        EXPECT_EQ(10 + 69 * (rows[i].columns - 1), got[MORSE_CODE_COUNT - 1].left) << "row " << i;
    }
}

TEST(MainLayout, CaptionLabelsAreMovedThenCut) {
    const struct {
        VdRect panel;
        VdPoint offset;
        VdRect want;
    } rows[] = {
        {{5, 160, 348, 192}, {0, -56}, {5, 104, 45, 116}},  // "Send" at the defaults
        {{5, 64, 348, 96}, {0, -56}, {5, 8, 45, 20}},       // "Receive"
        {{10, 10, 30, 15}, {3, 4}, {13, 14, 33, 19}},       // a small panel is not widened
        {{0, 0, 100, 100}, {-20, 0}, {-20, 0, 20, 12}},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        const VdRect got = CaptionLabelRect(rows[i].panel, rows[i].offset);
        EXPECT_EQ(rows[i].want.left, got.left) << "row " << i;
        EXPECT_EQ(rows[i].want.top, got.top) << "row " << i;
        EXPECT_EQ(rows[i].want.right, got.right) << "row " << i;
        EXPECT_EQ(rows[i].want.bottom, got.bottom) << "row " << i;
    }
}
