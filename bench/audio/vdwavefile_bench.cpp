// Throughput of the WAV writer: seconds of audio written per second of
// wall time, for Morse keying at two speeds (a tone and a silence per
// element, the header rewritten after each) and for long runs of tone and
// of silence. Prints figures only.
#include "audio/vdwavefile.h"

#include <chrono>
#include <cstdio>

namespace {

const char* const kPath = "vdwavefile_bench.wav";

struct tagRun {
    const char* name;
    double dot;      // seconds
    double gap;      // seconds of silence after each element
    double seconds;  // audio to write
};

void Measure(const tagRun& run) {
    const auto t0 = std::chrono::steady_clock::now();
    double written = 0.0;
    long appends = 0;
    {
        CVdWaveFile w(kPath, 1, 8000, 16, run.dot * 3.0 / 0.999);
        w.SetFrequency(800.0);
        w.SetVolume(0.25);
        long element = 0;
        while (written < run.seconds) {
            // dot, dash, dot, dash ... as the keyer writes them
            const double tone = (element++ % 2 == 0) ? run.dot : run.dot * 3.0;
            if (tone > 0.0) {
                w.WriteTone(tone);
                ++appends;
            }
            if (run.gap > 0.0) {
                w.WriteSilence(run.gap);
                ++appends;
            }
            written += tone + run.gap;
        }
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%-34s %8.0f s of audio in %7.3f s: %10.0f s of audio per s, %9.0f appends per s\n", run.name,
                written, wall, written / wall, appends / wall);
    std::remove(kPath);
}

}  // namespace

int main() {
    std::printf("WAV writer throughput (mono, 8000 samples/s, 16-bit)\n");
    const tagRun runs[] = {
        {"keying at 15 WPM (80 ms dot)", 0.080, 0.080, 3600.0},
        {"keying at 40 WPM (30 ms dot)", 0.030, 0.030, 1800.0},
        {"tone only, 0.33 s and 1 s elements", 1.0 / 3.0, 0.0, 3600.0},
        {"silence only, 1 s gaps", 0.0, 1.0, 3600.0},
    };
    for (const tagRun& r : runs) {
        Measure(r);
    }
    return 0;
}
