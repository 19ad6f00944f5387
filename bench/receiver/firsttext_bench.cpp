// How soon the receiver shows text. For each WAV file, the receiver is fed
// in 27 ms chunks as the station feeds it, with its decisions taken in the
// feeding thread so that the result does not depend on this machine's
// speed; after every chunk the final text and the provisional reading are
// looked at. Prints, per file, the seconds of input after which the first
// final character came and after which anything was shown (final or
// provisional), -1 for never (the end of the file is not flushed: a
// station is never told its input ended).
//   firsttext_bench [--band LO HI] FILE.wav...
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/wavreader.h"
#include "morse/morsecode.h"
#include "receiver/cwreceiver.h"

int main(int argc, char** argv) {
    double lo = 200.0, hi = 3000.0;
    tagMorseCode table[MORSE_CODE_COUNT];
    FillDefaultMorseTable(table);
    for (int a = 1; a < argc; ++a) {
        if (std::strcmp(argv[a], "--band") == 0 && a + 2 < argc) {
            lo = std::atof(argv[a + 1]);
            hi = std::atof(argv[a + 2]);
            a += 2;
            continue;
        }
        tagWavAudio wav;
        if (ReadWavAudio(argv[a], &wav, nullptr) != WAV_READ_OK) {
            std::printf("%s unreadable\n", argv[a]);
            continue;
        }
        const std::vector<int16_t>& audio = wav.samples;
        const int32_t rate = wav.nRate;
        const tagCwReceiverConfig c{rate, lo, hi, 0.08};
        CCwReceiver receiver(c, table, false);
        const size_t chunk = static_cast<size_t>(rate) * 27 / 1000;
        double firstFinal = -1, firstAny = -1;
        for (size_t i = 0; i < audio.size(); i += chunk) {
            const size_t n = std::min(chunk, audio.size() - i);
            receiver.Feed(audio.data() + i, n);
            const double t = static_cast<double>(i + n) / rate;
            const std::string text = receiver.TakeText();
            const bool final = text.find_first_not_of(' ') != std::string::npos;
            const std::string prov = receiver.ProvisionalText();
            const bool shown = final || prov.find_first_not_of(' ') != std::string::npos;
            if (final && firstFinal < 0) firstFinal = t;
            if (shown && firstAny < 0) firstAny = t;
            if (firstFinal >= 0) break;
        }
        std::printf("%s %.3f %.3f\n", argv[a], firstFinal, firstAny);
    }
    return 0;
}
