// The WAV writer: the exact header, the sizes after each append, the even
// byte rule, tone contents across a frequency change, safe handling of
// misuse, and acceptance by independent WAV readers.
#include "audio/toneloop.h"
#include "audio/vdwavefile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::vector<uint8_t> ReadFile(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

int16_t Sample(const std::vector<uint8_t>& f, size_t k) {
    return static_cast<int16_t>(f[44 + 2 * k] | (f[44 + 2 * k + 1] << 8));
}

// One file, appended to row by row: what each append returns and the sizes
// in the header, in memory and at the end on disk.
TEST(VdWaveFile, HeaderAndSizesAfterEachAppend) {
    const uint8_t header[44] = {0x52, 0x49, 0x46, 0x46, 0x24, 0x00, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6D, 0x74,
                                0x20, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x40, 0x1F, 0x00, 0x00, 0x80, 0x3E,
                                0x00, 0x00, 0x02, 0x00, 0x10, 0x00, 0x64, 0x61, 0x74, 0x61, 0x00, 0x00, 0x00, 0x00};
    { CVdWaveFile empty("empty.wav", 1, 8000, 16, 0.25); }
    EXPECT_EQ(std::vector<uint8_t>(header, header + 44), ReadFile("empty.wav"));

    const struct {
        bool tone;
        double seconds;
        int32_t bytes;
    } rows[] = {
        {true, 0.06, 960}, {false, 0.06, 960}, {true, 0.0001, 2},  {false, 0.0002, 4},  {false, 0.00005, 0},
        {true, 0.0, 0},    {true, 0.08, 1280}, {false, -0.5, 0},   {true, NAN, 0},      {false, INFINITY, 0},
        {false, 1e9, 0},   // more than the 32-bit sizes hold: refused
    };
    uint32_t total = 0;
    {
        CVdWaveFile w("sizes.wav", 1, 8000, 16, 0.25);
        w.SetFrequency(1000.0);
        w.SetVolume(0.25);
        for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
            EXPECT_EQ(rows[i].bytes, rows[i].tone ? w.WriteTone(rows[i].seconds) : w.WriteSilence(rows[i].seconds))
                << "row " << i;
            total += static_cast<uint32_t>(rows[i].bytes);
            EXPECT_EQ(36 + total, Le32(w.GetHeader() + 4)) << "row " << i;
            EXPECT_EQ(total, Le32(w.GetHeader() + 40)) << "row " << i;
        }
        for (int ms = 1; ms <= 300; ++ms) {  // whole milliseconds: 16 bytes each
            ASSERT_EQ(16 * ms, w.WriteSilence(ms / 1000.0)) << "ms " << ms;
            total += 16u * ms;
        }
    }
    const std::vector<uint8_t> f = ReadFile("sizes.wav");
    ASSERT_EQ(44 + total, f.size());
    EXPECT_EQ(std::vector<uint8_t>(header + 8, header + 40), std::vector<uint8_t>(f.begin() + 8, f.begin() + 40));
    EXPECT_EQ(36 + total, Le32(&f[4]));
    EXPECT_EQ(total, Le32(&f[40]));
}

TEST(VdWaveFile, TonesStartAtPhaseZeroWithTheCurrentSettings) {
    {
        CVdWaveFile w("tones.wav", 1, 8000, 16, 0.1);
        w.SetFrequency(1000.0);
        w.SetVolume(0.25);
        w.WriteTone(0.01);
        w.WriteSilence(0.01);
        w.SetFrequency(600.0);
        w.WriteTone(0.01);
        w.SetVolume(0.5);
        w.WriteTone(0.01);
    }
    const std::vector<uint8_t> f = ReadFile("tones.wav");
    ASSERT_EQ(44u + 640u, f.size());
    const struct {
        size_t first;
        double hz, volume;
    } rows[] = {{0, 1000.0, 0.25}, {80, 0.0, 0.0}, {160, 600.0, 0.25}, {240, 600.0, 0.5}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        for (size_t k = 0; k < 80; ++k) {
            ASSERT_EQ(ToneSample(static_cast<int64_t>(k), rows[i].hz, rows[i].volume, 8000), Sample(f, rows[i].first + k))
                << "row " << i << " sample " << k;
        }
    }
    EXPECT_EQ(8191, Sample(f, 2));  // 1000 Hz at 8000/s: sin(pi/2) * 0.25 * 32767
}

