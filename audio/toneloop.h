// Pure arithmetic of the sidetone loop: how long the looping buffer must be
// so that it holds whole tone periods ending on a sample boundary (the loop
// then wraps without a click), its byte count, and the sine fill shared by
// the sidetone player and the WAV writer.
#pragma once

#include <cstdint>

// The sidetone format: PCM mono, 16-bit signed, 44100 samples per second.
constexpr int32_t TONE_SAMPLE_RATE = 44100;
constexpr int32_t TONE_CHANNELS = 1;
constexpr int32_t TONE_BITS_PER_SAMPLE = 16;
constexpr int32_t TONE_BLOCK_ALIGN = TONE_CHANNELS * TONE_BITS_PER_SAMPLE / 8;
constexpr int32_t TONE_BYTES_PER_SECOND = TONE_BITS_PER_SAMPLE / 8 * TONE_SAMPLE_RATE * TONE_CHANNELS;

// The loop never holds fewer periods than this.
constexpr int32_t TONE_LOOP_MIN_PERIODS = 100;
// The first search stops here.
constexpr int32_t TONE_LOOP_MAX_PERIODS = 1000;
// Longest loop accepted, in milliseconds (1764000 bytes): a frequency that
// needs more (below about 5 Hz, or not finite) gets no buffer at all.
constexpr double TONE_LOOP_MAX_MS = 20000.0;

// The 2*pi used by both fills, as the stored tone data has always used it.
constexpr double TONE_TWO_PI = 6.2831852;

// Number of whole tone periods in the loop for hz: the first count from 100
// to 1000 whose end lies within a thousandth of a period past a sample
// boundary. When none does, the first count (up to two seconds of tone)
// whose end lies that close to a boundary on either side, else the closest.
// 0 for a frequency that is not a positive finite number.
int32_t ToneLoopPeriods(double hz);

// Loop length in milliseconds: periods * 1000 / hz; 0 for an invalid hz.
double ToneLoopBufferMs(double hz);

// Byte count of a loop of bufferMs: 88200 * bufferMs / 1000 truncated toward
// zero, rounded up to whole samples. 0 when bufferMs is not in (0, 20000].
int32_t ToneLoopBytes(double bufferMs);

// One sample of the tone: sin(2pi / rate * k * hz) * volume * 32767,
// truncated toward zero. Saturates at the 16-bit range (volume above 1);
// a NaN gives 0.
int16_t ToneSample(int64_t k, double hz, double volume, double sampleRate);

// Fills the first nBytes / 2 samples of dst (16-bit little-endian) with the
// tone from sample 0. A trailing odd byte is left as it is.
void FillToneSamples(void* dst, int64_t nBytes, double hz, double volume, double sampleRate);
