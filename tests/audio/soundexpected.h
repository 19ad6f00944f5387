// Whether the test run provides a sound server: the test command sets
// VARDO_EXPECT_SOUND=1 once its PulseAudio server and null sink are up. Then
// a sound device that does not start is a fault to report, not a missing
// environment to skip.
#pragma once

#include <cstdlib>

inline bool SoundExpected() {
    const char* v = std::getenv("VARDO_EXPECT_SOUND");
    return v != nullptr && v[0] == '1';
}
