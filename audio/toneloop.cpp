// Loop length and sine fill of the sidetone (see toneloop.h).
#include "audio/toneloop.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSamplePeriod = 1.0 / TONE_SAMPLE_RATE;
// How close to a sample boundary the loop must end, as a part of one period.
constexpr double kTolerance = 0.001;
constexpr double kUpperLimit = 0.998;
// The second search looks at up to two seconds of tone, at most this many
// periods: any whole number of hertz fits one second exactly.
constexpr int64_t kFallbackMaxPeriods = 2 * TONE_SAMPLE_RATE;

}  // namespace

int32_t ToneLoopPeriods(double hz) {
    if (!(hz > 0.0) || !std::isfinite(hz)) {
        return 0;
    }
    const double period = 1.0 / hz;
    if (!std::isfinite(period)) {
        return 0;
    }
    // The remainder past the last sample boundary, as a part of a period.
    // The upper test only ever fires for tones near the sample rate, since
    // the remainder is below one sample period.
    for (int32_t i = TONE_LOOP_MIN_PERIODS; i <= TONE_LOOP_MAX_PERIODS; ++i) {
        const double e = std::fmod(i * period, kSamplePeriod) / period;
        if (e < kTolerance || e > kUpperLimit) {
            return i;
        }
    }
    // No count ends just past a boundary: rounding often leaves a remainder
    // just short of the next one instead (765 Hz: 102 periods are exactly
    // 5880 samples), and ending anywhere else would click at the wrap. Look
    // at both sides of the boundary, and further out.
    const int64_t limit = std::max<int64_t>(
        TONE_LOOP_MAX_PERIODS, std::min<int64_t>(kFallbackMaxPeriods, static_cast<int64_t>(2.0 * hz)));
    int32_t best = TONE_LOOP_MIN_PERIODS;
    double bestDistance = 2.0;
    for (int64_t i = TONE_LOOP_MIN_PERIODS; i <= limit; ++i) {
        const double r = std::fmod(static_cast<double>(i) * period, kSamplePeriod);
        const double distance = std::min(r, kSamplePeriod - r) / period;
        if (distance < kTolerance) {
            return static_cast<int32_t>(i);
        }
        if (distance < bestDistance) {
            bestDistance = distance;
            best = static_cast<int32_t>(i);
        }
    }
    return best;
}

double ToneLoopBufferMs(double hz) {
    const int32_t periods = ToneLoopPeriods(hz);
    if (periods == 0) {
        return 0.0;
    }
    const double period = 1.0 / hz;
    return periods * period * 1000.0;
}

int32_t ToneLoopBytes(double bufferMs) {
    if (!(bufferMs > 0.0) || !(bufferMs <= TONE_LOOP_MAX_MS)) {
        return 0;
    }
    int32_t bytes = static_cast<int32_t>(static_cast<double>(TONE_BYTES_PER_SECOND) * bufferMs / 1000.0);
    // A loop of whole samples: a stray last byte would shift every sample
    // after the wrap by one byte.
    if (bytes % 2 != 0) {
        ++bytes;
    }
    return bytes;
}

int16_t ToneSample(int64_t k, double hz, double volume, double sampleRate) {
    const double v = std::sin(TONE_TWO_PI * (1.0 / sampleRate) * static_cast<double>(k) * hz) * volume;
    const double x = v * 32767.0;
    if (std::isnan(x)) {
        return 0;
    }
    if (x >= 32767.0) {
        return 32767;
    }
    if (x <= -32768.0) {
        return -32768;
    }
    return static_cast<int16_t>(static_cast<int32_t>(x));
}

void FillToneSamples(void* dst, int64_t nBytes, double hz, double volume, double sampleRate) {
    if (dst == nullptr || nBytes < 2) {
        return;
    }
    uint8_t* out = static_cast<uint8_t*>(dst);
    const int64_t count = nBytes / 2;
    for (int64_t k = 0; k < count; ++k) {
        const uint16_t u = static_cast<uint16_t>(ToneSample(k, hz, volume, sampleRate));
        out[2 * k] = static_cast<uint8_t>(u & 0xFFu);
        out[2 * k + 1] = static_cast<uint8_t>(u >> 8);
    }
}
