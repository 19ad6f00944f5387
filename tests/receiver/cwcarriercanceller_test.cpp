// The baseband carrier canceller: a steady carrier beside the keyed tone is
// found and taken out, the keyed tone comes through as it was, and nothing
// near the tone or in silence is touched.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "receiver/cwcarriercanceller.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRate = 1002.3;

// A keyed tone at 0 Hz: random marks and gaps of one to three 60 ms dots,
// its phase running on.
std::vector<std::complex<double>> Keyed(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> units(1, 3);
    std::vector<std::complex<double>> x(n);
    const size_t dot = static_cast<size_t>(0.06 * kRate);
    bool on = true;
    for (size_t i = 0; i < n;) {
        const size_t end = std::min(n, i + dot * static_cast<size_t>(units(rng)));
        for (; i < end; ++i) x[i] = on ? std::complex<double>(0.5, 0.0) : 0.0;
        on = !on;
    }
    return x;
}

TEST(CwCarrierCanceller, TakesOutASteadyCarrierAndLeavesTheKeyedTone) {
    static const struct {
        double carrierHz, carrierAmplitude;  // beside the keyed tone of 0.5
        double toneHz;                       // where the keyed tone is said to be
        bool taken;                          // the carrier must be taken out
    } rows[] = {
        {112.0, 0.8, 0.0, true},  {-121.7, 1.0, 0.0, true}, {180.3, 0.5, 0.0, true},
        {-63.0, 0.6, 0.0, true},  {20.0, 0.8, 0.0, false},  {-30.0, 0.8, 0.0, false},
        {95.0, 0.8, 80.0, false},
    };
    for (size_t r = 0; r < sizeof rows / sizeof rows[0]; ++r) {
        const auto& row = rows[r];
        const size_t n = static_cast<size_t>(4.0 * kRate);
        const std::vector<std::complex<double>> tone = Keyed(n, 40 + static_cast<unsigned>(r));
        CCwCarrierCanceller canceller(kRate);
        double left = 0.0, power = 0.0, changed = 0.0;
        for (size_t i = 0; i < n; ++i) {
            const std::complex<double> carrier = std::polar(row.carrierAmplitude, 2.0 * kPi * row.carrierHz * i / kRate + 0.3);
            const std::complex<double> in = tone[i] + carrier;
            const std::complex<double> out = canceller.Feed(in, row.toneHz);
            changed += std::norm(out - in);
            // From the second second on, what is left beside the tone.
            if (i >= n / 4) {
                left += std::norm(out - tone[i]);
                power += std::norm(tone[i]);
            }
        }
        const std::vector<double> found = canceller.Carriers();
        if (row.taken) {
            ASSERT_EQ(1u, found.size()) << "row " << r;
            EXPECT_NEAR(row.carrierHz, found[0], 0.5) << "row " << r;
            // Left over: under 1 % of the keyed tone's power (-20 dB).
            EXPECT_LT(left, 0.01 * power) << "row " << r << ": left " << left / power << " of the tone's power";
        } else {
            EXPECT_EQ(0u, found.size()) << "row " << r << ": took " << (found.empty() ? 0.0 : found[0]) << " Hz";
            EXPECT_EQ(0.0, changed) << "row " << r;
        }
    }
}

TEST(CwCarrierCanceller, SilenceStaysExactlyZero) {
    CCwCarrierCanceller canceller(kRate);
    size_t nonzero = 0;
    for (int i = 0; i < 3000; ++i) nonzero += canceller.Feed(0.0, 0.0) != std::complex<double>(0.0) ? 1 : 0;
    EXPECT_EQ(0u, nonzero);
    EXPECT_TRUE(canceller.Carriers().empty());
}

}  // namespace
