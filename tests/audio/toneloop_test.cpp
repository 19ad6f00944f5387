// The sidetone loop arithmetic: loop lengths for the listed frequencies,
// whole periods and a click-free wrap across the keying range, the fill's
// values, and the bounds on absurd frequencies and volumes.
#include "audio/toneloop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

std::vector<int16_t> Loop(double hz, double volume) {
    const int32_t bytes = ToneLoopBytes(ToneLoopBufferMs(hz));
    std::vector<uint8_t> raw(static_cast<size_t>(bytes), 0xCD);
    FillToneSamples(raw.data(), bytes, hz, volume, TONE_SAMPLE_RATE);
    std::vector<int16_t> s(raw.size() / 2);
    for (size_t k = 0; k < s.size(); ++k) {
        s[k] = static_cast<int16_t>(static_cast<uint16_t>(raw[2 * k] | (raw[2 * k + 1] << 8)));
    }
    return s;
}

TEST(ToneLoop, ListedFrequencies) {
    const struct {
        double hz;
        int32_t periods;
        double ms;
        int32_t bytes;
    } rows[] = {
        {1000.0, 100, 100.0, 8820},
        {800.0, 104, 130.0, 11466},
        {700.0, 101, 101 * 1000.0 / 700.0, 12726},
        {440.0, 106, 106 * 1000.0 / 440.0, 21248},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        EXPECT_EQ(rows[i].periods, ToneLoopPeriods(rows[i].hz)) << "row " << i;
        EXPECT_NEAR(rows[i].ms, ToneLoopBufferMs(rows[i].hz), 1e-9) << "row " << i;
        EXPECT_EQ(rows[i].bytes, ToneLoopBytes(ToneLoopBufferMs(rows[i].hz))) << "row " << i;
    }
}

// Every frequency of the keying range, in steps that meet both integer and
// fractional values, plus ones where the first search finds no length (the
// end of the buffer falls just short of a sample boundary instead).
TEST(ToneLoop, WholePeriodsAndClickFreeWrapFrom100HzTo5kHz) {
    std::vector<double> freqs;
    for (double f = 100.0; f <= 5000.0; f += 13.7) {
        freqs.push_back(f);
    }
    for (double f : {100.0, 765.0, 850.0, 1425.0, 1785.0, 2281.0, 2321.0, 2594.0, 3291.0, 4009.0, 4642.0, 5000.0}) {
        freqs.push_back(f);
    }
    for (size_t i = 0; i < freqs.size(); ++i) {
        const double hz = freqs[i];
        const int32_t periods = ToneLoopPeriods(hz);
        ASSERT_GE(periods, TONE_LOOP_MIN_PERIODS) << "row " << i << " hz " << hz;
        const int32_t bytes = ToneLoopBytes(ToneLoopBufferMs(hz));
        ASSERT_EQ(0, bytes % 2) << "row " << i << " hz " << hz;
        // The samples span the periods to within a sample and a thousandth of
        // a period.
        const double exact = periods * TONE_SAMPLE_RATE / hz;
        EXPECT_LE(std::fabs(bytes / 2 - exact), 1.0 + 0.001 * TONE_SAMPLE_RATE / hz) << "row " << i << " hz " << hz;

        const double volume = 0.25;
        const std::vector<int16_t> s = Loop(hz, volume);
        int32_t largest = 0;
        for (size_t k = 0; k + 1 < s.size(); ++k) {
            largest = std::max(largest, std::abs(s[k + 1] - s[k]));
        }
        // A wrap that is off by a thousandth of a period may add that much
        // phase to one step, plus a count of rounding.
        const double allowed = largest + TONE_TWO_PI * 0.001 * volume * 32767.0 + 2.0;
        const int32_t wrap = std::abs(s.front() - s.back());
        EXPECT_LE(wrap, allowed) << "row " << i << " hz " << hz << " periods " << periods;
    }
}

TEST(ToneLoop, SampleValues) {
    const struct {
        double hz;
        double volume;
        int32_t peak;
    } rows[] = {
        {1000.0, 0.25, 8191}, {800.0, 0.25, 8191}, {441.0, 0.5, 16383}, {1000.0, 0.0, 0},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        const std::vector<int16_t> s = Loop(rows[i].hz, rows[i].volume);
        ASSERT_FALSE(s.empty()) << "row " << i;
        EXPECT_EQ(0, s[0]) << "row " << i;
        int32_t top = 0, bottom = 0;
        for (int16_t v : s) {
            top = std::max<int32_t>(top, v);
            bottom = std::min<int32_t>(bottom, v);
        }
        EXPECT_EQ(rows[i].peak, top) << "row " << i;
        EXPECT_EQ(-rows[i].peak, bottom) << "row " << i;
    }
    // The formula with its own constant, truncated toward zero.
    for (int64_t k : {1, 7, 11, 100, 4409}) {
        const double v = std::sin(6.2831852 * (1.0 / 44100) * k * 1000.0) * 0.25;
        EXPECT_EQ(static_cast<int16_t>(v * 32767), ToneSample(k, 1000.0, 0.25, 44100)) << "k " << k;
    }
}

TEST(ToneLoop, OutOfRangeInputs) {
    // Frequencies that would need an endless or enormous loop get none.
    const double badHz[] = {0.0, -440.0, NAN, INFINITY, 1.0, 4.0, 1e-300};
    for (size_t i = 0; i < sizeof(badHz) / sizeof(badHz[0]); ++i) {
        EXPECT_EQ(0, ToneLoopBytes(ToneLoopBufferMs(badHz[i]))) << "row " << i;
    }
    const double badMs[] = {0.0, -1.0, NAN, INFINITY, TONE_LOOP_MAX_MS * 1.01};
    for (size_t i = 0; i < sizeof(badMs) / sizeof(badMs[0]); ++i) {
        EXPECT_EQ(0, ToneLoopBytes(badMs[i])) << "row " << i;
    }
    EXPECT_EQ(1764000, ToneLoopBytes(TONE_LOOP_MAX_MS));
    // Samples saturate rather than wrap; NaN is silence.
    EXPECT_EQ(32767, ToneSample(11, 1000.0, 2.0, 44100));
    EXPECT_EQ(-32768, ToneSample(33, 1000.0, 2.0, 44100));
    EXPECT_EQ(0, ToneSample(11, 1000.0, NAN, 44100));
    // An odd count leaves its last byte alone.
    uint8_t buf[5] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    FillToneSamples(buf, 5, 1000.0, 1.0, 44100);
    EXPECT_EQ(0, buf[0]);
    EXPECT_EQ(0, buf[1]);
    EXPECT_EQ(0xEE, buf[4]);
}

}  // namespace
