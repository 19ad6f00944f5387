// Default table contents, character look-up, the element rule on odd masks
// and the button caption text.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "morse/morsecode.h"

namespace {

// Written from the Morse alphabet, independently of the nCode/nMask values:
// character, elements ('0' for none) and key, in table order.
const char kTable[] =
    "A .- 65 B -... 66 C -.-. 67 D -.. 68 E . 69 F ..-. 70 G --. 71 H .... 72 I .. 73 "
    "J .--- 74 K -.- 75 L .-.. 76 M -- 77 N -. 78 O --- 79 P .--. 80 Q --.- 81 R .-. 82 "
    "S ... 83 T - 84 U ..- 85 V ...- 86 W .-- 87 X -..- 88 Y -.-- 89 Z --.. 90 1 .---- 49 "
    "2 ..--- 50 3 ...-- 51 4 ....- 52 5 ..... 53 6 -.... 54 7 --... 55 8 ---.. 56 9 ----. 57 "
    "0 ----- 48 ? ..--.. 0 / -..-. 111 ( -.--. 0 ) -.--.- 0 - -....- 109 . .-.-.- 110 _ 0 32";

TEST(MorseTable, DefaultRecordsInOrder) {
    tagMorseCode t[MORSE_CODE_COUNT];
    FillDefaultMorseTable(t);
    const char* p = kTable;
    for (int i = 0; i < MORSE_CODE_COUNT; ++i) {
        char ch, want[8], got[40];
        int vkey, used;
        ASSERT_EQ(3, std::sscanf(p, " %c %7s %d%n", &ch, want, &vkey, &used)) << "row " << i;
        p += used;
        const int n = MorseElementString(t[i], got, sizeof got);
        EXPECT_EQ(ch, t[i].nChar) << "row " << i;
        EXPECT_STREQ(want[0] == '0' ? "" : want, got) << "row " << i;
        EXPECT_EQ(vkey, t[i].nVKey) << "row " << i;
        EXPECT_EQ((1 << n) - 1, t[i].nMask) << "row " << i;     // well-formed mask
        EXPECT_EQ(0, t[i].nCode & ~t[i].nMask) << "row " << i;  // no bits above n-1
    }
}

TEST(MorseTable, FindCode) {
    const struct { int ch; int index; } rows[] = {
        {'A', 0}, {'a', 0}, {'z', 25}, {'q', 16}, {'1', 26}, {'0', 35}, {'?', 36}, {'_', 36},
        {'.', 41}, {' ', 42}, {',', 42}, {0, 42}, {'@', 42}, {'`', 42}, {'{', 42}, {'O', 14},
        {'P', 15}, {0x80, 42}, {0xE1, 42}, {0xFF, 42},
    };
    tagMorseCode t[MORSE_CODE_COUNT];
    FillDefaultMorseTable(t);
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].index, FindCode(t, static_cast<signed char>(rows[i].ch)) - t) << "row " << i;
    }
}

TEST(MorseTable, ElementRuleOnAnyMask) {
    const struct { int32_t code, mask; int count; const char* text; } rows[] = {
        {0, 0, 0, ""}, {0x11, 0x1F, 5, ".---."}, {0x7F, 0x7F, 7, "......."},
        {2, 5, 2, ".-"},                       // not 2^n-1: walks bits 1 and 0
        {0, -1, 0, ""},                        // (mask + 1) wraps to 0
        {-1, INT32_MIN, 31, nullptr},          // must stop, not shift forever
        {0, INT32_MAX, 31, nullptr},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const tagMorseCode c{'X', rows[i].code, rows[i].mask, 0};
        char el[40];
        EXPECT_EQ(rows[i].count, MorseElementCount(c)) << "row " << i;
        EXPECT_EQ(rows[i].count, MorseElementString(c, el, sizeof el)) << "row " << i;
        if (rows[i].text != nullptr) {
            EXPECT_STREQ(rows[i].text, el) << "row " << i;
        }
    }
    char cut[4] = {'#', '#', '#', '#'};
    EXPECT_EQ(2, MorseElementString(tagMorseCode{'?', 51, 63, 0}, cut, 3));
    EXPECT_STREQ("..", cut);
    EXPECT_EQ('#', cut[3]);
}

TEST(MorseTable, Caption) {
    const struct { tagMorseCode c; int size; const char* text; } rows[] = {
        {{'A', 2, 3, 65}, 32, "A        .-"},   {{'_', 0, 0, 32}, 32, "_          "},
        {{'?', 51, 63, 0}, 32, "?    ..--.."},  {{'B', 7, 15, 66}, 32, "B      -..."},
        {{'X', 0x55, 0x7F, 0}, 32, "X    -.-.-."},  // bit 64 has no column
        {{'A', 2, 3, 65}, 4, "A  "},
        {{0x141, 2, 3, 65}, 32, "A        .-"},  // only the low byte shows
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        char out[40];
        std::memset(out, '#', sizeof out);
        EXPECT_EQ(static_cast<int>(std::strlen(rows[i].text)), FormatMorseCaption(rows[i].c, out, rows[i].size)) << "row " << i;
        EXPECT_STREQ(rows[i].text, out) << "row " << i;
        EXPECT_EQ('#', out[rows[i].size]) << "row " << i;
    }
}

}  // namespace
