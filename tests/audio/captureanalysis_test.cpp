// The detector's arithmetic: ring spans, the trigger, frame and threshold
// limits, the band decision and the cosine transform.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "audio/captureanalysis.h"
#include "audio/cosinetransform.h"

TEST(RingSpan, EverySpanOfSmallRingsIsItsBytesInOrder) {
    for (int32_t size = 1; size <= 12; ++size) {
        for (int32_t end = 0; end < size; ++end) {
            for (int32_t length = 0; length <= size; ++length) {
                const int32_t start = RingSpanStart(size, end, length);
                tagRingSpan sp{};
                ASSERT_EQ(1, SplitRingSpan(size, start, length, &sp)) << size << " " << end << " " << length;
                std::vector<int32_t> got;
                for (int32_t i = 0; i < sp.nBytes1; ++i) got.push_back(sp.nOffset1 + i);
                for (int32_t i = 0; i < sp.nBytes2; ++i) got.push_back(sp.nOffset2 + i);
                ASSERT_EQ(static_cast<size_t>(length), got.size());
                for (int32_t i = 0; i < length; ++i) {
                    // The span ends just before `end`, wrapping through 0.
                    ASSERT_EQ((end - length + i + 2 * size) % size, got[static_cast<size_t>(i)])
                        << "size " << size << " end " << end << " length " << length << " byte " << i;
                }
                EXPECT_EQ(start + length > size, sp.nBytes2 > 0) << size << " " << start << " " << length;
            }
        }
    }
    const int32_t bad[][3] = {{0, 0, 0}, {8, -1, 2}, {8, 8, 2}, {8, 0, 9}, {8, 0, -1}, {8, 1 << 30, 1}};
    for (size_t i = 0; i < sizeof bad / sizeof bad[0]; ++i) {
        tagRingSpan sp{7, 7, 7, 7};
        EXPECT_EQ(-1, RingSpanStart(bad[i][0], bad[i][1], bad[i][2])) << "row " << i;
        EXPECT_EQ(0, SplitRingSpan(bad[i][0], bad[i][1], bad[i][2], &sp)) << "row " << i;
        EXPECT_EQ(0, sp.nBytes1 + sp.nBytes2) << "row " << i;
    }
}

TEST(FindTrigger, OnePastTheFirstNonNegativePeakAfterARise) {
    struct Row { std::vector<int16_t> w; int32_t n, trigger; };
    const Row rows[] = {
        {{0, 5, 9, 4, 0, -3, 2, 8}, 8, 3},   {{5, 4, 3, 6, 2, 1, 0, 0}, 8, 4},  // fall before the rise
        {{-9, -5, -2, -6, 0, 3, 1, 0}, 8, 6}, {{1, 2, 3, 4, 5, 6, 7, 8}, 8, 7},  // negative peak; no peak
        {{3, 3, 3, 3, 3, 3, 3, 3}, 8, 7},     {{0, 1, 1, 1, 0, 0, 0, 0}, 8, 4},  // flat; plateau
        {{0, 1, 2, 3, 2, 1, 0, 0}, 4, 3},     {{7}, 1, 0},                       // only the first N count
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].trigger, FindTrigger(rows[i].w.data(), rows[i].n)) << "row " << i;
    }
}

