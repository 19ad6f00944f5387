// The default Morse table, character look-up and the element and caption
// texts built from a record.
#include "morse/morsecode.h"

namespace {

const tagMorseCode kDefaultTable[MORSE_CODE_COUNT] = {
    {'A', 2, 3, 65},    {'B', 7, 15, 66},   {'C', 5, 15, 67},   {'D', 3, 7, 68},
    {'E', 1, 1, 69},    {'F', 13, 15, 70},  {'G', 1, 7, 71},    {'H', 15, 15, 72},
    {'I', 3, 3, 73},    {'J', 8, 15, 74},   {'K', 2, 7, 75},    {'L', 11, 15, 76},
    {'M', 0, 3, 77},    {'N', 1, 3, 78},    {'O', 0, 7, 79},    {'P', 9, 15, 80},
    {'Q', 2, 15, 81},   {'R', 5, 7, 82},    {'S', 7, 7, 83},    {'T', 0, 1, 84},
    {'U', 6, 7, 85},    {'V', 14, 15, 86},  {'W', 4, 7, 87},    {'X', 6, 15, 88},
    {'Y', 4, 15, 89},   {'Z', 3, 15, 90},   {'1', 16, 31, 49},  {'2', 24, 31, 50},
    {'3', 28, 31, 51},  {'4', 30, 31, 52},  {'5', 31, 31, 53},  {'6', 15, 31, 54},
    {'7', 7, 31, 55},   {'8', 3, 31, 56},   {'9', 1, 31, 57},   {'0', 0, 31, 48},
    {'?', 51, 63, 0},   {'/', 13, 31, 111}, {'(', 9, 31, 0},    {')', 18, 63, 0},
    {'-', 30, 63, 109}, {'.', 42, 63, 110}, {'_', 0, 0, 32},
};

}  // namespace

void FillDefaultMorseTable(tagMorseCode* table) {
    for (int i = 0; i < MORSE_CODE_COUNT; ++i) {
        table[i] = kDefaultTable[i];
    }
}

const tagMorseCode* FindCode(const tagMorseCode* table, signed char ch) {
    const int32_t c = ch;
    for (int i = 0; i < MORSE_CODE_COUNT; ++i) {
        if (table[i].nChar == c || table[i].nChar == c - 32) {
            return &table[i];
        }
    }
    return &table[MORSE_WORD_GAP_INDEX];
}

int MorseElementCount(const tagMorseCode& code) {
    int n = 0;
    ForEachMorseElement(code, [&n](bool) { ++n; });
    return n;
}

int MorseElementString(const tagMorseCode& code, char* out, int size) {
    if (out == nullptr || size <= 0) {
        return 0;
    }
    int n = 0;
    ForEachMorseElement(code, [&](bool dot) {
        if (n < size - 1) {
            out[n++] = dot ? '.' : '-';
        }
    });
    out[n] = '\0';
    return n;
}

int FormatMorseCaption(const tagMorseCode& code, char* out, int size) {
    if (out == nullptr || size <= 0) {
        return 0;
    }
    char text[MORSE_CAPTION_LEN + 1];
    int n = 0;
    text[n++] = static_cast<char>(code.nChar & 0xFF);
    for (int i = 0; i < 4; ++i) {
        text[n++] = ' ';
    }
    const uint32_t mask = static_cast<uint32_t>(code.nMask);
    const uint32_t bits = static_cast<uint32_t>(code.nCode);
    for (uint32_t m = 32; m != 0; m >>= 1) {
        text[n++] = (mask & m) == 0 ? ' ' : ((bits & m) != 0 ? '.' : '-');
    }
    text[n] = '\0';
    int len = n < size - 1 ? n : size - 1;
    for (int i = 0; i < len; ++i) {
        out[i] = text[i];
    }
    out[len] = '\0';
    return len;
}
