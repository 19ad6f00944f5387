// Morse audio files: a text keyed with the operator's timing and sidetone
// and written as a mono 16-bit WAV file at 8000 samples per second.
#pragma once

#include <cstdint>

#include "settings/vardosetting.h"

constexpr uint32_t CW_WAVE_SAMPLE_RATE = 8000;

// Writes text[0 .. length-1] to path: every character as its record of the
// settings' Morse table (FindCode; unknown characters become word gaps),
// each element as a tone of shorthit or longhit followed by hitdelay of
// silence, each character closed by letterdelay, each word-gap record as
// worddelay of silence, and with groupLen > 0 a further worddelay after
// every groupLen characters. Negative durations count as 0. With an
// effectivewpm below the durations' speed, letterdelay and worddelay are
// lengthened first (ApplyFarnsworth, the writer's word-gap shape). Returns 1 when
// the file was created, 0 when the path cannot be written (nothing else
// happens then).
int WriteCwWave(const SettingValues& settings, const char* path, const char* text, int length,
                int groupLen);
#ifdef _WIN32
int WriteCwWave(const SettingValues& settings, const wchar_t* path, const char* text, int length,
                int groupLen);
#endif

// The same with the process's settings store (g_pSetting).
int WriteCwWave(const char* path, const char* text, int length, int groupLen);
