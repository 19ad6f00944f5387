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
