// The sidetone loop arithmetic: the listed loop lengths, whole periods and a
// click-free wrap across the keying range, the fill's values, and the bounds
// on absurd frequencies and volumes.
#include "audio/toneloop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

std::vector<int16_t> Loop(double hz, double volume) {
    const int32_t bytes = ToneLoopBytes(ToneLoopBufferMs(hz));
    std::vector<uint8_t> raw(static_cast<size_t>(bytes) + 1, 0xCD);
    FillToneSamples(raw.data(), bytes, hz, volume, TONE_SAMPLE_RATE);
    EXPECT_EQ(0xCD, raw.back()) << "wrote past the loop at " << hz;
    std::vector<int16_t> s(static_cast<size_t>(bytes) / 2);
    for (size_t k = 0; k < s.size(); ++k) {
        s[k] = static_cast<int16_t>(raw[2 * k] | (raw[2 * k + 1] << 8));
    }
    return s;
}

TEST(ToneLoop, ListedFrequencies) {
    const struct {
        double hz;
        int32_t periods, bytes;
    } rows[] = {{1000.0, 100, 8820}, {800.0, 104, 11466}, {700.0, 101, 12726}, {440.0, 106, 21248}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        EXPECT_EQ(rows[i].periods, ToneLoopPeriods(rows[i].hz)) << "row " << i;
        EXPECT_NEAR(rows[i].periods * 1000.0 / rows[i].hz, ToneLoopBufferMs(rows[i].hz), 1e-9) << "row " << i;
        EXPECT_EQ(rows[i].bytes, ToneLoopBytes(ToneLoopBufferMs(rows[i].hz))) << "row " << i;
    }
}

// The keying range in steps that meet integer and fractional values, plus
// frequencies whose periods end just short of a sample boundary (765 Hz:
// 102 periods are exactly 5880 samples), where the first search finds none.
TEST(ToneLoop, WholePeriodsAndClickFreeWrapFrom100HzTo5kHz) {
    std::vector<double> freqs = {765.0, 850.0, 1425.0, 2281.0, 2321.0, 2594.0, 3291.0, 4009.0, 4642.0, 5000.0};
    for (double f = 100.0; f <= 5000.0; f += 13.7) {
        freqs.push_back(f);
    }
    const double volume = 0.25;
    for (size_t i = 0; i < freqs.size(); ++i) {
        const double hz = freqs[i];
        const int32_t periods = ToneLoopPeriods(hz);
        const int32_t bytes = ToneLoopBytes(ToneLoopBufferMs(hz));
        ASSERT_GE(periods, TONE_LOOP_MIN_PERIODS) << "row " << i << " hz " << hz;
        ASSERT_EQ(0, bytes % 2) << "row " << i << " hz " << hz;
        // The samples span the periods to within a sample and a thousandth
        // of a period.
        const double exact = periods * TONE_SAMPLE_RATE / hz;
        EXPECT_LE(std::fabs(bytes / 2 - exact), 1.0 + 0.001 * TONE_SAMPLE_RATE / hz) << "row " << i << " hz " << hz;
        // So the wrap step is no bigger than the largest inner step plus the
        // phase of a thousandth of a period and a count of rounding.
        const std::vector<int16_t> s = Loop(hz, volume);
        int32_t largest = 0;
        for (size_t k = 0; k + 1 < s.size(); ++k) {
            largest = std::max(largest, std::abs(s[k + 1] - s[k]));
        }
        EXPECT_LE(std::abs(s.front() - s.back()), largest + TONE_TWO_PI * 0.001 * volume * 32767.0 + 2.0)
            << "row " << i << " hz " << hz << " periods " << periods;
    }
}

TEST(ToneLoop, SampleValues) {
    const struct {
        double hz, volume;
        int32_t peak;
    } rows[] = {{1000.0, 0.25, 8191}, {800.0, 0.25, 8191}, {441.0, 0.5, 16383}, {1000.0, 0.0, 0}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        const std::vector<int16_t> s = Loop(rows[i].hz, rows[i].volume);
        EXPECT_EQ(0, s[0]) << "row " << i;
        EXPECT_EQ(rows[i].peak, *std::max_element(s.begin(), s.end())) << "row " << i;
        EXPECT_EQ(-rows[i].peak, *std::min_element(s.begin(), s.end())) << "row " << i;
    }
    for (int64_t k : {1, 7, 11, 4409}) {  // the formula with its own constant, truncated
        const double v = std::sin(6.2831852 * (1.0 / 44100) * k * 1000.0) * 0.25;
        EXPECT_EQ(static_cast<int16_t>(v * 32767), ToneSample(k, 1000.0, 0.25, 44100)) << "k " << k;
    }
}

TEST(ToneLoop, OutOfRangeInputs) {
    // Frequencies that would need an endless or enormous loop get none.
    for (double hz : {0.0, -440.0, double(NAN), double(INFINITY), 1.0, 4.0, 1e-300}) {
        EXPECT_EQ(0, ToneLoopBytes(ToneLoopBufferMs(hz))) << "hz " << hz;
    }
    for (double ms : {0.0, -1.0, double(NAN), double(INFINITY), TONE_LOOP_MAX_MS * 1.01}) {
        EXPECT_EQ(0, ToneLoopBytes(ms)) << "ms " << ms;
    }
    EXPECT_EQ(1764000, ToneLoopBytes(TONE_LOOP_MAX_MS));
    // Samples saturate rather than wrap; NaN is silence.
    EXPECT_EQ(32767, ToneSample(11, 1000.0, 2.0, 44100));
    EXPECT_EQ(-32768, ToneSample(33, 1000.0, 2.0, 44100));
    EXPECT_EQ(0, ToneSample(11, 1000.0, NAN, 44100));
}

}  // namespace
