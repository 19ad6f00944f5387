// Tests of the detector's arithmetic: ring spans, copying locked regions,
// the trigger search, frame length limits, bin frequencies, threshold
// levels, the band decision and the cosine transform.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "audio/captureanalysis.h"
#include "audio/cosinetransform.h"

namespace {

// Every byte of a span, in order, as the regions give them.
std::vector<int32_t> SpanBytes(const tagRingSpan& s) {
    std::vector<int32_t> out;
    for (int32_t i = 0; i < s.nBytes1; ++i) out.push_back(s.nOffset1 + i);
    for (int32_t i = 0; i < s.nBytes2; ++i) out.push_back(s.nOffset2 + i);
    return out;
}

}  // namespace

TEST(RingSpan, EverySpanOfSmallRingsIsTheRightBytesInOrder) {
    for (int32_t size = 1; size <= 12; ++size) {
        for (int32_t end = 0; end < size; ++end) {
            for (int32_t length = 0; length <= size; ++length) {
                const int32_t start = RingSpanStart(size, end, length);
                ASSERT_EQ((end - length + size) % size, start) << "size " << size << " end " << end << " length " << length;
                tagRingSpan span{-1, -1, -1, -1};
                ASSERT_EQ(1, SplitRingSpan(size, start, length, &span));
                const std::vector<int32_t> got = SpanBytes(span);
                ASSERT_EQ(static_cast<size_t>(length), got.size());
                for (int32_t i = 0; i < length; ++i) {
                    // The span ends just before `end`.
                    ASSERT_EQ((start + i) % size, got[static_cast<size_t>(i)]) << "size " << size << " i " << i;
                    ASSERT_LT(got[static_cast<size_t>(i)], size);
                }
                if (length > 0) {
                    EXPECT_EQ((end - 1 + size) % size, got.back());
                }
                EXPECT_EQ(start + length > size, span.nBytes2 > 0) << "size " << size << " start " << start;
                EXPECT_EQ(0, span.nOffset2);
            }
        }
    }
}

TEST(RingSpan, RefusesWhatDoesNotFit) {
    struct Row { int32_t size, pos, length; };
    const Row rows[] = {
        {0, 0, 0}, {-4, 0, 0}, {8, -1, 2}, {8, 8, 2}, {8, 9, 2}, {8, 0, 9}, {8, 0, -1},
        {8, std::numeric_limits<int32_t>::max(), 1}, {8, 3, std::numeric_limits<int32_t>::min()},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        EXPECT_EQ(-1, RingSpanStart(r.size, r.pos, r.length)) << "row " << i;
        tagRingSpan span{7, 7, 7, 7};
        EXPECT_EQ(0, SplitRingSpan(r.size, r.pos, r.length, &span)) << "row " << i;
        EXPECT_EQ(0, span.nBytes1 + span.nBytes2) << "row " << i;
    }
}

