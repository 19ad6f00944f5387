// Cost of the adaptive receiver: a minute of keyed tone in noise at 44100
// samples per second, fed in receive-period chunks as the station does;
// prints the processor time it took as a share of one core.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "audio/cwreceiver.h"
#include "morse/morsecode.h"

int main() {
    constexpr int32_t rate = 44100;
    constexpr double seconds = 60.0;
    const size_t n = static_cast<size_t>(rate * seconds);
    std::vector<int16_t> audio(n);
    std::mt19937 rng(7);
    std::normal_distribution<double> noise(0.0, 1500.0);
    const double dot = 0.06;
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        // Dot, dash, gaps: a 9-dot pattern, repeated.
        const int unit = static_cast<int>(t / dot) % 9;
        const bool on = unit == 0 || (unit >= 2 && unit <= 4);
        const double v = (on ? 8000.0 * std::sin(2 * 3.14159265358979 * 1000.0 * t) : 0.0) + noise(rng);
        audio[i] = static_cast<int16_t>(std::lround(std::fmax(-32768.0, std::fmin(32767.0, v))));
    }
    tagMorseCode table[MORSE_CODE_COUNT];
    FillDefaultMorseTable(table);
    const tagCwReceiverConfig c{rate, 850.0, 1250.0, 0.08};
    CCwReceiver receiver(c, table);
    const size_t chunk = rate * 27 / 1000;
    const std::clock_t c0 = std::clock();
    const auto w0 = std::chrono::steady_clock::now();
    size_t chars = 0;
    for (size_t i = 0; i < n; i += chunk) {
        receiver.Feed(audio.data() + i, std::min(chunk, n - i));
        chars += receiver.TakeText().size();
    }
    const double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    std::printf("Adaptive receiver on %.0f s of audio at %d samples per second (band 850-1250 Hz, fed in "
                "27 ms chunks): %.3f s of processor time (%.3f s wall), that is %.2f %% of one core; "
                "%zu characters decoded.\n",
                seconds, rate, cpu, wall, 100.0 * cpu / seconds, chars);
    return 0;
}
