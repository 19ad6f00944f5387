// Morse audio files: sizes, the keyed timeline read back from the samples,
// the default file name, and (where the tools are installed) independent
// readers and a Morse decoder accepting the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "training/cwwavewriter.h"
#include "training/wavefilename.h"

namespace {

std::vector<uint8_t> ReadFile(const char* path) {
    std::vector<uint8_t> bytes;
    FILE* f = fopen(path, "rb");
    if (!f) {
        return bytes;
    }
    uint8_t buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) {
        bytes.insert(bytes.end(), buf, buf + n);
    }
    fclose(f);
    return bytes;
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

SettingValues Defaults() {
    SettingValues s;
    SetDefaultSettingValues(&s);
    return s;
}

// The key line read back from the samples: alternating runs of tone and
// silence in ms, starting with a tone. A tone crosses zero every half
// period, so zero runs of up to 8 samples inside a tone are not silence.
std::vector<int> KeyRuns(const std::vector<uint8_t>& file) {
    std::vector<int> runs;
    size_t samples = (file.size() - 44) / 2;
    std::vector<int> on(samples);
    for (size_t k = 0; k < samples; ++k) {
        int16_t v = static_cast<int16_t>(file[44 + 2 * k] | (file[45 + 2 * k] << 8));
        on[k] = v != 0;
    }
    size_t k = 0;
    int state = 1;
    size_t start = 0;
    while (k < samples) {
        if (state) {
            size_t z = k;
            while (z < samples && !on[z]) ++z;
            if (z - k > 8 || z == samples) {
                if (k > start) runs.push_back(static_cast<int>((k - start + 4) / 8));
                start = k;
                state = 0;
                k = z;
                continue;
            }
            k = z + 1;
        } else {
            if (on[k]) {
                runs.push_back(static_cast<int>((k - start + 4) / 8));
                start = k;
                state = 1;
            }
            ++k;
        }
    }
    if (k > start) runs.push_back(static_cast<int>((k - start + 4) / 8));
    return runs;
}

}  // namespace

TEST(CwWave, SosAtDefaults) {
    SettingValues s = Defaults();
    ASSERT_EQ(1, WriteCwWave(s, "sos.wav", "SOS", 3, 0));
    std::vector<uint8_t> f = ReadFile("sos.wav");
    ASSERT_EQ(42284u, f.size());
    EXPECT_EQ(0, memcmp(f.data(), "RIFF", 4));
    EXPECT_EQ(42276u, Le32(f, 4));
    EXPECT_EQ(8000u, Le32(f, 24));
    EXPECT_EQ(16000u, Le32(f, 28));
    EXPECT_EQ(42240u, Le32(f, 40));
    // S: three 80 ms dots with 80 ms gaps, 80 + 240 after the last.
    const std::vector<int> want = {80, 80, 80, 80, 80, 320, 240, 80, 240, 80, 240, 320,
                                   80, 80, 80, 80, 80, 320};
    EXPECT_EQ(want, KeyRuns(f));
}

TEST(CwWave, DataBytesTable) {
    struct Row {
        const char* text;
        int length;  // -1: strlen
        int group;
        int shorthit, longhit, hitdelay;
        uint32_t dataBytes;
    };
    const Row rows[] = {
        {"SOS", -1, 0, 80, 240, 80, 42240},
        {"sos", -1, 0, 80, 240, 80, 42240},      // lower case sounds as capitals
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
        EXPECT_EQ(rows[i].dataBytes, Le32(f, 40)) << "row " << i;
        EXPECT_EQ(36u + rows[i].dataBytes, Le32(f, 4)) << "row " << i;
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
        {"KMRSUA", "KMRSUA.wav"},
        {"k.m/1", "k_m__.wav"},
        {"\xC4\xE3Z", "__Z.wav"},
        {std::string(255, 'Q'), std::string(236, 'Q') + ".wav"},
        {std::string(236, 'R'), std::string(236, 'R') + ".wav"},
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
    std::string cmd = std::string("command -v ") + name + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

std::string RunCommand(const std::string& cmd) {
    std::string out;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) {
        return out;
    }
    char buf[512];
    while (fgets(buf, sizeof buf, p)) {
        out += buf;
    }
    pclose(p);
    return out;
}

}  // namespace

TEST(CwWave, ReadersAcceptTheFile) {
    SettingValues s = Defaults();
    ASSERT_EQ(1, WriteCwWave(s, "readers.wav", "SOS", 3, 0));
    bool any = false;
    if (HaveTool("python3")) {
        any = true;
        std::string out = RunCommand(
            "python3 -c \"import wave; w = wave.open('readers.wav'); "
            "print(w.getframerate(), w.getnchannels(), w.getsampwidth(), w.getnframes())\"");
        EXPECT_EQ("8000 1 2 21120\n", out);
    }
    if (HaveTool("sox")) {
        any = true;
        EXPECT_EQ("8000\n", RunCommand("sox --i -r readers.wav"));
        EXPECT_EQ("1\n", RunCommand("sox --i -c readers.wav"));
        EXPECT_EQ("16\n", RunCommand("sox --i -b readers.wav"));
        EXPECT_EQ("2.640000\n", RunCommand("sox --i -D readers.wav"));
    }
    if (!any) {
        GTEST_SKIP() << "neither python3 nor sox installed";
    }
}

TEST(CwWave, DecoderReadsTheTextBack) {
    if (!HaveTool("sox") || !HaveTool("multimon-ng")) {
        GTEST_SKIP() << "sox or multimon-ng not installed";
    }
    SettingValues s = Defaults();
    const char* text = "CQ CQ DE VARDO";
    ASSERT_EQ(1, WriteCwWave(s, "decode.wav", text, static_cast<int>(strlen(text)), 0));
    // The decoder takes 22050 Hz raw samples, and it prints a character only
    // once the silence after it outlasts its analysis block: a second of
    // padding lets the last letter out. Its timing estimate starts from the
    // dot and gap length given.
    RunCommand("sox decode.wav -t raw -r 22050 -e signed-integer -b 16 -c 1 decode.raw pad 0 1");
    std::string out = RunCommand("multimon-ng -q -c -a MORSE_CW -d 80 -g 80 -t raw decode.raw 2>/dev/null");
    std::string letters;
    for (char c : out) {
        if ((c >= 'A' && c <= 'Z') || c == ' ') letters += c;
    }
    EXPECT_NE(std::string::npos, letters.find("CQ CQ DE VARDO")) << "decoder said: " << out;
}
#endif