TEST(CopyLockedSamples, JoinsRegionsWithinCapacityAndZeroesTheRest) {
    std::vector<int16_t> a(40), b(40);
    for (int i = 0; i < 40; ++i) {
        a[static_cast<size_t>(i)] = static_cast<int16_t>(100 + i);
        b[static_cast<size_t>(i)] = static_cast<int16_t>(-100 - i);
    }
    struct Row { int32_t bytes1, bytes2; bool second; int32_t capacity; int32_t copied; };
    const Row rows[] = {
        {20, 0, false, 10, 10},   // one region, exact
        {12, 8, true, 10, 10},    // wrapped span, exact
        {12, 80, true, 10, 10},   // more than asked: cut at the capacity
        {80, 80, true, 10, 10},
        {6, 4, true, 10, 5},      // short: the rest is zeroed
        {7, 5, true, 10, 5},      // odd byte counts take whole samples only
        {0, 8, true, 10, 4},
        {-4, 8, true, 10, 4},     // a negative count copies nothing
        {8, 8, false, 10, 4},     // second region without data
        {20, 20, true, 0, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        std::vector<int16_t> window(16, 0x5A5A);
        const tagCaptureLock locked{a.data(), r.bytes1, r.second ? b.data() : nullptr, r.bytes2};
        ASSERT_EQ(r.copied, CopyLockedSamples(locked, window.data(), r.capacity)) << "row " << i;
        const int32_t first = r.bytes1 > 0 ? std::min(r.bytes1 / 2, r.capacity) : 0;
        for (int32_t k = 0; k < r.capacity; ++k) {
            int16_t want = 0;
            if (k < first) {
                want = a[static_cast<size_t>(k)];
            } else if (k < r.copied) {
                want = b[static_cast<size_t>(k - first)];
            }
            EXPECT_EQ(want, window[static_cast<size_t>(k)]) << "row " << i << " sample " << k;
        }
        for (size_t k = static_cast<size_t>(r.capacity); k < window.size(); ++k) {
            EXPECT_EQ(0x5A5A, window[k]) << "row " << i << " written past capacity at " << k;
        }
    }
}

TEST(FindTrigger, OnePastTheFirstNonNegativePeakAfterARise) {
    struct Row { std::vector<int16_t> w; int32_t n; int32_t trigger; };
    const Row rows[] = {
        {{0, 5, 9, 4, 0, -3, 2, 8}, 8, 3},             // peak 9 at index 2
        {{5, 4, 3, 6, 2, 1, 0, 0}, 8, 4},              // falls first, rise, peak 6 at 3
        {{-9, -5, -2, -6, 0, 3, 1, 0}, 8, 6},           // negative peak skipped
        {{1, 2, 3, 4, 5, 6, 7, 8}, 8, 7},               // only rising: N - 1
        {{8, 7, 6, 5, 4, 3, 2, 1}, 8, 7},               // only falling
        {{3, 3, 3, 3, 3, 3, 3, 3}, 8, 7},               // flat
        {{0, 1, 1, 1, 0, 0, 0, 0}, 8, 4},               // plateau: the fall after it
        {{0, 9, 0, 9, 0, 9, 0, 9}, 4, 2},               // only the first N samples count
        {{0, 1, 2, 3, 2, 1, 0, 0}, 4, 3},               // the peak sits at N - 1: not seen
        {{7}, 1, 0},
        {{}, 0, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].trigger, FindTrigger(rows[i].w.data(), rows[i].n)) << "row " << i;
    }
}

TEST(AnalysisSamples, ClampedSoThatTwoFramesFitTheOneSecondRing) {
    struct Row { int32_t samples, rate, want; };
    const Row rows[] = {
        {512, 44100, 512}, {1, 44100, 1}, {22050, 44100, 22050}, {22051, 44100, 22050},
        {0, 44100, 1}, {-512, 44100, 1}, {std::numeric_limits<int32_t>::max(), 44100, 22050},
        {std::numeric_limits<int32_t>::min(), 44100, 1}, {4000, 8000, 4000}, {4001, 8000, 4000},
        {10, 1, 1}, {10, 0, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        const int32_t n = ClampAnalysisSamples(r.samples, r.rate);
        EXPECT_EQ(r.want, n) << "row " << i;
        if (r.rate >= 2) {
            EXPECT_LE(4 * n, 2 * r.rate) << "row " << i;
        }
    }
}

TEST(BinFrequency, DefaultsTestExactlyBinsTwentyToTwentyNine) {
    struct Row { int32_t n, k, hz; };
    const Row rows[] = {
        {512, 0, 0}, {512, 1, 43}, {512, 20, 860}, {512, 29, 1247}, {512, 30, 1290}, {512, 511, 21973},
        {1, 0, 0}, {2, 1, 11025}, {22050, 22049, 22049}, {4096, 4095, 20475}, {3, 2, 14700},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].hz, BinFrequency(44100, rows[i].n, rows[i].k)) << "row " << i;
    }
    std::vector<int32_t> inBand;
    for (int32_t k = 0; k < 512; ++k) {
        const int16_t f = BinFrequency(44100, 512, k);
        if (f >= CAPTURE_DEFAULT_BAND_START && f <= CAPTURE_DEFAULT_BAND_END) inBand.push_back(k);
    }
    ASSERT_EQ(10u, inBand.size());
    EXPECT_EQ(20, inBand.front());
    EXPECT_EQ(29, inBand.back());
}

