// The sidetone through DirectSound for real: under Wine it goes through
// PulseAudio, where this program's stream is moved to a null sink of its
// own whose monitor is recorded while the player keys a tone. The recording
// must hold the tone at the set frequency and level for the keyed time, and
// silence around it. Starts its own PulseAudio server (scripts/pulse-env)
// when none runs; skips when none can be had.
#include "audio/toneloop.h"
#include "audio/toneoutput.h"
#include "audio/toneplayer.h"
#include "tests/audio/soundexpected.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using ms = std::chrono::milliseconds;
const char* const kSink = "vardo_tone";

// A path of drive Z: (Wine's view of /) as the Unix side sees it.
std::string UnixPath(std::string s) {
    s = s.substr(s.size() >= 2 && s[1] == ':' ? 2 : 0);
    std::replace(s.begin(), s.end(), '\\', '/');
    return s;
}

std::string HereFile(const char* name) {
    char dir[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, dir);
    return std::string(dir) + "\\" + name;
}

// Wine names this program's sound streams after its .exe.
std::string AppName() {
    char buf[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    const std::string s(buf);
    return s.substr(s.find_last_of("\\/") + 1);
}

// Starts scripts/pulse-env with the arguments, the status file and the
// arguments after it, and waits for the exit code it writes there (Wine
// cannot wait for a Unix child); -1 when it cannot start or gives none in
// time. Meanwhile runs once readyFile exists.
int PulseEnv(const std::string& args, ms timeout, const std::string& after = "",
             void (*meanwhile)(CTonePlayer*) = nullptr, CTonePlayer* player = nullptr,
             const std::string& readyFile = "") {
    const std::string status = HereFile("pulse.status");
    DeleteFileA(status.c_str());
    DeleteFileA(readyFile.c_str());
    std::string cmd = "Z:\\bin\\sh " + UnixPath(VARDO_SOURCE_DIR) + "/scripts/pulse-env " + args + " " +
                      UnixPath(status) + after;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return -1;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    const auto end = std::chrono::steady_clock::now() + timeout;
    if (meanwhile != nullptr) {
        while (GetFileAttributesA(readyFile.c_str()) == INVALID_FILE_ATTRIBUTES && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(ms(20));
        }
        meanwhile(player);
    }
    while (GetFileAttributesA(status.c_str()) == INVALID_FILE_ATTRIBUTES && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(ms(20));
    }
    int code = -1;
    std::ifstream(status) >> code;
    return code;
}

std::vector<int16_t> ReadRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> s(b.size() / 2);
    for (size_t i = 0; i < s.size(); ++i) {
        s[i] = static_cast<int16_t>(static_cast<uint8_t>(b[2 * i]) | (static_cast<uint8_t>(b[2 * i + 1]) << 8));
    }
    return s;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

struct tagToneShape {
    double fSeconds, fFrequency;  // frequency: from the median period, robust to an underrun
    int32_t nPeak, nOutside;      // nOutside: loudest sample 50 ms or more off the tone
};

tagToneShape Measure(const std::vector<int16_t>& s, int32_t threshold) {
    tagToneShape r = {0.0, 0.0, 0, 0};
    size_t first = s.size(), last = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (std::abs(s[i]) > threshold) {
            first = std::min(first, i);
            last = i;
        }
    }
    if (first >= last) {
        return r;
    }
    r.fSeconds = static_cast<double>(last - first) / TONE_SAMPLE_RATE;
    const size_t w = TONE_SAMPLE_RATE / 100;  // 10 ms skipped at the ends, where a device may ramp
    std::vector<double> periods;
    double rise = -1.0;
    for (size_t i = first + w; i + w < last; ++i) {
        r.nPeak = std::max<int32_t>(r.nPeak, std::abs(s[i]));
        if (s[i] < 0 && s[i + 1] >= 0) {
            const double at = i + static_cast<double>(-s[i]) / (s[i + 1] - s[i]);
            if (rise >= 0.0) {
                periods.push_back(at - rise);
            }
            rise = at;
        }
    }
    r.fFrequency = periods.empty() ? 0.0 : TONE_SAMPLE_RATE / Median(periods);
    const size_t margin = TONE_SAMPLE_RATE / 20;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i + margin < first || i > last + margin) {
            r.nOutside = std::max<int32_t>(r.nOutside, std::abs(s[i]));
        }
    }
    return r;
}

// Gives the sink back and stops a server the test started, however the
// test ends.
struct tagPulseSession {
    ~tagPulseSession() {
        PulseEnv(std::string("release ") + kSink, ms(10000));
        PulseEnv("stop", ms(10000), " " + AppName());
    }
};

TEST(TonePulse, KeyedToneReachesTheSinkAtItsFrequencyAndLevel) {
    const int started = PulseEnv("start", ms(20000));
    if (started != 0) {
        if (SoundExpected()) FAIL() << "the test run's PulseAudio server is not reachable (pulse-env start gave " << started << ")";
        GTEST_SKIP() << "no PulseAudio server reachable or startable (pulse-env start gave " << started << ")";
    }
    tagPulseSession session;
    const struct {
        double hz, volume;
    } rows[] = {{800.0, 0.25}, {1000.0, 0.5}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CTonePlayer player(CreatePlatformToneOutput());
        player.SetFrequency(rows[i].hz);
        player.SetVolume(rows[i].volume);
        ASSERT_EQ(1, player.Init(GetDesktopWindow())) << "row " << i << ": DirectSound did not open";
        ASSERT_EQ(0, PulseEnv("isolate " + AppName() + " " + kSink, ms(10000))) << "row " << i << ": no stream";
        const std::string raw = HereFile("tone.raw");
        const int recorded = PulseEnv(
            "record " + UnixPath(raw) + " 3.5", ms(20000), std::string(" ") + kSink,
            [](CTonePlayer* p) {
                // A stream just moved to another sink may drop what it plays
                // in its first moments: key after that.
                std::this_thread::sleep_for(ms(1500));
                p->ToneOn();
                std::this_thread::sleep_for(ms(1000));
                p->ToneOff();
            },
            &player, raw + ".ready");
        ASSERT_EQ(0, recorded) << "row " << i << ": recording failed";

        const std::vector<int16_t> s = ReadRaw(raw);
        const int32_t peak = static_cast<int32_t>(rows[i].volume * 32767.0);
        const tagToneShape shape = Measure(s, peak / 4);
        EXPECT_NEAR(1.0, shape.fSeconds, 0.2) << "row " << i << ": tone length";
        EXPECT_NEAR(rows[i].hz, shape.fFrequency, rows[i].hz * 0.005) << "row " << i << ": frequency";
        EXPECT_NEAR(peak, shape.nPeak, peak * 0.1) << "row " << i << ": peak";
        EXPECT_LT(shape.nOutside, peak / 50) << "row " << i << ": sound outside the keyed time";
        std::printf("row %zu: %.1f Hz, peak %d, %.3f s of tone in %.3f s recorded\n", i, shape.fFrequency, shape.nPeak,
                    shape.fSeconds, static_cast<double>(s.size()) / TONE_SAMPLE_RATE);
    }
}

}  // namespace
