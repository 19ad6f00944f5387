// The Morse code table: the record type, the 43 default records, the
// character look-up used by the sender, the one rule by which a record's
// elements are read, and the text form shown on the character buttons.
#pragma once

#include <cstdint>

// One record of the table. nCode holds the elements, first element in the
// highest used bit, a 1 bit being a dot; nMask is 2^n - 1 for n elements;
// nVKey is the virtual-key code that enters the character (0: none).
struct tagMorseCode {
    int32_t nChar;
    int32_t nCode;
    int32_t nMask;
    int32_t nVKey;
};

constexpr int MORSE_CODE_COUNT = 43;
// The word-gap record '_': no elements, the fallback of FindCode.
constexpr int MORSE_WORD_GAP_INDEX = 42;
// The character the sender reads as a word gap, whatever its elements.
constexpr char MORSE_WORD_GAP_CHAR = '_';
// The element rule walks at most 31 bits, whatever the mask holds.
constexpr int MORSE_MAX_ELEMENTS = 31;
// Length of the button caption text (without the terminating NUL).
constexpr int MORSE_CAPTION_LEN = 11;

// Writes the 43 default records, in table order.
void FillDefaultMorseTable(tagMorseCode* table);

// First record whose nChar equals ch or ch - 32 (so lower case finds upper
// case, and '_' finds '?'); the word-gap record when none does. Never null.
const tagMorseCode* FindCode(const tagMorseCode* table, signed char ch);

// The bit of nCode that holds the first element: (nMask + 1) >> 1, taken
// unsigned so that any mask loaded from the file ends the walk.
inline uint32_t MorseFirstElementBit(const tagMorseCode& code) {
    return (static_cast<uint32_t>(code.nMask) + 1u) >> 1;
}

// Calls visit(isDot) for every element in sending order.
template <typename Visit>
inline void ForEachMorseElement(const tagMorseCode& code, Visit&& visit) {
    for (uint32_t m = MorseFirstElementBit(code); m != 0; m >>= 1) {
        visit((static_cast<uint32_t>(code.nCode) & m) != 0);
    }
}

// Number of elements the record keys (0 for the word-gap record).
int MorseElementCount(const tagMorseCode& code);

// Writes the elements as '.' and '-' into out, NUL-terminated and cut to
// size - 1 characters; returns the number of characters written.
int MorseElementString(const tagMorseCode& code, char* out, int size);

// Button caption: the character, four blanks, then one column for each of
// the mask bits 32, 16, 8, 4, 2, 1 (blank: bit clear, '.': mask and code bit
// set, '-': mask bit set and code bit clear). Written NUL-terminated into
// out, cut to size - 1; returns the number of characters written.
int FormatMorseCaption(const tagMorseCode& code, char* out, int size);
