// The timing model of keyed Morse: the five durations (ms), the speed in
// words per minute they stand for, the parser thresholds that follow from a
// dash length and a sampling period, the idle limit of the key samplers and
// the key-down/key-up timeline the sender produces for one record.
#pragma once

#include <cstdint>

#include "morse/morsecode.h"

struct tagKeyDurations {
    int32_t shorthit;     // dot, key down
    int32_t longhit;      // dash, key down
    int32_t hitdelay;     // key up after every element
    int32_t letterdelay;  // extra key up after every character
    int32_t worddelay;    // the pause of the word-gap record
};

// Largest speed the settings page shows.
constexpr int MAX_SHOWN_WPM = 999;

// Speed of the word PARIS plus one word delay under this model:
// total = 10 dots + 4 dashes + 9 hit delays + 4 letter delays + 1 word delay,
// WPM = (total / 2 + 60000) / total (rounded), shown as at most 999.
int ComputeSpeed(const tagKeyDurations& d);
int ComputeSpeed(int32_t shorthit, int32_t longhit, int32_t hitdelay, int32_t letterdelay,
                 int32_t worddelay);

// unit = 60000 / (46 * wpm); dot and hit delay one unit, dash, letter and
// word delay three. Returns 0 and leaves out untouched for wpm 0.
int SpeedToDurations(int32_t wpm, tagKeyDurations* out);

// Parser threshold in samples: longhit / period - 5 (truncating). A period
// below 1 ms is taken as 1 so that a bad setting cannot divide by zero.
int32_t ParserThreshold(int32_t longhit, int32_t period);

// Idle limit of a key sampler: the sum of elapsed ms is reset at every
// key-down sample, the sample is passed while the sum is below the limit,
// and the period is added after every sample. The sum stops growing once it
// has reached the limit, so a station left idle for weeks never wraps it.
// Returns nonzero when the sample goes to the panel.
int IdleSamplerStep(int32_t* sum, int32_t sample, int32_t period, int32_t limit);

struct CIdleSampler {
    int32_t period;
    int32_t limit;
    int32_t sum;

    CIdleSampler(int32_t periodMs, int32_t limitMs) : period(periodMs), limit(limitMs), sum(0) {}
    int Step(int32_t sample) { return IdleSamplerStep(&sum, sample, period, limit); }
};

// One stretch of the sender's key line: key state (1 down, 0 up) and its
// length in ms.
struct tagKeySegment {
    int32_t down;
    int32_t ms;
};

// Enough segments for the longest record: two per element plus the word
// delay and the letter delay.
constexpr int MAX_KEY_SEGMENTS = 2 * MORSE_MAX_ELEMENTS + 2;

// The sender's timeline for one record: per element key down for shorthit
// (dot) or longhit (dash) then key up for hitdelay; the word-gap record
// '_' waits worddelay instead; then letterdelay. Segments are not
// merged (they are the sender's separate waits). Writes at most max
// segments and returns the number written.
int LayoutKeyTimeline(const tagMorseCode& code, const tagKeyDurations& d, tagKeySegment* out,
                      int max);

// Farnsworth spacing: characters keep the element timing of d while the
// gaps between them are lengthened so that the word PARIS with its word
// space takes 60000 / effectiveWpm ms, the time a standard PARIS word takes
// at the effective speed.
//
// The elements and the gaps inside the five characters of PARIS take
// 10 shorthit + 4 longhit + 9 hitdelay; the rest, T, is shared out as the
// standard timing shares it, 3 parts to each of the 4 letter gaps and 7 to
// the word gap: letter gap 3T/19, word gap T - 4 x letter gap (so rounding
// never changes the total). A letter gap is what the key is up for between
// two characters (hitdelay + letterdelay); a word gap is hitdelay +
// wordGapLetterDelays x letterdelay + worddelay, because the sender closes
// the word-gap record with a letter delay like every other record (2) while
// the audio file writer does not (1). letterdelay and worddelay are set so
// that the path's gaps come out at those lengths.
//
// Gaps are only ever lengthened: a gap already longer than its Farnsworth
// length keeps today's length. An effective speed of 0 or below, or not
// below ComputeSpeed(d), leaves *out equal to d and returns 0; otherwise
// returns 1. Negative durations count as 0.
int ApplyFarnsworth(const tagKeyDurations& d, int32_t effectiveWpm, int wordGapLetterDelays,
                    tagKeyDurations* out);

// The word-gap shapes of the two keying paths (see ApplyFarnsworth).
constexpr int SENDER_WORD_GAP_LETTER_DELAYS = 2;
constexpr int WAVE_WORD_GAP_LETTER_DELAYS = 1;
