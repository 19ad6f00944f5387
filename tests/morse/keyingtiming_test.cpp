// Speed and duration conversion, parser thresholds, the sampler idle limit
// and the sender's key timeline.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "morse/keyingtiming.h"

namespace {

TEST(KeyingTiming, SpeedFromDurations) {
    const struct { tagKeyDurations d; int wpm; } rows[] = {
        {{80, 240, 80, 240, 240}, 16},  // the defaults: total 3680
        {{65, 195, 65, 195, 195}, 20},  {{260, 780, 260, 780, 780}, 5},
        {{32, 96, 32, 96, 96}, 41},     // 40 WPM gives unit 32, which reads back as 41
        {{1, 3, 1, 3, 3}, 999},         // 1304 WPM is shown as 999
        {{0, 0, 0, 0, 0}, 999},         // total 0 counts as 1: 60000
        {{2000, 6000, 2000, 6000, 6000}, 1}, {{20000, 60000, 20000, 60000, 60000}, 0},
        {{INT_MAX, INT_MAX, INT_MAX, INT_MAX, INT_MAX}, 0},  // no 32-bit overflow
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].wpm, ComputeSpeed(rows[i].d)) << "row " << i;
    }
}

TEST(KeyingTiming, DurationsFromSpeed) {
    const struct { int wpm, unit; } rows[] = {
        {20, 65}, {16, 81}, {5, 260}, {40, 32}, {1, 1304}, {1304, 1}, {1305, 0}, {INT_MAX, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        tagKeyDurations d{-1, -1, -1, -1, -1};
        const int u = rows[i].unit;
        EXPECT_EQ(1, SpeedToDurations(rows[i].wpm, &d)) << "row " << i;
        EXPECT_TRUE(d.shorthit == u && d.longhit == 3 * u && d.hitdelay == u && d.letterdelay == 3 * u &&
                    d.worddelay == 3 * u) << "row " << i << " got " << d.shorthit << "," << d.longhit << ","
                                           << d.hitdelay << "," << d.letterdelay << "," << d.worddelay;
    }
    tagKeyDurations kept{1, 2, 3, 4, 5};
    EXPECT_EQ(0, SpeedToDurations(0, &kept));
    EXPECT_EQ(5, kept.worddelay);
}

TEST(KeyingTiming, ParserThreshold) {
    const struct { int longhit, period, threshold; } rows[] = {
        {240, 27, 3}, {100, 27, -2}, {243, 10, 19}, {780, 50, 10}, {0, 27, -5},
        {240, 0, 235}, {240, -27, 235},  // a period below 1 counts as 1
        {INT_MIN, 1, INT_MIN}, {INT_MAX, 1, INT_MAX - 5},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].threshold, ParserThreshold(rows[i].longhit, rows[i].period)) << "row " << i;
    }
}

