// Koch group text generation (see kochtext.h).
#include "training/kochtext.h"

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "settings/vardosetting.h"

char g_szKochText[KOCH_TEXT_LEN];

// The settings keep the set in a 44-character field.
static constexpr size_t KOCH_CHARLIST_MAX = 43;

void FillKochText(char* out, int len, const char* charList, int32_t wordLen) {
    size_t n = charList ? strnlen(charList, KOCH_CHARLIST_MAX) : 0;
    // Computed in 64 bits: wordLen + 1 overflows for the largest int, and
    // wordLen -1 would make it a division by zero.
    int64_t period = static_cast<int64_t>(wordLen) + 1;
    for (int i = 0; i < len; ++i) {
        bool space = n == 0 || (wordLen >= 0 && (static_cast<int64_t>(i) + 1) % period == 0);
        if (space) {
            out[i] = ' ';
        } else {
            out[i] = charList[static_cast<size_t>(rand()) % n];
        }
    }
}

void GenerateKochText(const char* charList, int32_t wordLen) {
    srand(static_cast<unsigned>(time(nullptr)));
    FillKochText(g_szKochText, KOCH_TEXT_LEN, charList, wordLen);
}

void GenerateKochText() {
    if (g_pSetting) {
        GenerateKochText(g_pSetting->charlist, g_pSetting->koch_wordlen);
    } else {
        GenerateKochText("", 0);
    }
}
