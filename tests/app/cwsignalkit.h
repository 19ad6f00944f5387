// CW audio for the receive tests: text keyed with the timing of the ear
// (1:3 elements, 1:3:7 gaps) as 16-bit samples at 44100 per second.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "morse/morsecode.h"

inline std::vector<int16_t> KeyedCw(const std::string& text, double wpm, double hz, double peak) {
    tagMorseCode table[MORSE_CODE_COUNT];
    FillDefaultMorseTable(table);
    const int32_t rate = 44100;
    const double dot = 1.2 / wpm;
    std::vector<int16_t> out(rate / 2, 0);
    auto emit = [&](double seconds, bool on) {
        const size_t n = static_cast<size_t>(seconds * rate);
        for (size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(out.size()) / rate;
            const double v = on ? peak * 32767.0 * std::sin(2 * 3.14159265358979 * hz * t) : 0.0;
            out.push_back(static_cast<int16_t>(std::lround(v)));
        }
    };
    for (char c : text) {
        if (c == ' ') {
            emit(4 * dot, false);
            continue;
        }
        ForEachMorseElement(*FindCode(table, static_cast<signed char>(c)), [&](bool isDot) {
            emit(isDot ? dot : 3 * dot, true);
            emit(dot, false);
        });
        emit(2 * dot, false);
    }
    emit(1.5, false);
    return out;
}

// The samples as a RIFF/WAVE PCM mono 16-bit file image.
inline std::string WavImage(const std::vector<int16_t>& samples) {
    std::string s;
    auto le = [&s](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    const uint32_t data = static_cast<uint32_t>(samples.size() * 2);
    s += "RIFF";
    le(36 + data, 4);
    s += "WAVEfmt ";
    le(16, 4);
    le(1, 2);
    le(1, 2);
    le(44100, 4);
    le(88200, 4);
    le(2, 2);
    le(16, 2);
    s += "data";
    le(data, 4);
    for (int16_t v : samples) le(static_cast<uint16_t>(v), 2);
    return s;
}