TEST(ThresholdFromLevel, FullScaleAndAboveNeverWrapToEveryBin) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Row { double level; int32_t want; };
    const Row rows[] = {
        {0.3, 9830}, {0.0, 0}, {0.5, 16384}, {0.99999, 32767}, {1.0, 32768},
        {1.0000001, CAPTURE_THRESHOLD_NEVER}, {1.5, CAPTURE_THRESHOLD_NEVER}, {1e300, CAPTURE_THRESHOLD_NEVER},
        {inf, CAPTURE_THRESHOLD_NEVER}, {std::nan(""), CAPTURE_THRESHOLD_NEVER},
        {-0.5, -16384}, {-1.0, -32768}, {-3.0, -32768}, {-inf, -32768}, {0.25 / 32768, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].want, ThresholdFromLevel(rows[i].level)) << "row " << i << " level " << rows[i].level;
    }
}

TEST(DetectTone, FiresOnlyInsideTheBandAtOrAboveTheThreshold) {
    const int16_t freq[] = {0, 800, 850, 1000, 1250, 1300};
    struct Row { int16_t x[6]; int32_t threshold, start, end; int want; };
    const Row rows[] = {
        {{0, 0, 0, 9830, 0, 0}, 9830, 850, 1250, 1},         // exactly the threshold
        {{0, 0, 0, 9829, 0, 0}, 9830, 850, 1250, 0},         // one below
        {{0, 0, 0, -9830, 0, 0}, 9830, 850, 1250, 1},        // magnitude, not sign
        {{0, 0, 9830, 0, 0, 0}, 9830, 850, 1250, 1},         // lower edge included
        {{0, 0, 0, 0, 9830, 0}, 9830, 850, 1250, 1},         // upper edge included
        {{32767, 32767, 0, 0, 0, 32767}, 9830, 850, 1250, 0}, // strong, but outside
        {{0, 0, 0, 0, 0, 0}, 0, 850, 1250, 1},               // threshold 0: every bin in band
        {{0, 0, 0, 0, 0, 0}, 0, 1260, 1290, 0},              // ... but only bins in band
        {{200, 0, 0, 0, 0, 0}, 100, 0, 0, 1},                // the 0 Hz bin with a band from 0
        {{0, 0, 0, -32768, 0, 0}, 32768, 850, 1250, 1},      // level 1.0: only full scale
        {{0, 0, 0, 32767, 0, 0}, 32768, 850, 1250, 0},
        {{0, 0, 0, -32768, 0, 0}, CAPTURE_THRESHOLD_NEVER, 850, 1250, 0},
        {{0, 0, 0, 32767, 0, 0}, 100, 1250, 850, 0},         // reversed band is empty
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        EXPECT_EQ(r.want, DetectTone(r.x, freq, 6, r.threshold, r.start, r.end)) << "row " << i;
    }
}

TEST(CosineTransform, TableKindAndMemoryFollowTheFrameLength) {
    struct Row { int32_t n; CCosineTransform::TableKind kind; int64_t bytes; int32_t size; };
    const Row rows[] = {
        {1, CCosineTransform::TABLE_FULL, 8, 1},
        {512, CCosineTransform::TABLE_FULL, 512 * 512 * 8, 512},
        {0, CCosineTransform::TABLE_FULL, 8, 1},
        {-3, CCosineTransform::TABLE_FULL, 8, 1},
        {4097, CCosineTransform::TABLE_PERIOD, 4 * 4097 * 8, 4097},
        {22050, CCosineTransform::TABLE_PERIOD, 4 * 22050 * 8, 22050},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CCosineTransform t(rows[i].n);
        EXPECT_EQ(rows[i].kind, t.GetKind()) << "row " << i;
        EXPECT_EQ(rows[i].bytes, t.GetTableBytes()) << "row " << i;
        EXPECT_EQ(rows[i].size, t.GetSize()) << "row " << i;
    }
}