TEST(Limits, FrameLengthFitsTheRingAndLevelsNeverWrap) {
    const int32_t big = std::numeric_limits<int32_t>::max(), small = std::numeric_limits<int32_t>::min();
    const int32_t frames[][3] = {{512, 44100, 512}, {22050, 44100, 22050}, {22051, 44100, 22050}, {0, 44100, 1},
                                 {-512, 44100, 1},  {big, 44100, 22050},   {small, 44100, 1},     {10, 0, 1}};
    for (size_t i = 0; i < sizeof frames / sizeof frames[0]; ++i) {
        EXPECT_EQ(frames[i][2], ClampAnalysisSamples(frames[i][0], frames[i][1])) << "row " << i;
    }
    const double inf = std::numeric_limits<double>::infinity();
    struct Level { double level; int32_t want; };
    const Level levels[] = {{0.3, 9830}, {0.0, 0}, {0.99999, 32767}, {1.0, 32768}, {1.5, CAPTURE_THRESHOLD_NEVER},
                            {inf, CAPTURE_THRESHOLD_NEVER}, {std::nan(""), CAPTURE_THRESHOLD_NEVER},
                            {-0.5, -16384}, {-3.0, -32768}};
    for (size_t i = 0; i < sizeof levels / sizeof levels[0]; ++i) {
        EXPECT_EQ(levels[i].want, ThresholdFromLevel(levels[i].level)) << "row " << i;
    }
    std::vector<int32_t> tested;  // the defaults test bins 20 (860 Hz) to 29 (1247 Hz)
    for (int32_t k = 0; k < 512; ++k) {
        const int16_t f = BinFrequency(44100, 512, k);
        if (f >= CAPTURE_DEFAULT_BAND_START && f <= CAPTURE_DEFAULT_BAND_END) tested.push_back(k);
    }
    EXPECT_EQ((std::vector<int32_t>{20, 21, 22, 23, 24, 25, 26, 27, 28, 29}), tested);
}

TEST(DetectTone, FiresOnlyInsideTheBandAtOrAboveTheThreshold) {
    const int16_t freq[] = {0, 800, 850, 1000, 1250, 1300};
    struct Row { int16_t x[6]; int32_t threshold, start, end; int want; };
    const Row rows[] = {
        {{0, 0, 0, 9830, 0, 0}, 9830, 850, 1250, 1},    {{0, 0, 0, 9829, 0, 0}, 9830, 850, 1250, 0},
        {{0, 0, 9830, 0, 0, 0}, 9830, 850, 1250, 1}, {{0, 0, 0, 0, -9830, 0}, 9830, 850, 1250, 1},  // edges, sign
        {{32767, 32767, 0, 0, 0, 32767}, 1, 850, 1250, 0}, {{200, 0, 0, 0, 0, 0}, 100, 0, 0, 1},  // 0 Hz bin
        {{0, 0, 0, -32768, 0, 0}, 32768, 850, 1250, 1}, {{0, 0, 0, -32768, 0, 0}, CAPTURE_THRESHOLD_NEVER, 850, 1250, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        EXPECT_EQ(r.want, DetectTone(r.x, freq, 6, r.threshold, r.start, r.end)) << "row " << i;
    }
}

TEST(CosineTransform, ConstantFramesGiveTwiceTheValueInBinZeroOnly) {
    struct Row { int32_t n; int16_t c, x0; CCosineTransform::TableKind kind; };
    const Row rows[] = {{512, 1000, 2000, CCosineTransform::TABLE_FULL}, {64, -1000, -2000, CCosineTransform::TABLE_FULL},
                        {64, 16384, -32768, CCosineTransform::TABLE_FULL},  // 2c wraps in 16 bits
                        {64, 32767, -2, CCosineTransform::TABLE_FULL},      {1, 300, 600, CCosineTransform::TABLE_FULL},
                        {4097, 1234, 2468, CCosineTransform::TABLE_PERIOD}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CCosineTransform t(rows[i].n);
        EXPECT_EQ(rows[i].kind, t.GetKind()) << "row " << i;
        std::vector<int16_t> frame(rows[i].n, rows[i].c), out(rows[i].n + 1, 0x7777);
        t.Transform(frame.data(), out.data());
        EXPECT_EQ(rows[i].x0, out[0]) << "row " << i;
        for (int32_t k = 1; k < rows[i].n; ++k) ASSERT_EQ(0, out[k]) << "row " << i << " bin " << k;
        EXPECT_EQ(0x7777, out[rows[i].n]) << "row " << i << " wrote past N";
    }
    EXPECT_EQ(4 * 22050 * 8, CCosineTransform(22050).GetTableBytes()) << "one period above 4096";
}
