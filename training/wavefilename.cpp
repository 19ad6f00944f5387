// Default name of a generated Morse audio file (see wavefilename.h).
#include "training/wavefilename.h"

#include <cstring>

void MakeWaveFileName(const char* text, char* out) {
    size_t n = text ? strnlen(text, WAVE_NAME_TEXT_MAX) : 0;
    for (size_t i = 0; i < n; ++i) {
        char c = text[i];
        bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        out[i] = letter ? c : '_';
    }
    memcpy(out + n, ".wav", 5);
}
