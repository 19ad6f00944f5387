// Morse audio files: sizes for each kind of character, unwritable paths,
// the default file name, and (where the tools are installed) independent
// WAV readers and a Morse decoder accepting the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "audio/toneedge.h"
#include "audio/toneloop.h"
#include "training/cwwavewriter.h"
#include "training/wavefilename.h"

#include <cmath>

namespace {

std::vector<uint8_t> ReadFile(const char* path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

SettingValues Defaults() {
    SettingValues s;
    SetDefaultSettingValues(&s);
    return s;
}

}  // namespace

TEST(CwWave, DataBytesTable) {
    struct Row {
        const char* text;
        int length;  // -1: strlen
        int group;
        int shorthit, longhit, hitdelay;
        uint32_t dataBytes;
    };
    const Row rows[] = {
        {"SOS", -1, 0, 80, 240, 80, 42240},       // S 720 ms, O 1200 ms
        {"sos", -1, 0, 80, 240, 80, 42240},       // lower case sounds as capitals
        {"E", -1, 0, 80, 240, 80, 6400},          // 80 + 80 + 240 ms
        {" ", -1, 0, 80, 240, 80, 3840},          // word gap: 240 ms
        {",", -1, 0, 80, 240, 80, 3840},          // not in the table: word gap
        {"\xC4\xE3", -1, 0, 80, 240, 80, 7680},   // each byte of a Chinese character
        {"\r\n", -1, 0, 80, 240, 80, 7680},
        {"EE", -1, 1, 80, 240, 80, 20480},        // a group gap after each
        {"EEE", -1, 2, 80, 240, 80, 23040},       // after the second only
        {"EEE", 2, 0, 80, 240, 80, 12800},        // only length characters
        {"", -1, 0, 80, 240, 80, 0},
        {"E", -1, 0, 300, 100, 80, 9920},         // dot longer than dash: not cut
        {"T", -1, 0, 300, 100, 80, 6720},
        {"E", -1, 0, 80, 240, -50, 5120},         // negative gap counts as 0
        {"T", -1, 0, 80, 0, 80, 5120},            // zero dash: silence only
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        SettingValues s = Defaults();
        s.shorthit = rows[i].shorthit;
        s.longhit = rows[i].longhit;
        s.hitdelay = rows[i].hitdelay;
        int len = rows[i].length < 0 ? static_cast<int>(strlen(rows[i].text)) : rows[i].length;
        ASSERT_EQ(1, WriteCwWave(s, "table.wav", rows[i].text, len, rows[i].group)) << "row " << i;
        std::vector<uint8_t> f = ReadFile("table.wav");
        ASSERT_EQ(44u + rows[i].dataBytes, f.size()) << "row " << i;
        EXPECT_EQ(0, memcmp(f.data(), "RIFF", 4)) << "row " << i;
        EXPECT_EQ(36u + rows[i].dataBytes, Le32(f, 4)) << "row " << i;
        EXPECT_EQ(8000u, Le32(f, 24)) << "row " << i;
        EXPECT_EQ(rows[i].dataBytes, Le32(f, 40)) << "row " << i;
    }
}

TEST(CwWave, EffectiveSpeedGivesPARISItsTime) {
    // 20 WPM characters: "PARIS " is 3510 ms of audio by the durations (the
    // file has no letter delay after a word gap); at 10 WPM effective it
    // is the 6000 ms of a 10 WPM PARIS. 16 bytes per ms at 8000 Hz.
    const struct { int effective; int group; const char* text; uint32_t ms; } rows[] = {
        {0, 0, "PARIS ", 3510}, {20, 0, "PARIS ", 3510}, {30, 0, "PARIS ", 3510},
        {10, 0, "PARIS ", 6000}, {10, 5, "PARIS", 6000},  // a group gap is a word gap
        {10, 0, "PARIS PARIS ", 12000},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        SettingValues s = Defaults();
        s.shorthit = s.hitdelay = 65;
        s.longhit = s.letterdelay = s.worddelay = 195;
        s.effectivewpm = rows[i].effective;
        ASSERT_EQ(1, WriteCwWave(s, "paris.wav", rows[i].text, static_cast<int>(strlen(rows[i].text)), rows[i].group))
            << "row " << i;
        const std::vector<uint8_t> f = ReadFile("paris.wav");
        ASSERT_GE(f.size(), 44u) << "row " << i;
        EXPECT_EQ(rows[i].ms * 16u, Le32(f, 40)) << "row " << i;
    }
}

// With edges each tone rises from its start and falls from its end into
// the gap after it, sample for sample the tone times the raised cosine;
// the file keeps its size, and a gap shorter than the fall cuts it off.
TEST(CwWave, EdgesShapeEachTone) {
    struct Row {
        int edgems, hitdelay;
        int32_t edge;  // samples at 8000 Hz
    };
    const Row rows[] = {{0, 80, 0}, {5, 80, 40}, {10, 80, 80}, {25, 80, 80}, {5, 2, 40}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        SettingValues s = Defaults();
        s.edgems = rows[i].edgems;
        s.hitdelay = rows[i].hitdelay;
        ASSERT_EQ(1, WriteCwWave(s, "edges.wav", "EE", 2, 0)) << "row " << i;
        std::vector<uint8_t> f = ReadFile("edges.wav");
        const int32_t tone = 640, gap = 8 * rows[i].hitdelay, period = tone + gap + 1920;
        ASSERT_EQ(44u + 2u * 2u * period, f.size()) << "row " << i << ": the file changed size";
        const int32_t n = rows[i].edge;
        double worst = 0.0;
        for (int32_t e = 0; e < 2; ++e) {
            for (int32_t k = 0; k < period; ++k) {
                const size_t at = 44 + 2 * static_cast<size_t>(e * period + k);
                const int16_t got = static_cast<int16_t>(f[at] | (f[at + 1] << 8));
                double gain = 0.0;
                if (k < tone) {
                    gain = ToneEdgeGain(k, n);
                } else if (k - tone < n && k - tone < gap) {
                    gain = ToneEdgeGain(n - 1 - (k - tone), n);
                }
                const double want = gain * ToneSample(k, 1000.0, 0.25, 8000.0);
                worst = std::max(worst, std::fabs(got - want));
            }
        }
        EXPECT_LE(worst, 1.0) << "row " << i << ": off the shaped tone by " << worst;
    }
}

TEST(CwWave, UnwritablePathWritesNothing) {
    SettingValues s = Defaults();
    EXPECT_EQ(0, WriteCwWave(s, "no-such-folder/x.wav", "SOS", 3, 0));
    EXPECT_EQ(0, WriteCwWave(s, "", "SOS", 3, 0));
    EXPECT_EQ(0, WriteCwWave(s, static_cast<const char*>(nullptr), "SOS", 3, 0));
    EXPECT_TRUE(ReadFile("no-such-folder/x.wav").empty());
    // Without a settings store there is nothing to key with.
    EXPECT_EQ(0, WriteCwWave("nostore.wav", "SOS", 3, 0));
}

TEST(CwWave, DefaultFileName) {
    struct Row { std::string text; std::string want; };
    const Row rows[] = {
        {"CQ DE", "CQ_DE.wav"},
        {"", ".wav"},
        {"k.m/1", "k_m__.wav"},
        {"\xC4\xE3Z", "__Z.wav"},
        {std::string(255, 'Q'), std::string(236, 'Q') + ".wav"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        char name[WAVE_PATH_MAX];
        memset(name, 'x', sizeof name);
        MakeWaveFileName(rows[i].text.c_str(), name);
        EXPECT_EQ(rows[i].want, std::string(name)) << "row " << i;
    }
}

#ifndef _WIN32
namespace {

bool HaveTool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string RunCommand(const std::string& cmd) {
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[512];
        while (fgets(buf, sizeof buf, p)) out += buf;
        pclose(p);
    }
    return out;
}

}  // namespace

TEST(CwWave, ReadersAcceptTheFile) {
    if (!HaveTool("python3") || !HaveTool("sox")) {
        GTEST_SKIP() << "python3 or sox not installed";
    }
    ASSERT_EQ(1, WriteCwWave(Defaults(), "readers.wav", "SOS", 3, 0));
    EXPECT_EQ("8000 1 2 21120\n",
              RunCommand("python3 -c \"import wave; w = wave.open('readers.wav'); "
                         "print(w.getframerate(), w.getnchannels(), w.getsampwidth(), w.getnframes())\""));
    EXPECT_EQ("8000\n1\n16\n2.640000\n",
              RunCommand("sox --i -r readers.wav; sox --i -c readers.wav; sox --i -b readers.wav; "
                         "sox --i -D readers.wav"));
}

TEST(CwWave, DecoderReadsTheTextBack) {
    if (!HaveTool("sox") || !HaveTool("multimon-ng")) {
        GTEST_SKIP() << "sox or multimon-ng not installed";
    }
    // The station's defaults, and 20 WPM characters spaced out to 10 WPM
    // (whose long letter gaps the decoder, timing from the dot, reads as
    // word spaces: only the letters are compared).
    const struct { int dot; int effective; const char* want; } rows[] = {
        {80, 0, "CQ CQ DE VARDO"}, {65, 10, "CQCQDEVARDO"}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        SettingValues s = Defaults();
        s.shorthit = s.hitdelay = rows[i].dot;
        s.longhit = s.letterdelay = s.worddelay = 3 * rows[i].dot;
        s.effectivewpm = rows[i].effective;
        const char* text = "CQ CQ DE VARDO";
        ASSERT_EQ(1, WriteCwWave(s, "decode.wav", text, static_cast<int>(strlen(text)), 0)) << "row " << i;
        // The decoder takes 22050 Hz raw samples, and it prints a character
        // only once the silence after it outlasts its analysis block: a
        // second of padding lets the last letter out. Its timing estimate
        // starts from the dot and gap length given.
        RunCommand("sox decode.wav -t raw -r 22050 -e signed-integer -b 16 -c 1 decode.raw pad 0 1");
        const std::string dot = std::to_string(rows[i].dot);
        std::string out = RunCommand("multimon-ng -q -c -a MORSE_CW -d " + dot + " -g " + dot +
                                     " -t raw decode.raw 2>/dev/null");
        const bool spaces = strchr(rows[i].want, ' ') != nullptr;
        std::string letters;
        for (char c : out) {
            if ((c >= 'A' && c <= 'Z') || (spaces && c == ' ')) letters += c;
        }
        EXPECT_NE(std::string::npos, letters.find(rows[i].want)) << "row " << i << " decoder said: " << out;
    }
    // An independent reader measures PARIS at 10 WPM effective: 6 s.
    SettingValues s = Defaults();
    s.shorthit = s.hitdelay = 65;
    s.longhit = s.letterdelay = s.worddelay = 195;
    s.effectivewpm = 10;
    ASSERT_EQ(1, WriteCwWave(s, "paris.wav", "PARIS ", 6, 0));
    EXPECT_EQ("6.000000\n", RunCommand("sox --i -D paris.wav"));
}
#endif