TEST(KeyingTiming, IdleLimit) {
    const struct { int period, limit, up, passed; } rows[] = {
        {27, 750, 40, 27},  // 27 x 27 = 729 < 750, 756 is not
        {10, 750, 100, 74}, {50, 750, 30, 14}, {27, 27, 5, 0}, {27, 28, 5, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CIdleSampler s(rows[i].period, rows[i].limit);
        for (int round = 0; round < 2; ++round) {  // a key-down sample re-arms it
            EXPECT_EQ(1, s.Step(1)) << "row " << i;
            int passed = 0;
            for (int k = 0; k < rows[i].up; ++k) passed += s.Step(0);
            EXPECT_EQ(rows[i].passed, passed) << "row " << i << " round " << round;
        }
    }
    int32_t sum = 0;
    EXPECT_EQ(0, IdleSamplerStep(&sum, 1, 27, 0));  // limit 0 passes nothing
    sum = INT32_MAX - 10;
    EXPECT_EQ(1, IdleSamplerStep(&sum, 0, 27, INT32_MAX));
    EXPECT_EQ(INT32_MAX, sum);  // saturates, never wraps to negative
    EXPECT_EQ(0, IdleSamplerStep(&sum, 0, 27, INT32_MAX));
}

TEST(KeyingTiming, SenderTimeline) {
    const tagKeyDurations d{80, 240, 81, 242, 243};
    const struct { tagMorseCode c; int max; const char* line; } rows[] = {
        {{'A', 2, 3, 65}, 99, "d80 u81 d240 u81 u242 "}, {{'T', 0, 1, 84}, 99, "d240 u81 u242 "},
        {{'_', 0, 0, 32}, 99, "u243 u242 "},  // only a pause
        {{'_', 2, 3, 32}, 99, "u243 u242 "},  // a word gap given elements is still only a pause
        {{'E', 0, 0, 69}, 99, "u242 "},       // a record emptied by the table keys nothing
        {{'A', 2, 3, 65}, 3, "d80 u81 d240 "},
        {{'?', 51, 63, 0}, 99, "d80 u81 d80 u81 d240 u81 d240 u81 d80 u81 d80 u81 u242 "},
        {{'X', 0, INT32_MIN, 0}, MAX_KEY_SEGMENTS, nullptr},  // the longest record fits
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        tagKeySegment seg[MAX_KEY_SEGMENTS];
        const int n = LayoutKeyTimeline(rows[i].c, d, seg, rows[i].max);
        std::string s;
        for (int k = 0; k < n; ++k) s += (seg[k].down ? "d" : "u") + std::to_string(seg[k].ms) + " ";
        if (rows[i].line != nullptr) {
            EXPECT_EQ(rows[i].line, s) << "row " << i;
        } else {
            EXPECT_EQ(2 * MORSE_MAX_ELEMENTS + 1, n) << "row " << i;
        }
    }
}

// The key line of "PARIS " in ms: each record as the sender lays it out; the
// audio file writer leaves out the letter delay after the word-gap record.
int64_t ParisMs(const tagKeyDurations& d, int wordGapLetterDelays) {
    tagMorseCode table[MORSE_CODE_COUNT];
    FillDefaultMorseTable(table);
    int64_t ms = 0;
    for (char c : std::string("PARIS ")) {
        tagKeySegment seg[MAX_KEY_SEGMENTS];
        const int n = LayoutKeyTimeline(*FindCode(table, c), d, seg, MAX_KEY_SEGMENTS);
        for (int k = 0; k < n; ++k) ms += seg[k].ms;
    }
    return ms - (SENDER_WORD_GAP_LETTER_DELAYS - wordGapLetterDelays) * int64_t{d.letterdelay};
}

TEST(KeyingTiming, FarnsworthGivesPARISTheEffectiveSpeedsTime) {
    // Character speed, effective speed, word-gap shape: PARIS then takes
    // 60000 / effective ms exactly, and the elements keep their lengths.
    const struct { int wpm, effective, shape; } rows[] = {
        {20, 10, SENDER_WORD_GAP_LETTER_DELAYS}, {20, 10, WAVE_WORD_GAP_LETTER_DELAYS},
        {25, 5, SENDER_WORD_GAP_LETTER_DELAYS},  {30, 15, WAVE_WORD_GAP_LETTER_DELAYS},
        {18, 12, SENDER_WORD_GAP_LETTER_DELAYS}, {40, 7, WAVE_WORD_GAP_LETTER_DELAYS},
        {13, 9, WAVE_WORD_GAP_LETTER_DELAYS},  // 60000 / 9 rounds to 6667
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        tagKeyDurations d{};
        SpeedToDurations(rows[i].wpm, &d);
        tagKeyDurations f{};
        ASSERT_EQ(1, ApplyFarnsworth(d, rows[i].effective, rows[i].shape, &f)) << "row " << i;
        EXPECT_EQ((60000 + rows[i].effective / 2) / rows[i].effective, ParisMs(f, rows[i].shape)) << "row " << i;
        EXPECT_TRUE(f.shorthit == d.shorthit && f.longhit == d.longhit && f.hitdelay == d.hitdelay) << "row " << i;
        // Word gap to letter gap is the standard 7 to 3, give or take the
        // rounding that keeps the total exact.
        const double letterGap = f.hitdelay + f.letterdelay;
        const double wordGap = f.hitdelay + rows[i].shape * f.letterdelay + f.worddelay;
        EXPECT_NEAR(7.0 / 3.0, wordGap / letterGap, 0.02) << "row " << i;
    }
}

TEST(KeyingTiming, FarnsworthNeverShortensAGapAndIsOffAtOrAboveTheSpeed) {
    const tagKeyDurations wpm20{65, 195, 65, 195, 195};  // reads back as 20 WPM
    const tagKeyDurations custom{80, 240, 80, 240, 240};  // the defaults: 16 WPM
    const struct { tagKeyDurations d; int effective; int applied; } rows[] = {
        {wpm20, 20, 0}, {wpm20, 21, 0}, {wpm20, 999, 0}, {wpm20, 0, 0}, {wpm20, -10, 0},
        {custom, 16, 0},
        {wpm20, 19, 1},   // the station's own gaps are already longer: kept
        {wpm20, 15, 1}, {custom, 12, 1}, {custom, 1, 1},
        {{0, 0, 0, 0, 0}, 5, 1},  // no durations at all: gaps only
    };
    for (const int shape : {SENDER_WORD_GAP_LETTER_DELAYS, WAVE_WORD_GAP_LETTER_DELAYS}) {
        for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
            const tagKeyDurations& d = rows[i].d;
            tagKeyDurations f{-1, -1, -1, -1, -1};
            EXPECT_EQ(rows[i].applied, ApplyFarnsworth(d, rows[i].effective, shape, &f)) << "row " << i;
            if (!rows[i].applied) {
                EXPECT_EQ(0, std::memcmp(&d, &f, sizeof d)) << "row " << i << " shape " << shape;
                continue;
            }
            EXPECT_GE(f.letterdelay, d.letterdelay) << "row " << i << " shape " << shape;
            EXPECT_GE(f.hitdelay + shape * int64_t{f.letterdelay} + f.worddelay,
                      d.hitdelay + shape * int64_t{d.letterdelay} + d.worddelay) << "row " << i << " shape " << shape;
            EXPECT_GE(f.worddelay, 0) << "row " << i << " shape " << shape;
            EXPECT_GE(ParisMs(f, shape), ParisMs(d, shape)) << "row " << i << " shape " << shape;
        }
    }
    tagKeyDurations huge{INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}, f{};
    EXPECT_EQ(0, ApplyFarnsworth(huge, 5, SENDER_WORD_GAP_LETTER_DELAYS, &f));  // speed 0: nothing to slow
    EXPECT_EQ(0, ApplyFarnsworth(huge, 5, SENDER_WORD_GAP_LETTER_DELAYS, nullptr));
}

}  // namespace
