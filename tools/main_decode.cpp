// vardo-decode: decodes the CW in a WAV file with the station's receiver and
// prints the text.
//
//   vardo-decode [--band LO HI] [--wpm N] [--fixed [--threshold LEVEL]]
//                [--verbose] FILE.wav
//   vardo-decode --defaults      (the station's receive defaults)
//
// The adaptive receiver is the default; --fixed runs the fixed-threshold
// detector and the receive panel's parser at the station's default
// settings instead. Every default comes from the station's own settings.
// Exit status: 0 decoded, 1 the file cannot be read, 2 wrong usage.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "receiver/cwreceiver.h"
#include "receiver/fixedthresholddecode.h"
#include "audio/wavreader.h"
#include "settings/vardosetting.h"

namespace {

int Usage(const char* self) {
    std::fprintf(stderr,
                 "usage: %s [--band LO HI] [--wpm N] [--fixed [--threshold LEVEL]] [--verbose] FILE.wav\n"
                 "       %s --defaults\n"
                 "  --band LO HI       search the tone between LO and HI Hz (default: the adaptive\n"
                 "                     receiver's search band; with --fixed, the fixed detector's band)\n"
                 "  --wpm N            speed assumed until the sender's is heard\n"
                 "  --fixed            fixed-threshold detector instead of the adaptive receiver\n"
                 "  --threshold LEVEL  its threshold, a fraction of full scale\n"
                 "  --verbose          report speed and tone on standard error\n",
                 self, self);
    return 2;
}

bool ParseNumber(const char* text, double* out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0') return false;
    *out = v;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    SettingValues defaults;
    SetDefaultSettingValues(&defaults);
    // The adaptive receiver's search band; --fixed uses the fixed
    // detector's own band unless --band is given.
    double bandLo = defaults.recvsearchstart;
    double bandHi = defaults.recvsearchend;
    bool bandGiven = false;
    double threshold = defaults.recvthreshold;
    double wpm = 1200.0 / (defaults.shorthit > 0 ? defaults.shorthit : 80);
    bool fixed = false;
    bool verbose = false;
    const char* path = nullptr;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (std::strcmp(a, "--band") == 0 && i + 2 < argc) {
            if (!ParseNumber(argv[i + 1], &bandLo) || !ParseNumber(argv[i + 2], &bandHi)) return Usage(argv[0]);
            bandGiven = true;
            i += 2;
        } else if (std::strcmp(a, "--wpm") == 0 && i + 1 < argc) {
            if (!ParseNumber(argv[++i], &wpm) || wpm <= 0) return Usage(argv[0]);
        } else if (std::strcmp(a, "--threshold") == 0 && i + 1 < argc) {
            if (!ParseNumber(argv[++i], &threshold)) return Usage(argv[0]);
        } else if (std::strcmp(a, "--fixed") == 0) {
            fixed = true;
        } else if (std::strcmp(a, "--defaults") == 0) {
            // The station's receive defaults, for scripts that must not
            // type them again.
            std::printf("recvfreqstart=%d\nrecvfreqend=%d\nrecvthreshold=%g\nrecvanalyzesamples=%d\n"
                        "recvperiod=%d\nrecvidlelimit=%d\nlonghit=%d\nshorthit=%d\n"
                        "recvsearchstart=%d\nrecvsearchend=%d\n",
                        defaults.recvfreqstart, defaults.recvfreqend, defaults.recvthreshold,
                        defaults.recvanalyzesamples, defaults.recvperiod, defaults.recvidlelimit,
                        defaults.longhit, defaults.shorthit, defaults.recvsearchstart, defaults.recvsearchend);
            return 0;
        } else if (std::strcmp(a, "--verbose") == 0) {
            verbose = true;
        } else if (a[0] == '-' && a[1] != '\0') {
            return Usage(argv[0]);
        } else if (path == nullptr) {
            path = a;
        } else {
            return Usage(argv[0]);
        }
    }
    if (path == nullptr) return Usage(argv[0]);

    tagWavAudio audio;
    std::string why;
    if (ReadWavAudio(path, &audio, &why) != WAV_READ_OK) {
        std::fprintf(stderr, "%s: %s: %s\n", argv[0], path, why.c_str());
        return 1;
    }
    std::string text;
    if (fixed && !bandGiven) {
        bandLo = defaults.recvfreqstart;
        bandHi = defaults.recvfreqend;
    }
    if (fixed) {
        const tagFixedThresholdOptions o{defaults.recvperiod,         defaults.recvidlelimit,
                                         defaults.longhit,            defaults.recvanalyzesamples,
                                         threshold,                   static_cast<int32_t>(bandLo),
                                         static_cast<int32_t>(bandHi)};
        text = DecodeFixedThreshold(audio.samples, audio.nRate, o, defaults.morseTable);
    } else {
        const tagCwReceiverConfig c{audio.nRate, bandLo, bandHi, 1.2 / wpm};
        CCwReceiver receiver(c, defaults.morseTable);
        if (verbose) {
            // Half a second at a time, with the speed, the tone and the text
            // as they come, so that where the receiver goes wrong shows.
            const size_t chunk = static_cast<size_t>(audio.nRate / 2);
            for (size_t at = 0; at < audio.samples.size(); at += chunk) {
                receiver.Feed(audio.samples.data() + at, std::min(chunk, audio.samples.size() - at));
                const std::string got = receiver.TakeText();
                std::fprintf(stderr, "%7.2f s  %5.1f WPM  %7.1f Hz  %s\n", static_cast<double>(at + chunk) / audio.nRate,
                             receiver.Wpm(), receiver.ToneHz(), got.c_str());
                text += got;
            }
        } else {
            receiver.Feed(audio.samples.data(), audio.samples.size());
        }
        receiver.Flush();
        text += receiver.TakeText();
        if (verbose) {
            std::fprintf(stderr, "speed %.1f WPM, tone %.1f Hz\n", receiver.Wpm(), receiver.ToneHz());
        }
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    std::printf("%s\n", text.c_str());
    return 0;
}
