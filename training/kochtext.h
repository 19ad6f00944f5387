// Koch group text: random characters drawn from the training character set,
// in groups of the configured length, each group followed by one space.
#pragma once

#include <cstdint>

// The text is always exactly this long and carries no terminating zero.
constexpr int KOCH_TEXT_LEN = 256;

// The most recently generated text; the copy dialog scores against it.
extern char g_szKochText[KOCH_TEXT_LEN];

// Fills out[0 .. len-1] from the run-time's rand(): position i is a space
// when (i + 1) is a multiple of (wordLen + 1), otherwise
// charList[rand() % n] with n the length of charList (at most 43 characters
// are used). A negative wordLen means no grouping: no spaces at all. An
// empty charList gives spaces only. The caller seeds rand.
void FillKochText(char* out, int len, const char* charList, int32_t wordLen);

// Seeds rand with the calendar time in seconds and fills g_szKochText from
// the given character set and group length.
void GenerateKochText(const char* charList, int32_t wordLen);
// The same from the settings store's charlist and koch_wordlen.
void GenerateKochText();

// Weighted practice (the error rate is CCharStats::PracticeErrorRate, which
// counts a new character as hard): each character's weight is KOCH_WEIGHT_BASE plus
// KOCH_WEIGHT_GAIN times its recent error rate (0 to 1), so a character
// missed every time comes up four times as often as one always copied,
// and none falls below the share of the best-copied ones.
constexpr int32_t KOCH_WEIGHT_BASE = 100;
constexpr int32_t KOCH_WEIGHT_GAIN = 300;

// The weight of a character with the given recent error rate.
int32_t KochWeight(double errorRate);

// As FillKochText, but character k of charList is drawn with probability
// weights[k] / (sum of the weights); weights below 1 count as 1. Each draw
// takes two values of rand() (30 bits), so the run-time's 15-bit rand does
// not limit the resolution.
void FillWeightedKochText(char* out, int len, const char* charList, int32_t wordLen, const int32_t* weights);
