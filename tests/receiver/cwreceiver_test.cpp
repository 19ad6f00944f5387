// The adaptive receiver on generated CW: speeds across 5-50 WPM, input
// levels from -50 dBFS to near full scale, tones anywhere in the band,
// noise, a change of speed, and noise alone; and the WAV reader's refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "receiver/cwreceiver.h"
#include "tests/receiver/receiverkit.h"
#include "audio/wavreader.h"
#include "morse/morsecode.h"

namespace {

constexpr int32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

struct tagKeying {
    double wpm;
    double toneHz;
    double peakDbfs;
    // Each element starts at a random phase (a keyer that restarts its
    // oscillator) rather than on a running carrier.
    bool restartPhase = false;
};

// Appends text keyed at the given speed: 1:3 elements, 1:3:7 gaps.
void Key(const std::string& text, const tagKeying& k, const tagMorseCode* table, std::vector<double>* out) {
    const double dot = 1.2 / k.wpm;
    const double amp = std::pow(10.0, k.peakDbfs / 20.0);
    std::mt19937 rng(static_cast<unsigned>(out->size()));
    std::uniform_real_distribution<double> turn(0.0, 2 * kPi);
    auto emit = [&](double seconds, bool on) {
        const size_t n = static_cast<size_t>(seconds * kRate);
        const double phase = k.restartPhase && on ? turn(rng) : 0.0;
        for (size_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(out->size()) / kRate;
            out->push_back(on ? amp * std::sin(2 * kPi * k.toneHz * t + phase) : 0.0);
        }
    };
    for (char c : text) {
        if (c == ' ') {
            emit(4 * dot, false);  // with the 3 after the last character: 7
            continue;
        }
        const tagMorseCode* code = FindCode(table, static_cast<signed char>(c));
        ForEachMorseElement(*code, [&](bool isDot) {
            emit(isDot ? dot : 3 * dot, true);
            emit(dot, false);
        });
        emit(2 * dot, false);
    }
}

// Adds white noise so that the tone power (A^2/2) over the noise power in
// the 3 kHz below... here over the whole band of the rate, scaled to 3 kHz.
std::vector<int16_t> ToPcm(const std::vector<double>& x, double toneDbfs, double snrDb, unsigned seed) {
    std::mt19937 rng(seed);
    const double a = std::pow(10.0, toneDbfs / 20.0);
    // White noise over 0 ... rate/2 with the given power in 3 kHz.
    const double sigma = std::sqrt(a * a / 2.0 / std::pow(10.0, snrDb / 10.0) * (kRate / 2.0) / 3000.0);
    std::normal_distribution<double> noise(0.0, std::isinf(snrDb) ? 0.0 : sigma);
    std::vector<int16_t> pcm(x.size());
    for (size_t i = 0; i < x.size(); ++i) {
        const double v = std::round((x[i] + (std::isinf(snrDb) ? 0.0 : noise(rng))) * 32768.0);
        pcm[i] = static_cast<int16_t>(std::fmax(-32768.0, std::fmin(32767.0, v)));
    }
    return pcm;
}

std::string Decode(const std::vector<int16_t>& pcm, const tagMorseCode* table, double* wpm = nullptr,
                   bool background = true) {
    CCwReceiver rx(tagCwReceiverConfig{kRate, 850.0, 1250.0, 0.08}, table, background);
    std::string text = FeedInChunks(rx, pcm, kRate);
    if (wpm != nullptr) *wpm = rx.Wpm();
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

class CwReceiverTest : public ::testing::Test {
protected:
    void SetUp() override { FillDefaultMorseTable(m_table); }
    tagMorseCode m_table[MORSE_CODE_COUNT];
};

TEST_F(CwReceiverTest, DecodesWordsAtEverySpeedLevelAndTone) {
    // The first word gives the receiver its speed and levels; the rest
    // must come out exactly, word spaces included.
    static const struct {
        tagKeying keying;
        double snrDb;
    } rows[] = {
        {{5, 1000, -6}, INFINITY},   {{12, 1000, -6}, INFINITY},  {{20, 1000, -6}, INFINITY},
        {{35, 1000, -6}, INFINITY},  {{50, 1000, -6}, INFINITY},  {{20, 1000, -50}, 10},
        {{20, 1000, -1}, INFINITY},  {{20, 880, -20}, 10},        {{20, 1220, -20}, 10},
        {{25, 1037, -20}, 0},        {{15, 1000, -26}, -3},
    };
    const std::string lead = "VVV ";
    const std::string body = "CQ DE VARDO 73 PARIS TEST";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        std::vector<double> x(kRate / 2, 0.0);
        Key(lead + body, rows[i].keying, m_table, &x);
        x.resize(x.size() + kRate, 0.0);
        double wpm = 0;
        const std::string got = Decode(ToPcm(x, rows[i].keying.peakDbfs, rows[i].snrDb, 100 + i), m_table, &wpm);
        const std::string tail = got.size() >= body.size() ? got.substr(got.size() - body.size()) : got;
        EXPECT_EQ(body, tail) << "row " << i << ": " << rows[i].keying.wpm << " WPM, " << rows[i].keying.toneHz
                              << " Hz, " << rows[i].keying.peakDbfs << " dBFS, SNR " << rows[i].snrDb
                              << ": decoded '" << got << "'";
        EXPECT_NEAR(rows[i].keying.wpm, wpm, rows[i].keying.wpm * 0.12) << "row " << i;
    }
}

TEST_F(CwReceiverTest, CopiesDeepNoiseFromTheFirstWordToTheLast) {
    // At -10 dB in 3 kHz a dot stands some 12 dB over the noise in its own
    // bandwidth: the whole text must come through, its first word (heard
    // before speed and levels are known) and nothing read into the noise
    // after the last, whether the carrier runs on or each element starts
    // afresh.
    static const struct {
        tagKeying keying;
        double snrDb;
        size_t allowed;  // character errors
    } rows[] = {
        {{20, 1000, -20}, -10, 1},
        {{20, 1000, -20, true}, -8, 1},
        {{25, 960, -20}, -8, 1},
        {{15, 1100, -20, true}, -10, 2},
    };
    const std::string text = "CQ DE VARDO 73 PARIS TEST QRZ K";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        std::vector<double> x(kRate / 2, 0.0);
        Key(text, rows[i].keying, m_table, &x);
        x.resize(x.size() + 3 * kRate, 0.0);
        const std::string got = Decode(ToPcm(x, rows[i].keying.peakDbfs, rows[i].snrDb, 200 + i), m_table);
        EXPECT_LE(EditDistance(text, got), rows[i].allowed)
            << "row " << i << ": " << rows[i].keying.wpm << " WPM, SNR " << rows[i].snrDb << ", phase "
            << (rows[i].keying.restartPhase ? "restarted" : "running") << ": decoded '" << got << "'";
    }
}

