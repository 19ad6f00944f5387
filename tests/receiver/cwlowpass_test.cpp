// The receiver's baseband low-pass: the tone's few tens of hertz pass
// unchanged, a neighbour 150 Hz away is at least halved and one 200 Hz or
// more away taken out, whatever the rate it runs at.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "receiver/cwlowpass.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Gain (output over input amplitude) for a complex tone at hz, once the
// filter has filled.
double Gain(double rate, double hz) {
    CCwLowPass f(rate);
    double peak = 0.0;
    const int n = static_cast<int>(rate);  // one second
    for (int i = 0; i < n; ++i) {
        const std::complex<double> y = f.Feed(std::polar(1.0, 2.0 * kPi * hz * i / rate));
        if (i > n / 2) peak = std::max(peak, std::abs(y));
    }
    return peak;
}

TEST(CwLowPass, PassesTheToneAndStopsNeighbours) {
    static const struct {
        double rate;
        double hz;
        double lo, hi;  // gain must lie within
    } rows[] = {
        {1002.3, 0.0, 0.999, 1.001},  {1002.3, 30.0, 0.97, 1.03},   {1002.3, -30.0, 0.97, 1.03},
        {1002.3, 60.0, 0.95, 1.03},   {1002.3, 150.0, 0.0, 0.5},    {1002.3, -150.0, 0.0, 0.5},
        {1002.3, 200.0, 0.0, 0.01},   {1002.3, -230.0, 0.0, 0.01},  {1002.3, 300.0, 0.0, 0.01},
        {1002.3, 480.0, 0.0, 0.01},   {2000.0, 30.0, 0.97, 1.03},   {2000.0, 210.0, 0.0, 0.01},
        {2000.0, 900.0, 0.0, 0.01},
    };
    for (const auto& r : rows) {
        const double g = Gain(r.rate, r.hz);
        EXPECT_GE(g, r.lo) << r.hz << " Hz at " << r.rate;
        EXPECT_LE(g, r.hi) << r.hz << " Hz at " << r.rate;
    }
}

TEST(CwLowPass, DelaysByHalfItsLength) {
    // An impulse comes out at the delay it reports, and nowhere as strong.
    CCwLowPass f(1000.0);
    size_t at = 0;
    double best = 0.0;
    for (size_t i = 0; i < 200; ++i) {
        const double y = std::abs(f.Feed(i == 0 ? 1.0 : 0.0));
        if (y > best) best = y, at = i;
    }
    EXPECT_EQ(f.Delay(), at);
}

}  // namespace
