// Scoring of a Koch copy: the operator's text aligned with the sent text
// by least edit cost (copyalign.h), so one character left out or put in
// costs that one character only, and the texts of the copy dialog's four
// figures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Longest copy that is scored (the copy buffer holds 256 with the zero).
constexpr int COPY_TEXT_MAX = 255;

struct tagCopyScore {
    int32_t nCopied;    // characters in the copy (at most COPY_TEXT_MAX)
    int32_t nCorrect;   // copy characters aligned with an equal sent one
    int32_t nWrong;     // nCopied - nCorrect
    int32_t bLastWrong; // 1 when the last copied character is wrong
};

// Aligns the copy (upper-cased, ASCII only) with the sent text: a copy
// character is correct when the alignment pairs it with an equal sent
// character, wrong otherwise (paired with another one, or extra).
tagCopyScore ScoreCopy(const char* sent, int sentLen, const char* copy, int copyLen);

// "%d" of the copied and wrong counts.
void FormatCopyCount(int32_t count, char* out, size_t size);
// "%2.1f%%" of correct * 100 / copied; a bare "%" when nothing is copied.
void FormatAccuracy(const tagCopyScore& score, char* out, size_t size);
// "%2.2d:%2.2d:%2.2d" of hours, minutes and seconds of elapsed milliseconds,
// computed in unsigned 32-bit arithmetic (a tick counter that wrapped still
// gives a small difference).
void FormatElapsed(uint32_t startTick, uint32_t nowTick, char* out, size_t size);

// What became of one sent character in a copy.
enum CopyOutcome : int32_t {
    COPY_OUTCOME_RIGHT = 0,
    COPY_OUTCOME_WRONG = 1,
    COPY_OUTCOME_MISSED = 2,
};

struct tagCharResult {
    char nChar;            // the sent character
    CopyOutcome nOutcome;
};

// The result of every sent character under the same alignment as
// ScoreCopy. Spaces of the sent text are group gaps, not characters, and
// are skipped. A character the alignment pairs with an equal copy
// character is right; paired with a blank or with nothing, missed (the
// operator left it out); paired with another character, wrong. Characters
// after the part of the sent text the copy covers count as missed up to
// sentCount, the number of characters that were actually sent; a negative
// sentCount means it is unknown and only the covered part counts.
std::vector<tagCharResult> ScoreCopyCharacters(const char* sent, int sentLen, int sentCount, const char* copy,
                                               int copyLen);

// How many of a text of textLen characters the sender has taken from its
// queue while waiting of them still wait there (the one being keyed has
// been taken: it counts as sent).
int SentCharacterCount(int textLen, size_t waiting);