TEST(CosineTransform, TableHoldsTheCosinesOfTheFormula) {
    for (int32_t n : {1, 7, 64}) {
        CCosineTransform full(n);
        CCosineTransform period(n, true);
        ASSERT_EQ(CCosineTransform::TABLE_PERIOD, period.GetKind());
        for (int32_t k = 0; k < n; ++k) {
            for (int32_t j = 0; j < n; ++j) {
                const double want = std::cos(static_cast<double>(k * (2 * j + 1)) * 3.1415926 / (2.0 * n));
                ASSERT_EQ(want, full.Cosine(k, j)) << "n " << n << " k " << k << " j " << j;
                // One period stands in for the rest; the rounded pi shifts the
                // phase by up to 1.1e-7 per period, at most N / 2 periods.
                ASSERT_NEAR(want, period.Cosine(k, j), 1e-12 + n * 6e-8) << "n " << n << " k " << k << " j " << j;
            }
        }
    }
}

TEST(CosineTransform, ConstantFramesGiveOnlyTheZeroBinTwiceTheValue) {
    struct Row { int32_t n; int16_t c; int16_t x0; };
    const Row rows[] = {
        {512, 1000, 2000}, {512, -1000, -2000}, {512, 0, 0}, {64, 16383, 32766},
        {64, 16384, -32768},   // 2c = 32768 wraps in 16 bits
        {64, 32767, -2}, {64, -32768, 0}, {1, 300, 600}, {4097, 1234, 2468},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        CCosineTransform t(r.n);
        std::vector<int16_t> frame(static_cast<size_t>(r.n), r.c);
        std::vector<int16_t> out(static_cast<size_t>(r.n) + 1, 0x7777);
        t.Transform(frame.data(), out.data());
        EXPECT_EQ(r.x0, out[0]) << "row " << i;
        int32_t worst = 0;
        for (int32_t k = 1; k < r.n; ++k) worst = std::max(worst, std::abs(int32_t{out[static_cast<size_t>(k)]}));
        EXPECT_EQ(0, worst) << "row " << i;
        EXPECT_EQ(0x7777, out[static_cast<size_t>(r.n)]) << "row " << i << " wrote past N";
    }
}

TEST(CosineTransform, BinCentredCosineGivesItsAmplitudeInItsBin) {
    // frame[j] = A cos(pi k0 (2j + 1) / 2N) is basis row k0: X[k0] = A.
    struct Row { int32_t n, k0; int16_t amplitude; };
    const Row rows[] = {{512, 23, 10000}, {512, 1, 30000}, {64, 63, 5000}, {4097, 93, 20000}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        std::vector<int16_t> frame(static_cast<size_t>(r.n));
        for (int32_t j = 0; j < r.n; ++j) {
            frame[static_cast<size_t>(j)] = static_cast<int16_t>(
                std::lround(r.amplitude * std::cos(3.141592653589793 * r.k0 * (2 * j + 1) / (2.0 * r.n))));
        }
        CCosineTransform t(r.n);
        std::vector<int16_t> out(static_cast<size_t>(r.n));
        t.Transform(frame.data(), out.data());
        EXPECT_NEAR(r.amplitude, out[static_cast<size_t>(r.k0)], 2) << "row " << i;
        for (int32_t k = 0; k < r.n; ++k) {
            if (k != r.k0) {
                ASSERT_LE(std::abs(int32_t{out[static_cast<size_t>(k)]}), 2) << "row " << i << " bin " << k;
            }
        }
    }
}

TEST(CosineTransform, PeriodTableAgreesWithTheFullTable) {
    const int32_t n = 256;
    std::vector<int16_t> frame(n);
    uint32_t seed = 12345;
    for (auto& v : frame) {
        seed = seed * 1103515245u + 12345u;
        v = static_cast<int16_t>(seed >> 16);
    }
    CCosineTransform full(n);
    CCosineTransform period(n, true);
    std::vector<int16_t> a(n), b(n);
    full.Transform(frame.data(), a.data());
    period.Transform(frame.data(), b.data());
    for (int32_t k = 0; k < n; ++k) {
        EXPECT_NEAR(a[static_cast<size_t>(k)], b[static_cast<size_t>(k)], 1) << "bin " << k;
    }
}
