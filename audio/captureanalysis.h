// Pure arithmetic of the tone detector: where the analysis span lies in the
// capture ring, how a locked span is copied into the sample window, the
// trigger search, the bin frequencies, the threshold and the band test.
#pragma once

#include <cstdint>

#include "audio/capturesource.h"

// Default analysis settings of the station.
constexpr int32_t CAPTURE_DEFAULT_THRESHOLD = 0x4000;
constexpr int32_t CAPTURE_DEFAULT_BAND_START = 850;
constexpr int32_t CAPTURE_DEFAULT_BAND_END = 1250;
// A threshold above every coefficient magnitude (|X| is at most 32768).
constexpr int32_t CAPTURE_THRESHOLD_NEVER = 32769;

// A span of a ring buffer as one or two regions of byte offsets; the
// second region is empty unless the span wraps past the end.
struct tagRingSpan {
    int32_t nOffset1;
    int32_t nBytes1;
    int32_t nOffset2;
    int32_t nBytes2;
};

// Start of the `length` bytes that end at `end` in a ring of `size` bytes
// (end - length, wrapped into the ring). -1 when the span does not fit:
// size <= 0, length outside 0 ... size, or end outside 0 ... size - 1.
int32_t RingSpanStart(int32_t size, int32_t end, int32_t length);

// Splits `length` bytes from `offset` into regions inside 0 ... size.
// 0 (and an all-zero span) when offset is outside the ring or length
// outside 0 ... size.
int SplitRingSpan(int32_t size, int32_t offset, int32_t length, tagRingSpan* out);

// Copies the samples of a locked span to window[0 ...]: the first
// region's, then the second region's, at most `capacity` in all; the rest
// of the window is zeroed so that a short lock never leaves stale samples.
// Returns the number of samples copied.
int32_t CopyLockedSamples(const tagCaptureLock& locked, int16_t* window, int32_t capacity);

// Trigger search over window[0 ... n - 1]: one past the first non-negative
// local maximum that follows a rise, or n - 1 when there is none (0 when
// n <= 1). The analysis frame window[t ... t + n - 1] starts there.
int32_t FindTrigger(const int16_t* window, int32_t n);

// The analysis frame length actually used: samples clamped to
// 1 ... samplesPerSecond / 2 (so that 4N bytes fit in the one-second ring).
int32_t ClampAnalysisSamples(int32_t samples, int32_t samplesPerSecond);

// Frequency in Hz of bin k: ((samplesPerSecond >> 1) / n) x k, in 16 bits.
int16_t BinFrequency(int32_t samplesPerSecond, int32_t n, int32_t k);

// Threshold in sample units for a level given as a fraction of full scale.
// trunc(32768 x level) for levels from -1 up to below 1; 32768 for 1.0;
// CAPTURE_THRESHOLD_NEVER above 1 and for not-a-number; -32768 below -1.
int32_t ThresholdFromLevel(double level);

// Tone decision: nonzero when some bin k with bandStart <= freq[k] <=
// bandEnd has |spectrum[k]| >= threshold.
int DetectTone(const int16_t* spectrum, const int16_t* freq, int32_t n, int32_t threshold,
               int32_t bandStart, int32_t bandEnd);
