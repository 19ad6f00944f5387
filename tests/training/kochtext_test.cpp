// Koch group text: length, where the spaces fall, which characters appear,
// and what odd group lengths do.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>

#include "training/kochtext.h"

TEST(KochText, GroupsAndCharacters) {
    struct Row { const char* list; int32_t wordLen; int spaces; };
    const Row rows[] = {
        {"AB", 5, 42},         // a space after every fifth character
        {"KMRSUA", 1, 128},
        {"KM", 0, 256},        // every position a space
        {"KM", -1, 0},         // negative: one ungrouped run, no spaces
        {"KM", -7, 0},
        {"KM", 255, 1},
        {"KM", 256, 0},
        {"KM", INT32_MAX, 0},
        {"", 5, 256},          // nothing to draw from
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        char text[KOCH_TEXT_LEN + 1];
        memset(text, 0, sizeof text);
        srand(1234);
        FillKochText(text, KOCH_TEXT_LEN, rows[i].list, rows[i].wordLen);
        EXPECT_EQ(0, text[KOCH_TEXT_LEN]) << "row " << i << ": wrote past the end";
        int spaces = 0;
        for (int k = 0; k < KOCH_TEXT_LEN; ++k) {
            bool wantSpace = rows[i].list[0] == 0 ||
                             (rows[i].wordLen >= 0 &&
                              (static_cast<int64_t>(k) + 1) % (static_cast<int64_t>(rows[i].wordLen) + 1) == 0);
            if (text[k] == ' ') {
                ++spaces;
            }
            ASSERT_EQ(wantSpace, text[k] == ' ') << "row " << i << " pos " << k;
            if (!wantSpace) {
                ASSERT_NE(nullptr, strchr(rows[i].list, text[k])) << "row " << i << " pos " << k;
            }
        }
        EXPECT_EQ(rows[i].spaces, spaces) << "row " << i;
    }
}

TEST(KochText, DrawsEveryCharacterAsRandModN) {
    const char* list = "KMRSUAPTLOWI.NJEF0Y";
    char text[KOCH_TEXT_LEN];
    srand(99);
    FillKochText(text, KOCH_TEXT_LEN, list, 5);
    srand(99);
    size_t n = strlen(list);
    for (int k = 0; k < KOCH_TEXT_LEN; ++k) {
        if ((k + 1) % 6 == 0) {
            continue;
        }
        ASSERT_EQ(list[static_cast<size_t>(rand()) % n], text[k]) << "pos " << k;
    }
    std::set<char> seen(text, text + KOCH_TEXT_LEN);
    EXPECT_EQ(n + 1, seen.size());   // every character of the set, and the space
}

TEST(KochText, SameSecondSameText) {
    char first[KOCH_TEXT_LEN];
    char second[KOCH_TEXT_LEN];
    for (int attempt = 0; attempt < 3; ++attempt) {
        time_t t0 = time(nullptr);
        GenerateKochText("AB", 5);
        memcpy(first, g_szKochText, sizeof first);
        GenerateKochText("AB", 5);
        memcpy(second, g_szKochText, sizeof second);
        if (time(nullptr) == t0) {
            EXPECT_EQ(0, memcmp(first, second, sizeof first));
            EXPECT_EQ(' ', g_szKochText[5]);
            EXPECT_NE(' ', g_szKochText[255]);   // the last group has four
            return;
        }
    }
    GTEST_SKIP() << "the clock kept crossing a second boundary";
}