TEST_F(CwReceiverTest, DeepNoiseFromASenderFarFromTheStartingSpeed) {
    // A sender twice as fast as the receiver starts at, in deep noise: the
    // first reading's levels, taken from marks read at the starting speed,
    // came out low, and with them a reading at half the speed (each mark
    // a letter's worth of signal) explained the noise best: 30 WPM at
    // -10 dB was read as 'E0A.O2I888R0P5-)C'.
    static const struct {
        tagKeying keying;
        double snrDb;
        unsigned seed;
    } rows[] = {
        {{24, 1000, -20}, -10, 601},
        {{32, 900, -20}, -9, 603},
        {{26, 1000, -20, true}, -10, 604},
        {{30, 1000, -20}, -10, 605},
    };
    const std::string text = "A2UHF R37DXN T1HT/P WB0VO JT3KZ LF7NS P9DTJ";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        std::vector<double> x(kRate / 2, 0.0);
        Key(text, rows[i].keying, m_table, &x);
        x.resize(x.size() + 2 * kRate, 0.0);
        const std::string got = Decode(ToPcm(x, rows[i].keying.peakDbfs, rows[i].snrDb, rows[i].seed), m_table);
        EXPECT_LE(EditDistance(text, got), 2u)
            << "row " << i << ": " << rows[i].keying.wpm << " WPM, SNR " << rows[i].snrDb << ": expected '" << text
            << "', decoded '" << got << "'";
    }
}

TEST_F(CwReceiverTest, FollowsAChangeOfSpeed) {
    std::vector<double> x(kRate / 2, 0.0);
    Key("PARIS CQ TEST ", {12, 1000, -10}, m_table, &x);
    Key("ABC DEF GHI KLM NOP", {30, 1000, -10}, m_table, &x);
    x.resize(x.size() + kRate, 0.0);
    double wpm = 0;
    const std::string got = Decode(ToPcm(x, -10, 10, 7), m_table, &wpm);
    const std::string want = "GHI KLM NOP";
    ASSERT_GE(got.size(), want.size()) << got;
    EXPECT_EQ(want, got.substr(got.size() - want.size())) << "decoded '" << got << "'";
    EXPECT_NEAR(30.0, wpm, 3.0);
}

TEST_F(CwReceiverTest, DecidesOnItsOwnThreadAsInTheFeedingThread) {
    // Where the stretches are cut must not depend on when their decisions
    // are done: the text and the speed are the same either way.
    static const tagKeying rows[] = {{20, 1000, -20}, {30, 1000, -20, true}, {12, 1000, -20}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        std::vector<double> x(kRate / 2, 0.0);
        Key("CQ DE VARDO 73 PARIS TEST K", rows[i], m_table, &x);
        x.resize(x.size() + 2 * kRate, 0.0);
        const std::vector<int16_t> pcm = ToPcm(x, -20, -8, 300 + i);
        double ownWpm = 0, inlineWpm = 0;
        const std::string own = Decode(pcm, m_table, &ownWpm, true);
        const std::string inlined = Decode(pcm, m_table, &inlineWpm, false);
        EXPECT_EQ(inlined, own) << "row " << i << ": " << rows[i].wpm << " WPM";
        EXPECT_EQ(inlineWpm, ownWpm) << "row " << i;
    }
    // Stopped in the middle of a stretch, with decisions still queued.
    std::vector<double> x(kRate / 2, 0.0);
    Key("PARIS PARIS PARIS", {25, 1000, -20}, m_table, &x);
    const std::vector<int16_t> pcm = ToPcm(x, -20, -8, 400);
    CCwReceiver rx(tagCwReceiverConfig{kRate, 850.0, 1250.0, 0.08}, m_table);
    rx.Feed(pcm.data(), pcm.size() * 2 / 3);
}

