// Reading a WAV file for the offline decoder, with the reason when it
// cannot be read: RIFF/WAVE PCM 16-bit, any channel count (mixed down to
// mono) and any rate.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum eWavReadResult {
    WAV_READ_OK = 1,
    WAV_READ_NO_FILE = 0,
    WAV_READ_NOT_WAV = -1,
    WAV_READ_NOT_PCM16 = -2,
    WAV_READ_TRUNCATED = -3,
};

struct tagWavAudio {
    std::vector<int16_t> samples;  // mono
    int32_t nRate = 0;
    int32_t nChannels = 0;
};

// WAV_READ_OK on success; otherwise *why (if given) says what is wrong.
int ReadWavAudio(const char* path, tagWavAudio* out, std::string* why);
