// The sidetone through DirectSound for real: under Wine the sound goes to
// PulseAudio (winepulse), into the null sink vardo_null, whose monitor is
// recorded while the player keys a tone. The recording must hold the tone at
// the set frequency and level, starting and stopping with the keying, and
// silence around it. Starts its own PulseAudio server (scripts/pulse-env)
// when none runs; skips when none can be had.
#include "audio/toneloop.h"
#include "audio/toneoutput.h"
#include "audio/toneplayer.h"

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

// A Windows path as the Unix side sees it (Wine maps drive Z: to /).
std::string UnixPath(const std::string& windowsPath) {
    typedef char*(CDECL * UnixNameFn)(LPCWSTR);
    auto fn = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (fn != nullptr) {
        std::wstring w(windowsPath.begin(), windowsPath.end());
        char* unixName = fn(w.c_str());
        if (unixName != nullptr) {
            std::string s(unixName);
            HeapFree(GetProcessHeap(), 0, unixName);
            return s;
        }
    }
    std::string s = windowsPath;
    if (s.size() >= 2 && s[1] == ':') {
        s = s.substr(2);
    }
    for (char& c : s) {
        if (c == '\\') {
            c = '/';
        }
    }
    return s;
}

std::string CurrentDir() {
    char buf[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, buf);
    return buf;
}

// Starts a Unix shell command from inside Wine. Wine cannot wait for a Unix
// child, so the scripts report through status files.
bool RunUnix(const std::string& args) {
    std::string cmd = "Z:\\bin\\sh " + args;
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitForFile(const std::string& path, ms timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        if (FileExists(path)) {
            return true;
        }
        std::this_thread::sleep_for(ms(20));
    }
    return FileExists(path);
}

// The exit code a script wrote, or -1 when it wrote none in time.
int WaitForStatus(const std::string& path, ms timeout) {
    if (!WaitForFile(path, timeout)) {
        return -1;
    }
    std::ifstream in(path);
    int code = -1;
    in >> code;
    return code;
}

// The sink this test records from, apart from what other tests play.
const char* const kSink = "vardo_tone";

// The name PulseAudio knows this program by: Wine names streams after the
// .exe.
std::string AppName() {
    char buf[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buf, MAX_PATH);
    std::string s(buf);
    const size_t slash = s.find_last_of("\\/");
    return slash == std::string::npos ? s : s.substr(slash + 1);
}

std::string Script() {
    return UnixPath(std::string(VARDO_SOURCE_DIR) + "/scripts/pulse-env");
}

std::vector<int16_t> ReadRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                                                (static_cast<uint8_t>(bytes[2 * i + 1]) << 8)));
    }
    return samples;
}

LRESULT CALLBACK QuietProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcW(h, m, w, l);
}

// A hidden top-level window for the priority cooperation level.
HWND MakeWindow() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = QuietProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VardoToneTest";
    RegisterClassW(&wc);
    HWND h = CreateWindowExW(0, L"VardoToneTest", L"tone", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                             wc.hInstance, nullptr);
    return h != nullptr ? h : GetDesktopWindow();
}

struct tagToneShape {
    size_t nFirst;     // first sample above the threshold
    size_t nLast;      // last sample above it
    double fFrequency; // from the median spacing of rising zero crossings
    int32_t nPeak;     // largest magnitude inside the run
    double fRms;       // median of the RMS of 10 ms windows inside the run
    int32_t nDropouts; // windows far below that median (a loaded machine)
    int32_t nOutside;  // largest magnitude more than 50 ms outside the run
};

double Median(std::vector<double> v) {
    if (v.empty()) {
        return 0.0;
    }
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Local measures (median period, median window level) so that an underrun
// in the sound path under load does not spoil the figures.
tagToneShape Measure(const std::vector<int16_t>& s, int32_t threshold) {
    tagToneShape r = {0, 0, 0.0, 0, 0.0, 0, 0};
    bool found = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (std::abs(static_cast<int32_t>(s[i])) > threshold) {
            if (!found) {
                r.nFirst = i;
                found = true;
            }
            r.nLast = i;
        }
    }
    if (!found) {
        return r;
    }
    // Skip 10 ms at both ends, where the device may ramp.
    const size_t edge = TONE_SAMPLE_RATE / 100;
    const size_t a = r.nFirst + edge, b = r.nLast > edge ? r.nLast - edge : r.nLast;
    std::vector<double> periods;
    double lastRise = -1.0;
    for (size_t i = a; i + 1 < b; ++i) {
        r.nPeak = std::max<int32_t>(r.nPeak, std::abs(static_cast<int32_t>(s[i])));
        if (s[i] < 0 && s[i + 1] >= 0) {
            const double rise = i + static_cast<double>(-s[i]) / (static_cast<double>(s[i + 1]) - s[i]);
            if (lastRise >= 0.0) {
                periods.push_back(rise - lastRise);
            }
            lastRise = rise;
        }
    }
    const double period = Median(periods);
    if (period > 0.0) {
        r.fFrequency = TONE_SAMPLE_RATE / period;
    }
    std::vector<double> levels;
    for (size_t w = a; w + edge <= b; w += edge) {
        double sum2 = 0.0;
        for (size_t i = w; i < w + edge; ++i) {
            sum2 += static_cast<double>(s[i]) * s[i];
        }
        levels.push_back(std::sqrt(sum2 / static_cast<double>(edge)));
    }
    r.fRms = Median(levels);
    for (double l : levels) {
        if (l < r.fRms / 2) {
            ++r.nDropouts;
        }
    }
    const size_t margin = TONE_SAMPLE_RATE / 20;
    for (size_t i = 0; i < s.size(); ++i) {
        if (i + margin < r.nFirst || i > r.nLast + margin) {
            r.nOutside = std::max<int32_t>(r.nOutside, std::abs(static_cast<int32_t>(s[i])));
        }
    }
    return r;
}

class TonePulseTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = CurrentDir();
        const std::string status = m_dir + "\\pulse-start.status";
        DeleteFileA(status.c_str());
        if (!RunUnix(Script() + " start " + UnixPath(status))) {
            GTEST_SKIP() << "cannot start Unix commands from here: no PulseAudio check possible";
        }
        const int code = WaitForStatus(status, ms(20000));
        if (code != 0) {
            GTEST_SKIP() << "no PulseAudio server reachable or startable (pulse-env start gave " << code << ")";
        }
        m_bPulse = true;
    }
    void TearDown() override {
        if (m_bPulse) {
            Command("release " + std::string(kSink), "pulse-release.status", ms(10000));
            Command("stop", "pulse-stop.status", ms(10000), " " + AppName());
        }
    }

    // Runs pulse-env with the arguments and a status file; its exit code.
    int Command(const std::string& args, const char* statusName, ms timeout, const std::string& after = "") {
        const std::string status = m_dir + "\\" + statusName;
        DeleteFileA(status.c_str());
        if (!RunUnix(Script() + " " + args + " " + UnixPath(status) + after)) {
            return -1;
        }
        return WaitForStatus(status, timeout);
    }

    // Moves this program's playback streams to the test's own sink.
    int Isolate() { return Command("isolate " + AppName() + " " + kSink, "pulse-isolate.status", ms(10000)); }

    // Records the monitor for the given time while keying runs; returns the
    // samples.
    std::vector<int16_t> Record(double seconds, void (*keying)(CTonePlayer*), CTonePlayer* player) {
        const std::string raw = m_dir + "\\tone.raw";
        const std::string status = m_dir + "\\record.status";
        DeleteFileA(raw.c_str());
        DeleteFileA((raw + ".ready").c_str());
        DeleteFileA(status.c_str());
        char secs[32];
        std::snprintf(secs, sizeof(secs), "%.2f", seconds);
        EXPECT_TRUE(RunUnix(Script() + " record " + UnixPath(raw) + " " + secs + " " + UnixPath(status) + " " + kSink));
        EXPECT_TRUE(WaitForFile(raw + ".ready", ms(5000))) << "the recording did not start";
        keying(player);
        EXPECT_EQ(0, WaitForStatus(status, ms(static_cast<int>(seconds * 1000) + 10000))) << "recording failed";
        return ReadRaw(raw);
    }

    std::string m_dir;
    bool m_bPulse = false;
};

struct tagPulseRow {
    double fHz;
    double fVolume;
};

TEST_F(TonePulseTest, KeyedToneReachesTheSinkAtItsFrequencyAndLevel) {
    const tagPulseRow rows[] = {{800.0, 0.25}, {1000.0, 0.5}};
    HWND window = MakeWindow();
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        const tagPulseRow& row = rows[i];
        CTonePlayer player(CreatePlatformToneOutput());
        player.SetFrequency(row.fHz);
        player.SetVolume(row.fVolume);
        ASSERT_NE(0, player.Init(window)) << "row " << i << ": DirectSound did not open through PulseAudio";
        EXPECT_EQ(1, player.IsDeviceReady()) << "row " << i;
        EXPECT_EQ(1, player.IsBufferFilled()) << "row " << i;
        ASSERT_EQ(0, Isolate()) << "row " << i << ": the player's stream did not show up in PulseAudio";

        const std::vector<int16_t> s = Record(
            3.5,
            [](CTonePlayer* p) {
                // A stream just moved to another sink may drop what it plays
                // in its first moments: key after that.
                std::this_thread::sleep_for(ms(1500));
                p->ToneOn();
                std::this_thread::sleep_for(ms(1000));
                p->ToneOff();
            },
            &player);
        ASSERT_GT(s.size(), static_cast<size_t>(TONE_SAMPLE_RATE)) << "row " << i << ": recording too short";

        const int32_t expectPeak = static_cast<int32_t>(row.fVolume * 32767.0);
        const tagToneShape shape = Measure(s, expectPeak / 4);
        ASSERT_GT(shape.nLast, shape.nFirst) << "row " << i << ": no tone in the recording";
        const double seconds = static_cast<double>(shape.nLast - shape.nFirst) / TONE_SAMPLE_RATE;
        EXPECT_NEAR(1.0, seconds, 0.2) << "row " << i << ": tone length";
        EXPECT_NEAR(row.fHz, shape.fFrequency, row.fHz * 0.005) << "row " << i << ": frequency";
        EXPECT_NEAR(expectPeak, shape.nPeak, expectPeak * 0.1) << "row " << i << ": peak";
        EXPECT_NEAR(shape.nPeak / std::sqrt(2.0), shape.fRms, shape.nPeak * 0.05) << "row " << i << ": not a sine";
        EXPECT_LT(shape.nOutside, expectPeak / 50) << "row " << i << ": sound outside the keyed time";
        std::printf("row %zu: %.1f Hz, peak %d, rms %.0f, %.3f s of tone, %d dropped 10 ms windows, %.3f s recorded\n",
                    i, shape.fFrequency, shape.nPeak, shape.fRms, seconds, shape.nDropouts,
                    static_cast<double>(s.size()) / TONE_SAMPLE_RATE);
    }
}

}  // namespace
