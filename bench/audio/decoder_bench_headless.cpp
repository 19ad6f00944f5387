// Decoder benchmark driver: runs recorded CW audio through the receive side
// exactly as the station does at its default settings, and prints the text
// the receive panel's parser decodes. The capture is fed from the WAV file
// by a memory source whose clock advances one receive period per pass, so
// the run is as fast as the machine allows and independent of its load.
//
//   bench_audio_decoder_bench_headless [--period ms] [--idle ms] [--longhit ms]
//       [--samples n] [--threshold level] [--band lo hi] file.wav ...
//
// Prints one line per file: the file name, a tab, the decoded text.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "audio/memorycapturesource.h"
#include "audio/vdwavecapture.h"
#include "audio/wavinput.h"
#include "morse/keyingtiming.h"
#include "morse/morsecode.h"
#include "morse/morseparser.h"
#include "ui/drawsurface.h"
#include "ui/windowhost_headless.h"

namespace {

struct Options {
    int period = 27;
    int idle = 750;
    int longhit = 240;
    int samples = 512;
    double threshold = 0.3;
    int bandLo = 850;
    int bandHi = 1250;
};

class SurfaceParent : public IPaintableParent {
public:
    SurfaceParent() : m_host(400, 100, VdRect{0, 0, 400, 100}) {}
    int Invalidate(const VdRect*) override { return 1; }
    CDrawSurface* CreateSurface(int w, int h) override { return m_host.CreateSurface(w, h); }

private:
    CHeadlessWindowHost m_host;
};

// The receive path of the main window: the capture's result passes the
// idle rule and feeds the receive panel's parser, which reports text.
class ReceivePath : public ICwEventListener, public IParseEventListener {
public:
    ReceivePath(const tagMorseCode* table, const Options& o)
        : m_idle(o.period, o.idle),
          m_parser(table, MORSE_CODE_COUNT, ParserThreshold(o.longhit, o.period), this) {}

    int OnCwEvent(void*, int32_t state) override {
        if (m_idle.Step(state)) m_parser.Parse(state ? 1 : 0);
        return 1;
    }
    int OnParse(void*, const tagMorseCode* code) override {
        m_text += code ? static_cast<char>(code->nChar & 0xFF) : '#';
        m_lastWasGap = false;
        return 1;
    }
    std::string m_text;
    bool m_lastWasGap = true;
    CIdleSampler m_idle;
    CMorseParser m_parser;
};

std::string Decode(const char* path, const Options& o, const tagMorseCode* table) {
    std::vector<int16_t> samples;
    int32_t rate = 0;
    if (!LoadWavSamples(path, &samples, &rate) || rate <= 0) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return std::string();
    }
    const size_t total = samples.size();
    SurfaceParent parent;
    ReceivePath path_(table, o);
    auto source = std::make_unique<CMemoryCaptureSource>(rate, std::move(samples), false,
                                                         CMemoryCaptureSource::CLOCK_MANUAL);
    CMemoryCaptureSource* feed = source.get();
    CVdWaveCapture capture(&parent, VdRect{50, 10, 306, 58}, rate, o.samples, &path_);
    capture.SetThreshold(o.threshold);
    capture.SetBand(o.bandLo, o.bandHi);
    capture.SetCaptureSource(std::move(source));
    if (!capture.StartCapture()) {
        std::fprintf(stderr, "capture did not start\n");
        return std::string();
    }
    // Whole receive periods of audio, carrying the fraction over so the
    // clock does not drift against the file.
    double due = 0.0;
    const double perPass = rate * o.period / 1000.0;
    const int64_t end = static_cast<int64_t>(total) + rate;  // one second of silence to finish
    while (feed->GetRecordedSamples() < end) {
        due += perPass;
        const int64_t step = static_cast<int64_t>(due);
        due -= static_cast<double>(step);
        feed->Advance(step);
        capture.Analyse();
    }
    return path_.m_text;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    std::vector<const char*> files;
    for (int i = 1; i < argc; ++i) {
        auto is = [&](const char* a) { return std::strcmp(argv[i], a) == 0 && i + 1 < argc; };
        if (is("--period")) o.period = std::atoi(argv[++i]);
        else if (is("--idle")) o.idle = std::atoi(argv[++i]);
        else if (is("--longhit")) o.longhit = std::atoi(argv[++i]);
        else if (is("--samples")) o.samples = std::atoi(argv[++i]);
        else if (is("--threshold")) o.threshold = std::atof(argv[++i]);
        else if (std::strcmp(argv[i], "--band") == 0 && i + 2 < argc) {
            o.bandLo = std::atoi(argv[++i]);
            o.bandHi = std::atoi(argv[++i]);
        } else files.push_back(argv[i]);
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s [options] file.wav ...\n", argv[0]);
        return 2;
    }
    if (o.period < 1) o.period = 1;
    tagMorseCode table[MORSE_CODE_COUNT];
    FillDefaultMorseTable(table);
    for (const char* f : files) std::printf("%s\t%s\n", f, Decode(f, o, table).c_str());
    return 0;
}