TEST_F(CwReceiverTest, LetsOutAShortOverOnceSilenceFollows) {
    // The first reading waits for enough marks to learn the sender from;
    // an over shorter than that must still come out once the band falls
    // silent, without the end of the input being reached.
    static const struct {
        tagKeying keying;
        const char* text;
    } rows[] = {
        {{20, 1000, -20}, "CQ CQ"}, {{30, 1000, -20}, "TEST K"}, {{12, 1000, -20}, "73"}, {{25, 1000, -20}, "E"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        std::vector<double> x(kRate / 2, 0.0);
        Key(rows[i].text, rows[i].keying, m_table, &x);
        x.resize(x.size() + 4 * kRate, 0.0);
        const std::vector<int16_t> pcm = ToPcm(x, -20, 10, 500 + i);
        CCwReceiver rx(tagCwReceiverConfig{kRate, 850.0, 1250.0, 0.08}, m_table, false);
        std::string got;
        const size_t chunk = kRate * 27 / 1000;
        for (size_t at = 0; at < pcm.size(); at += chunk) {
            rx.Feed(pcm.data() + at, std::min(chunk, pcm.size() - at));
            got += rx.TakeText();
        }
        while (!got.empty() && got.back() == ' ') got.pop_back();
        EXPECT_EQ(std::string(rows[i].text), got) << "row " << i << ": " << rows[i].keying.wpm << " WPM";
    }
}

TEST_F(CwReceiverTest, NoiseAloneKeysNothing) {
    const std::vector<double> x(static_cast<size_t>(kRate) * 10, 0.0);
    // Noise of the power a -20 dBFS tone would have at 0 dB SNR.
    const std::string got = Decode(ToPcm(x, -20, 0, 3), m_table);
    EXPECT_LE(got.size(), 2u) << "decoded '" << got << "' from noise";
}

TEST(WavReaderTest, RefusesWhatItCannotDecode) {
    auto le = [](std::string* s, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) s->push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    auto wav = [&](uint16_t tag, uint16_t channels, uint16_t bits, uint32_t dataSize, uint32_t dataHave) {
        std::string s = "RIFF";
        le(&s, 36 + dataSize, 4);
        s += "WAVEfmt ";
        le(&s, 16, 4);
        le(&s, tag, 2);
        le(&s, channels, 2);
        le(&s, 8000, 4);
        le(&s, 8000u * channels * bits / 8, 4);
        le(&s, channels * bits / 8u, 2);
        le(&s, bits, 2);
        s += "data";
        le(&s, dataSize, 4);
        for (uint32_t i = 0; i < dataHave; ++i) s.push_back(static_cast<char>(i & 1 ? 0x10 : 0x00));
        return s;
    };
    static const struct {
        const char* name;
        std::string bytes;
        int result;
        size_t samples;
    } rows[] = {
        {"mono", wav(1, 1, 16, 8, 8), WAV_READ_OK, 4},
        {"stereo mixed to mono", wav(1, 2, 16, 8, 8), WAV_READ_OK, 2},
        {"data cut short", wav(1, 1, 16, 800, 8), WAV_READ_TRUNCATED, 0},
        {"float samples", wav(3, 1, 32, 8, 8), WAV_READ_NOT_PCM16, 0},
        {"8-bit samples", wav(1, 1, 8, 8, 8), WAV_READ_NOT_PCM16, 0},
        {"not RIFF", std::string("RIFX") + std::string(40, '\0'), WAV_READ_NOT_WAV, 0},
        {"header only", std::string("RIFF\x10\0\0\0WAVE", 12), WAV_READ_NOT_WAV, 0},
    };
    const std::string path = ::testing::TempDir() + "wavreader_test.wav";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::fwrite(rows[i].bytes.data(), 1, rows[i].bytes.size(), f);
        std::fclose(f);
        tagWavAudio audio;
        audio.samples.assign(99, -1);  // sentinel
        std::string why;
        const int got = ReadWavAudio(path.c_str(), &audio, &why);
        EXPECT_EQ(rows[i].result, got) << "row " << i << " (" << rows[i].name << "): " << why;
        if (got == WAV_READ_OK) {
            EXPECT_EQ(rows[i].samples, audio.samples.size()) << "row " << i;
            EXPECT_EQ(0x1000, audio.samples.back()) << "row " << i;
        } else {
            EXPECT_FALSE(why.empty()) << "row " << i;
        }
    }
    std::remove(path.c_str());
    tagWavAudio audio;
    EXPECT_EQ(WAV_READ_NO_FILE, ReadWavAudio((path + ".missing").c_str(), &audio, nullptr));
}

}  // namespace
