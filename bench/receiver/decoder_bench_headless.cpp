// Decoder benchmark driver: runs recorded CW audio through the station's
// fixed-threshold receive side at its default settings (or those given) and
// prints the text the receive panel's parser decodes. The capture is fed
// one receive period per pass from the file, so the run is as fast as the
// machine allows and independent of its load.
//
//   bench_audio_decoder_bench_headless [--period ms] [--idle ms] [--longhit ms]
//       [--samples n] [--threshold level] [--band lo hi] file.wav ...
//
// Prints one line per file: the file name, a tab, the decoded text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "receiver/fixedthresholddecode.h"
#include "audio/wavreader.h"
#include "morse/morsecode.h"

int main(int argc, char** argv) {
    tagFixedThresholdOptions o{27, 750, 240, 512, 0.3, 850, 1250};
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        auto is = [&](const char* a) { return std::strcmp(argv[i], a) == 0 && i + 1 < argc; };
        if (is("--period")) o.nPeriodMs = std::atoi(argv[++i]);
        else if (is("--idle")) o.nIdleMs = std::atoi(argv[++i]);
        else if (is("--longhit")) o.nLongHitMs = std::atoi(argv[++i]);
        else if (is("--samples")) o.nSamples = std::atoi(argv[++i]);
        else if (is("--threshold")) o.dThreshold = std::atof(argv[++i]);
        else if (std::strcmp(argv[i], "--band") == 0 && i + 2 < argc) {
            o.nBandStart = std::atoi(argv[++i]);
            o.nBandEnd = std::atoi(argv[++i]);
        } else files.push_back(argv[i]);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s [options] file.wav ...\n", argv[0]);
        return 2;
    }
    tagMorseCode table[MORSE_CODE_COUNT];
    FillDefaultMorseTable(table);
    for (const char* f : files) {
        tagWavAudio audio;
        std::string why;
        std::string text;
        if (ReadWavAudio(f, &audio, &why) != WAV_READ_OK) {
            std::fprintf(stderr, "cannot read %s: %s\n", f, why.c_str());
        } else {
            text = DecodeFixedThreshold(audio.samples, audio.nRate, o, table);
        }
        std::printf("%s\t%s\n", f, text.c_str());
    }
    return 0;
}
