// The capture on a real sound input: under Wine, DirectSound capture opens
// PulseAudio's default source (scripts/pulse-env runs the server);
// scripts/pulse-capture-env then moves this program's recording stream to
// the monitor of a null sink of its own and plays sox tones into that sink,
// so that other sound tests running meanwhile are neither heard nor
// disturbed. A tone in the band must be detected while it plays, and
// neither silence nor a tone outside the band may fire. Skips when there
// is no PulseAudio server or no capture device. A server this test had to
// start is left running for the other sound tests; "scripts/pulse-env
// stop" ends it.
#include <gtest/gtest.h>

#include "tests/audio/capturetestkit.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "audio/vdwavecapture.h"

namespace {

// Unix path of a Windows path: Wine's own conversion when there is one,
// else the Z: drive (the Unix root).
std::string UnixPath(const std::wstring& dos) {
    typedef char*(__cdecl * ToUnix)(const wchar_t*);
    HMODULE k = GetModuleHandleW(L"kernel32.dll");
    ToUnix toUnix = k ? reinterpret_cast<ToUnix>(reinterpret_cast<void*>(GetProcAddress(k, "wine_get_unix_file_name")))
                      : nullptr;
    if (toUnix != nullptr) {
        char* p = toUnix(dos.c_str());
        if (p != nullptr) {
            std::string out(p);
            HeapFree(GetProcessHeap(), 0, p);
            return out;
        }
    }
    std::string out;
    for (size_t i = (dos.size() > 1 && dos[1] == L':') ? 2 : 0; i < dos.size(); ++i) {
        out.push_back(dos[i] == L'\\' ? '/' : static_cast<char>(dos[i]));
    }
    return out;
}

std::string SourceRoot() {
    std::string s = VARDO_SOURCE_DIR;
    std::wstring w(s.begin(), s.end());
    return UnixPath(w);
}

std::string ProgramName() {
    wchar_t buf[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring path(buf, n);
    const size_t slash = path.find_last_of(L"\\/");
    std::string out;
    for (wchar_t c : path.substr(slash == std::wstring::npos ? 0 : slash + 1)) out.push_back(static_cast<char>(c));
    return out;
}

std::string Here() {
    wchar_t buf[MAX_PATH];
    const DWORD n = GetCurrentDirectoryW(MAX_PATH, buf);
    return UnixPath(std::wstring(buf, n));
}

// Starts a Unix shell command; Wine cannot wait for it, so it reports
// through a status file.
bool RunUnix(const std::string& command) {
    std::wstring cmd = L"/bin/sh -c \"";
    for (char c : command) cmd.push_back(static_cast<wchar_t>(c));
    cmd += L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(L"/bin/sh", &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        return false;
    }
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    return true;
}

// The exit code written to the status file, or -1 when none came in time.
int WaitStatus(const char* file, int seconds) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (std::FILE* f = std::fopen(file, "r")) {
            int rc = -1;
            const int got = std::fscanf(f, "%d", &rc);
            std::fclose(f);
            if (got == 1) return rc;
        }
        Sleep(50);
    }
    return -1;
}

struct Counts {
    int passes = 0;
    int analysed = 0;
    int fired = 0;
};

// Analyses every 20 ms until the status file appears (or `seconds` pass).
Counts AnalyseWhile(CVdWaveCapture& c, CCwRecorder& rec, const char* status, int seconds) {
    Counts n;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        const size_t before = rec.states.size();
        n.analysed += c.Analyse();
        ++n.passes;
        if (rec.states.size() > before) n.fired += rec.states.back();
        if (status != nullptr) {
            if (std::FILE* f = std::fopen(status, "r")) {
                std::fclose(f);
                break;
            }
        }
        Sleep(20);
    }
    return n;
}

}  // namespace

TEST(CapturePulse, ToneInTheBandIsDetectedAndNothingElseFires) {
    const std::string root = SourceRoot();
    const std::string here = Here();
    std::remove("pulse-start.status");
    ASSERT_TRUE(RunUnix(root + "/scripts/pulse-env start " + here + "/pulse-start.status"));
    if (WaitStatus("pulse-start.status", 30) != 0) {
        GTEST_SKIP() << "no PulseAudio server with the null sink";
    }
    CCaptureTestParent parent(false);
    CCwRecorder rec;
    CVdWaveCapture capture(&parent, VdRect{50, 10, 306, 58}, 44100, 512, &rec);
    capture.SetBand(850, 1250);
    capture.SetThreshold(0.3);
    if (!capture.StartCapture()) {
        GTEST_SKIP() << "DirectSound capture did not start under Wine";
    }
    std::remove("route.status");
    ASSERT_TRUE(RunUnix(root + "/scripts/pulse-capture-env route " + ProgramName() + " " + here + "/route.status"));
    if (WaitStatus("route.status", 20) != 0) {
        GTEST_SKIP() << "the capture does not record through PulseAudio";
    }
    Sleep(300);

    struct Row { const char* what; int hz; int seconds; bool fires; };
    const Row rows[] = {
        {"silence", 0, 1, false},
        {"1000 Hz in the band", 1000, 3, true},
        {"3000 Hz outside the band", 3000, 2, false},
        {"1100 Hz in the band", 1100, 2, true},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        Counts n;
        if (r.hz == 0) {
            n = AnalyseWhile(capture, rec, nullptr, r.seconds);
        } else {
            const std::string status = "tone" + std::to_string(i) + ".status";
            std::remove(status.c_str());
            ASSERT_TRUE(RunUnix(root + "/scripts/pulse-capture-env play " + std::to_string(r.hz) + " " +
                                std::to_string(r.seconds) + " " + here + "/" + status))
                << r.what;
            n = AnalyseWhile(capture, rec, status.c_str(), r.seconds + 10);
            EXPECT_EQ(0, WaitStatus(status.c_str(), 5)) << r.what << ": the tone did not play";
        }
        std::printf("%s: %d of %d passes found a tone\n", r.what, n.fired, n.passes);
        EXPECT_EQ(n.passes, n.analysed) << r.what << ": every pass analyses a frame";
        if (r.fires) {
            // Most passes fall inside the tone; allow for the start-up of the stream.
            EXPECT_GT(n.fired, n.passes / 4) << r.what << " fired " << n.fired << " of " << n.passes;
        } else {
            EXPECT_EQ(0, n.fired) << r.what << " fired " << n.fired << " of " << n.passes;
        }
        // Let the sink fall silent before the next row.
        AnalyseWhile(capture, rec, nullptr, 1);
    }
    // The sink goes; the server stays, as other sound tests may be using it.
    std::remove("release.status");
    RunUnix(root + "/scripts/pulse-capture-env release " + here + "/release.status");
    EXPECT_EQ(0, WaitStatus("release.status", 10));
}
