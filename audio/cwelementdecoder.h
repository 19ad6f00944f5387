// CCwElementDecoder: turns timed marks and spaces into characters. A mark
// shorter than two dots is a dot, a longer one a dash; a space of two dots
// or more ends the character, one of five dots or more also ends the word
// (halfway between the 1, 3 and 7 dots of element, character and word
// gaps). Characters are looked up in the station's Morse table; a pattern
// the table does not hold gives '#'.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "morse/morsecode.h"

class CCwElementDecoder {
public:
    // table: MORSE_CODE_COUNT records, copied.
    explicit CCwElementDecoder(const tagMorseCode* table);

    void Mark(double seconds, double dot);
    // Called as a space goes on (elapsed from its start); appends to *out
    // the character once the space reaches a character gap and a blank once
    // it reaches a word gap.
    void Space(double elapsed, double dot, std::string* out);
    // Ends whatever is pending (end of input).
    void Flush(std::string* out);

    // The character for a pattern of '.' and '-', '#' when unknown.
    char Lookup(const std::string& pattern) const;

private:
    struct tagPattern {
        std::string elements;
        char ch;
    };
    std::vector<tagPattern> m_patterns;
    std::string m_pending;
    bool m_bWordOpen = false;
};
