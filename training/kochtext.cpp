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

int32_t KochWeight(double errorRate) {
    if (!(errorRate > 0.0)) {
        errorRate = 0.0;
    }
    if (errorRate > 1.0) {
        errorRate = 1.0;
    }
    return KOCH_WEIGHT_BASE + static_cast<int32_t>(KOCH_WEIGHT_GAIN * errorRate + 0.5);
}

void FillWeightedKochText(char* out, int len, const char* charList, int32_t wordLen, const int32_t* weights) {
    size_t n = charList ? strnlen(charList, KOCH_CHARLIST_MAX) : 0;
    int64_t total = 0;
    for (size_t k = 0; k < n; ++k) {
        total += weights[k] < 1 ? 1 : weights[k];
    }
    int64_t period = static_cast<int64_t>(wordLen) + 1;
    for (int i = 0; i < len; ++i) {
        bool space = n == 0 || (wordLen >= 0 && (static_cast<int64_t>(i) + 1) % period == 0);
        if (space) {
            out[i] = ' ';
            continue;
        }
        const int64_t r15a = rand() & 0x7FFF;
        const int64_t r15b = rand() & 0x7FFF;
        int64_t pick = ((r15a << 15) | r15b) % total;
        size_t k = 0;
        for (; k + 1 < n; ++k) {
            const int64_t w = weights[k] < 1 ? 1 : weights[k];
            if (pick < w) {
                break;
            }
            pick -= w;
        }
        out[i] = charList[k];
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
