// Default name of a generated Morse audio file, made from its text.
#pragma once

#include <cstddef>

// Room for a path, as the file dialog's buffer.
constexpr int WAVE_PATH_MAX = 260;
// Characters of the text that make the name (256 less room for a folder).
constexpr int WAVE_NAME_TEXT_MAX = 236;

// out (at least WAVE_PATH_MAX bytes): the text's first characters, at most
// WAVE_NAME_TEXT_MAX, with every byte that is not an ASCII letter turned
// into '_', then ".wav". "CQ DE" gives "CQ_DE.wav".
void MakeWaveFileName(const char* text, char* out);
