// Speed, durations, parser thresholds, sampler idle limits and the sender's
// key timeline. Intermediate sums are 64-bit so that any stored duration
// gives a defined result.
#include "morse/keyingtiming.h"

#include <climits>

int ComputeSpeed(const tagKeyDurations& d) {
    int64_t total = 10 * int64_t{d.shorthit} + 4 * int64_t{d.longhit} + 9 * int64_t{d.hitdelay} +
                    4 * int64_t{d.letterdelay} + int64_t{d.worddelay};
    if (total == 0) {
        total = 1;
    }
    int64_t wpm = (total / 2 + 60000) / total;
    if (wpm >= 1000) {
        wpm = MAX_SHOWN_WPM;
    }
    if (wpm < INT_MIN) {
        wpm = INT_MIN;
    }
    return static_cast<int>(wpm);
}

int ComputeSpeed(int32_t shorthit, int32_t longhit, int32_t hitdelay, int32_t letterdelay,
                 int32_t worddelay) {
    return ComputeSpeed(tagKeyDurations{shorthit, longhit, hitdelay, letterdelay, worddelay});
}

int SpeedToDurations(int32_t wpm, tagKeyDurations* out) {
    if (wpm == 0 || out == nullptr) {
        return 0;
    }
    const int64_t unit = 60000 / (int64_t{wpm} * 46);
    const int32_t u = static_cast<int32_t>(unit);
    const int32_t u3 = static_cast<int32_t>(unit * 3);
    out->shorthit = u;
    out->longhit = u3;
    out->hitdelay = u;
    out->letterdelay = u3;
    out->worddelay = u3;
    return 1;
}

int32_t ParserThreshold(int32_t longhit, int32_t period) {
    if (period < 1) {
        period = 1;
    }
    const int64_t t = int64_t{longhit} / period - 5;
    return t < INT32_MIN ? INT32_MIN : static_cast<int32_t>(t);
}

int IdleSamplerStep(int32_t* sum, int32_t sample, int32_t period, int32_t limit) {
    if (sample != 0) {
        *sum = 0;
    }
    const int pass = *sum < limit ? 1 : 0;
    if (pass) {
        const int64_t next = int64_t{*sum} + period;
        *sum = next > INT32_MAX ? INT32_MAX : (next < INT32_MIN ? INT32_MIN : static_cast<int32_t>(next));
    }
    return pass;
}

int LayoutKeyTimeline(const tagMorseCode& code, const tagKeyDurations& d, tagKeySegment* out,
                      int max) {
    int n = 0;
    auto put = [&](int32_t down, int32_t ms) {
        if (out != nullptr && n < max) {
            out[n++] = tagKeySegment{down, ms};
        }
    };
    // The word gap is told by its character, as the sender tells it: its
    // elements, if a table gives it any, are never keyed.
    if ((code.nChar & 0xFF) == MORSE_WORD_GAP_CHAR) {
        put(0, d.worddelay);
    } else {
        ForEachMorseElement(code, [&](bool dot) {
            put(1, dot ? d.shorthit : d.longhit);
            put(0, d.hitdelay);
        });
    }
    put(0, d.letterdelay);
    return n;
}

int ApplyFarnsworth(const tagKeyDurations& d, int32_t effectiveWpm, int wordGapLetterDelays,
                    tagKeyDurations* out) {
    if (out == nullptr) {
        return 0;
    }
    *out = d;
    if (effectiveWpm <= 0 || effectiveWpm >= ComputeSpeed(d)) {
        return 0;
    }
    auto nonNegative = [](int32_t v) { return v < 0 ? int64_t{0} : int64_t{v}; };
    const int64_t dot = nonNegative(d.shorthit);
    const int64_t dash = nonNegative(d.longhit);
    const int64_t hit = nonNegative(d.hitdelay);
    const int64_t letter = nonNegative(d.letterdelay);
    const int64_t word = nonNegative(d.worddelay);
    const int64_t k = wordGapLetterDelays < 0 ? 0 : wordGapLetterDelays;

    const int64_t paris = (60000 + effectiveWpm / 2) / effectiveWpm;
    const int64_t spacing = paris - (10 * dot + 4 * dash + 9 * hit);
    if (spacing <= 0) {
        return 0;
    }
    const int64_t letterGap = spacing * 3 / 19;
    const int64_t wordGap = spacing - 4 * letterGap;

    const int64_t newLetter = letterGap - hit > letter ? letterGap - hit : letter;
    const int64_t todayWordGap = hit + k * letter + word;
    const int64_t targetWordGap = wordGap > todayWordGap ? wordGap : todayWordGap;
    int64_t newWord = targetWordGap - hit - k * newLetter;
    if (newWord < 0) {
        newWord = 0;
    }
    auto clamp32 = [](int64_t v) { return v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v); };
    out->shorthit = clamp32(dot);
    out->longhit = clamp32(dash);
    out->hitdelay = clamp32(hit);
    out->letterdelay = clamp32(newLetter);
    out->worddelay = clamp32(newWord);
    return 1;
}