// The buffer is bounded whatever it is sized for, and a tone never reads
// past it (ASan watches).
TEST(VdWaveFile, BufferIsBoundedAndLongTonesAreCut) {
    const struct {
        double bufferSeconds;
        int32_t length;
        double tone;
        int32_t written;
    } rows[] = {
        {0.1, 1600, 0.2, 1600}, {0.100063, 1601, 1.0, 1600},  {0.0, 0, 0.06, 0},
        {-1.0, 0, 0.06, 0},     {NAN, 0, 0.06, 0},            {INFINITY, 960000, 0.06, 960},
        {1e12, 960000, 100.0, 960000},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CVdWaveFile w("bound.wav", 1, 8000, 16, rows[i].bufferSeconds);
        w.SetFrequency(800.0);
        w.SetVolume(1.0);
        EXPECT_EQ(rows[i].length, w.GetBufferLength()) << "row " << i;
        EXPECT_EQ(rows[i].written, w.WriteTone(rows[i].tone)) << "row " << i;
    }
    CVdWaveFile wide("wide.wav", 65535, 4000000000u, 64, 50.0);
    EXPECT_EQ(VDWAVE_MAX_BUFFER_BYTES, wide.GetBufferLength());
}

TEST(VdWaveFile, OddInvalidAndUnwritableWritesDoNothing) {
    const uint8_t b[4] = {1, 2, 3, 4};
    const struct {
        const void* data;
        int32_t len, count, result;
    } rows[] = {{b, 3, 1, 0},  {b, 1, 3, 0},       {b, 2, 3, 6},       {b, 4, 1, 4},
                {b, -2, 1, 0}, {b, 2, -1, 0},      {nullptr, 2, 1, 0}, {b, 1, 0, 0}};
    {
        CVdWaveFile w("odd.wav", 1, 8000, 16, 0.1);
        CVdWaveFile lost("no-such-folder/x.wav", 1, 8000, 16, 0.1);
        EXPECT_EQ(0, lost.IsOpen());
        for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
            EXPECT_EQ(rows[i].result, w.Write(rows[i].data, rows[i].len, rows[i].count)) << "row " << i;
            EXPECT_EQ(0, lost.Write(rows[i].data, rows[i].len, rows[i].count)) << "row " << i;
        }
        EXPECT_EQ(0, lost.WriteTone(0.06));
        EXPECT_EQ(0, lost.WriteSilence(0.06));
        EXPECT_EQ(0u, lost.GetDataBytes());
    }
    const uint8_t data[10] = {1, 2, 1, 2, 1, 2, 1, 2, 3, 4};
    const std::vector<uint8_t> f = ReadFile("odd.wav");
    EXPECT_EQ(std::vector<uint8_t>(data, data + 10), std::vector<uint8_t>(f.begin() + 44, f.end()));
}

#ifndef _WIN32
// Python's wave module and sox read what the writer makes; each is skipped
// where it is not installed.
TEST(VdWaveFile, ExternalReadersAcceptTheFile) {
    {
        CVdWaveFile w("oracle.wav", 1, 8000, 16, 0.25);
        w.SetFrequency(800.0);
        w.SetVolume(0.25);
        for (int i = 0; i < 3; ++i) {
            w.WriteTone(0.24);
            w.WriteSilence(0.08);
        }
    }
    const std::string frames = std::to_string(3 * (1920 + 640));
    int ran = 0;
    if (std::system("python3 -c 'import wave' >/dev/null 2>&1") == 0) {
        ++ran;
        const std::string cmd = "python3 -c \"import wave,sys; w=wave.open('oracle.wav','rb'); sys.exit(0 if "
                                "(w.getnchannels(),w.getsampwidth(),w.getframerate(),w.getnframes(),"
                                "len(w.readframes(99999)))==(1,2,8000," + frames + ",2*" + frames + ") else 1)\"";
        EXPECT_EQ(0, std::system(cmd.c_str())) << "python's wave module read other parameters";
    }
    if (std::system("sox --version >/dev/null 2>&1") == 0) {
        ++ran;
        const std::string cmd = "test \"$(sox --i -s oracle.wav)\" = " + frames +
                                " && test \"$(sox --i -r oracle.wav)\" = 8000 && test \"$(sox --i -c oracle.wav)\" = 1"
                                " && sox oracle.wav -n trim 0 0.24 stat 2>&1 | awk '/Rough/ {exit !($3 > 760 && $3 < 840)}'";
        EXPECT_EQ(0, std::system(cmd.c_str())) << "sox read other parameters or heard another frequency";
    }
    if (ran == 0) {
        GTEST_SKIP() << "neither python3 nor sox is installed";
    }
}
#endif

}  // namespace
