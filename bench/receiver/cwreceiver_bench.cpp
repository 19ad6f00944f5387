// Cost of the adaptive receiver. With no argument: a minute of keyed tone
// in noise at 44100 samples per second, fed in receive-period chunks as the
// station does; prints the processor time it took (all threads) as a share
// of one core. With WAV files: for each, the longest single feed, with the
// stretches decided on the decoder's own thread and (the old path) in the
// feeding thread, same file, same run. A long feed holds up the thread
// that reads the capture.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "receiver/cwreceiver.h"
#include "audio/wavreader.h"
#include "morse/morsecode.h"

namespace {

struct tagRun {
    double cpu = 0.0;      // processor seconds, every thread
    double wall = 0.0;     // seconds
    double longest = 0.0;  // seconds of the longest Feed call
    size_t chars = 0;
};

tagRun Run(const std::vector<int16_t>& audio, int32_t rate, const tagMorseCode* table, bool background) {
    const tagCwReceiverConfig c{rate, 850.0, 1250.0, 0.08};
    CCwReceiver receiver(c, table, background);
    const size_t chunk = static_cast<size_t>(rate) * 27 / 1000;
    tagRun r;
    const std::clock_t c0 = std::clock();
    const auto w0 = std::chrono::steady_clock::now();
    for (size_t i = 0; i < audio.size(); i += chunk) {
        const auto f0 = std::chrono::steady_clock::now();
        receiver.Feed(audio.data() + i, std::min(chunk, audio.size() - i));
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - f0).count();
        if (took > r.longest) r.longest = took;
        r.chars += receiver.TakeText().size();
    }
    receiver.Flush();
    r.chars += receiver.TakeText().size();
    r.cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - w0).count();
    return r;
}

std::vector<int16_t> Pattern(int32_t rate, double seconds) {
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
    return audio;
}

}  // namespace

int main(int argc, char** argv) {
    tagMorseCode table[MORSE_CODE_COUNT];
    FillDefaultMorseTable(table);
    if (argc < 2) {
        constexpr int32_t rate = 44100;
        constexpr double seconds = 60.0;
        const tagRun r = Run(Pattern(rate, seconds), rate, table, true);
        std::printf("Adaptive receiver on %.0f s of audio at %d samples per second (band 850-1250 Hz, fed in "
                    "27 ms chunks): %.3f s of processor time on all its threads (%.3f s wall), that is "
                    "%.2f %% of one core; %zu characters decoded.\n",
                    seconds, rate, r.cpu, r.wall, 100.0 * r.cpu / seconds, r.chars);
        return 0;
    }
    std::printf("| file | seconds | longest feed, decided on its own thread (ms) | longest feed, decided in the "
                "feeding thread (ms) | characters |\n|---|---:|---:|---:|---:|\n");
    for (int i = 1; i < argc; ++i) {
        tagWavAudio audio;
        std::string why;
        if (ReadWavAudio(argv[i], &audio, &why) != WAV_READ_OK) {
            std::fprintf(stderr, "%s: %s\n", argv[i], why.c_str());
            return 1;
        }
        const tagRun own = Run(audio.samples, audio.nRate, table, true);
        const tagRun inlined = Run(audio.samples, audio.nRate, table, false);
        std::string name = argv[i];
        const size_t slash = name.find_last_of("/\\");
        if (slash != std::string::npos) name.erase(0, slash + 1);
        std::printf("| %s | %.1f | %.1f | %.1f | %zu |\n", name.c_str(),
                    static_cast<double>(audio.samples.size()) / audio.nRate, 1000.0 * own.longest,
                    1000.0 * inlined.longest, own.chars);
    }
    return 0;
}
