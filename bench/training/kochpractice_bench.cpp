// Figures for adaptive practice: how often weighted Koch groups bring up a
// character by its recent error rate, beside the uniform draw, and how long
// the word PARIS lasts in an audio file with and without an effective
// speed. Prints figures only.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "settings/vardosetting.h"
#include "training/cwwavewriter.h"
#include "training/kochtext.h"

namespace {

constexpr int DRAWS = 10000;
constexpr int SEEDS = 20;
const char kList[] = "KMRSUAPTLO";
constexpr int N = sizeof kList - 1;

void WeightedDraws() {
    std::printf("Weighted groups: %d characters drawn from %d (%s), %d seeds; K has the given recent error\n"
                "rate, the others none. Uniform share: %d per character.\n\n",
                DRAWS, N, kList, SEEDS, DRAWS / N);
    std::printf("%-12s %-8s %12s %12s %14s %14s\n", "K errors", "weight", "K mean", "K min..max", "others mean",
                "others min");
    std::vector<char> text(DRAWS);
    for (double rate : {0.0, 0.1, 0.25, 0.5, 1.0}) {
        int32_t weights[N];
        for (int k = 0; k < N; ++k) weights[k] = KochWeight(k == 0 ? rate : 0.0);
        long kSum = 0, otherSum = 0;
        int kMin = DRAWS, kMax = 0, otherMin = DRAWS;
        for (int seed = 1; seed <= SEEDS; ++seed) {
            srand(static_cast<unsigned>(seed));
            FillWeightedKochText(text.data(), DRAWS, kList, -1, weights);
            int count[N] = {};
            for (char c : text) count[std::strchr(kList, c) - kList]++;
            kSum += count[0];
            kMin = count[0] < kMin ? count[0] : kMin;
            kMax = count[0] > kMax ? count[0] : kMax;
            for (int k = 1; k < N; ++k) {
                otherSum += count[k];
                otherMin = count[k] < otherMin ? count[k] : otherMin;
            }
        }
        char range[32], errors[16];
        std::snprintf(range, sizeof range, "%d..%d", kMin, kMax);
        std::snprintf(errors, sizeof errors, "%.0f%%", rate * 100);
        std::printf("%-12s %-8d %12.1f %12s %14.1f %14d\n", errors, static_cast<int>(weights[0]),
                    static_cast<double>(kSum) / SEEDS, range, static_cast<double>(otherSum) / SEEDS / (N - 1),
                    otherMin);
    }
}

double ParisSeconds(int dot, int effective) {
    SettingValues s;
    SetDefaultSettingValues(&s);
    s.shorthit = s.hitdelay = dot;
    s.longhit = s.letterdelay = s.worddelay = 3 * dot;
    s.effectivewpm = effective;
    const char* path = "kochpractice_bench.wav";
    if (!WriteCwWave(s, path, "PARIS ", 6, 0)) {
        return -1;
    }
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        return -1;
    }
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    std::fclose(f);
    std::remove(path);
    return (size - 44) / 2 / 8000.0;
}

void ParisInFiles() {
    std::printf("\nPARIS and its word space in a written file (data bytes / 16000 per s), characters at the\n"
                "speed's durations, gaps off and at the effective speed; 60 / effective is the standard time.\n\n");
    std::printf("%-10s %-10s %12s %12s %12s\n", "chars WPM", "effective", "gaps off s", "effective s", "60/eff s");
    const struct { int wpm, dot, effective; } rows[] = {{20, 65, 20}, {20, 65, 15}, {20, 65, 10}, {20, 65, 5},
                                                       {25, 52, 12}, {16, 81, 8}};
    for (const auto& r : rows) {
        std::printf("%-10d %-10d %12.3f %12.3f %12.3f\n", r.wpm, r.effective, ParisSeconds(r.dot, 0),
                    ParisSeconds(r.dot, r.effective), 60.0 / r.effective);
    }
}

}  // namespace

int main() {
    WeightedDraws();
    ParisInFiles();
    return 0;
}
