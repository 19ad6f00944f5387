// Raised-cosine edge arithmetic (see toneedge.h).
#include "audio/toneedge.h"

#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

int32_t ToneEdgeSamples(double ms, int32_t sampleRate) {
    if (!(ms > 0.0) || sampleRate <= 0) {
        return 0;
    }
    const double clamped = ms > TONE_EDGE_MAX_MS ? TONE_EDGE_MAX_MS : ms;
    return static_cast<int32_t>(std::lround(clamped * sampleRate / 1000.0));
}

double ToneEdgeGain(int64_t i, int32_t n) {
    if (n <= 0 || i >= n) {
        return 1.0;
    }
    if (i < 0) {
        return 0.0;
    }
    return 0.5 - 0.5 * std::cos(kPi * (static_cast<double>(i) + 0.5) / n);
}
