// Scoring of a Koch copy: the operator's text compared position by position
// with the sent text, and the texts of the copy dialog's four figures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Longest copy that is scored (the copy buffer holds 256 with the zero).
constexpr int COPY_TEXT_MAX = 255;

struct tagCopyScore {
    int32_t nCopied;    // characters in the copy (at most COPY_TEXT_MAX)
    int32_t nCorrect;   // positions whose upper-cased copy equals the sent one
    int32_t nWrong;     // nCopied - nCorrect
    int32_t bLastWrong; // 1 when the last copied character is wrong
};

// Compares copy[i] (upper-cased, ASCII only) with sent[i] for every i below
// the copy's length; positions past the sent text's end count as wrong.
// Nothing is realigned: a missed or extra character shifts all later ones.
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

// The result of every sent character under the same position-by-position
// rule as ScoreCopy. Spaces of the sent text are group gaps, not
// characters, and are skipped. A character whose position the copy holds
// is right when the upper-cased copy equals it, missed when the copy has a
// blank there (the operator left it out), wrong otherwise. Characters past
// the copy's end count as missed up to sentCount, the number of characters
// that were actually sent; a negative sentCount means it is unknown and only
// the copied positions count.
std::vector<tagCharResult> ScoreCopyCharacters(const char* sent, int sentLen, int sentCount, const char* copy,
                                               int copyLen);
