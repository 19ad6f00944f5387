// Raised-cosine edges for keyed tones: how many samples an edge of a given
// length takes, and the gain at each sample of a rising edge. A falling
// edge is the rising one read backwards, so both are symmetric and a tone
// keyed for T seconds is T seconds long between its half-amplitude points.
// Shared by the sidetone and the WAV writer.
#pragma once

#include <cstdint>

// Longest edge offered, in milliseconds.
constexpr double TONE_EDGE_MAX_MS = 10.0;

// Samples in an edge of ms at sampleRate: ms clamped to [0, 10] (not a
// number counts as 0), times the rate, rounded to the nearest sample.
int32_t ToneEdgeSamples(double ms, int32_t sampleRate);

// Gain of sample i of a rising edge of n samples: 0.5 - 0.5 cos(pi (i + 0.5) / n),
// sampled at the middle of each sample so that rise and fall mirror each
// other exactly. 0 before the edge (i < 0), 1 after it (i >= n); an edge of
// n <= 0 samples is a step, gain 1 from sample 0 on. Two neighbouring gains
// differ by at most pi / (2n).
double ToneEdgeGain(int64_t i, int32_t n);
