// Reading the samples of a WAV file, for feeding the memory capture source
// from recorded or externally generated sound.
#pragma once

#include <cstdint>
#include <vector>

// The samples of a RIFF/WAVE PCM 16-bit file (its first channel when it has
// several). Nonzero on success; rate receives the file's sample rate.
int LoadWavSamples(const char* path, std::vector<int16_t>* samples, int32_t* rate);
