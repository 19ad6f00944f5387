// The station's receive side on a real sound input under Wine: the station
// captures from the default DirectSound device (PulseAudio's source, run by
// scripts/pulse-env); scripts/pulse-capture-env moves this program's
// recording stream to the monitor of a null sink of its own and plays a CW
// file into it. The text must come out on the receive panel with its word
// spaces. Skips without a PulseAudio server or a capture device.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/stationjournal.h"
#include "audio/capturesource.h"
#include "audio/vdwavecapture.h"
#include "tests/app/cwsignalkit.h"
#include "tests/app/stationkit.h"

namespace {

// Wine maps the Unix root to Z:.
std::string UnixPath(const std::wstring& w) {
    std::string out;
    for (size_t i = (w.size() > 1 && w[1] == L':') ? 2 : 0; i < w.size(); ++i) {
        out.push_back(w[i] == L'\\' ? '/' : static_cast<char>(w[i]));
    }
    return out;
}

std::string CurrentDir() {
    wchar_t dir[MAX_PATH];
    const DWORD len = GetCurrentDirectoryW(MAX_PATH, dir);
    return UnixPath(std::wstring(dir, len));
}

// Runs `sh -c "<script> <args> <cwd>/<status>"`; Wine cannot wait for a
// Unix child, so the script writes its exit code to the status file, whose
// value (or -1 after `seconds`; 0 at once when seconds is 0) is returned.
int RunScript(const std::string& script, const std::string& args, const char* status, int seconds) {
    std::remove(status);
    const std::string src(VARDO_SOURCE_DIR);
    const std::string line = "/bin/sh -c \"" + UnixPath(std::wstring(src.begin(), src.end())) + "/scripts/" + script +
                             " " + args + " " + CurrentDir() + "/" + status + "\"";
    std::wstring cmd(line.begin(), line.end());
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(L"/bin/sh", &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (seconds == 0) return 0;
    for (int i = 0; i < seconds * 20; Sleep(50), ++i) {
        int rc = -1;
        if (std::FILE* f = std::fopen(status, "r")) {
            const int got = std::fscanf(f, "%d", &rc);
            std::fclose(f);
            if (got == 1) return rc;
        }
    }
    return -1;
}

TEST(StationReceivePulse, CwPlayedIntoTheSoundInputDecodesWithWordSpaces) {
    if (RunScript("pulse-env", "start", "start.status", 30) != 0) GTEST_SKIP() << "no PulseAudio server";
    CStationRig rig(CStationRig::Tweak(), false);
    // The platform's own sound input instead of the rig's silent one.
    rig.Station().GetCapture()->SetCaptureSource(CreateDefaultCaptureSource(44100));
    rig.Station().Start();
    if (!rig.Station().GetCapture()->StartCapture()) GTEST_SKIP() << "DirectSound capture did not start";
    wchar_t exe[MAX_PATH];
    const std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
    const std::string name = UnixPath(path.substr(path.find_last_of(L"\\/") + 1));
    if (RunScript("pulse-capture-env", "route " + name, "route.status", 20) != 0) {
        GTEST_SKIP() << "the capture does not record through PulseAudio";
    }
    // The station's own default speed (80 ms dots, 15 WPM), 1000 Hz, -6 dBFS.
    const std::string file = "receive_cw.wav";
    {
        const std::string image = WavImage(KeyedCw("VVV PARIS CQ DE VARDO K", 15.0, 1000.0, 0.5));
        std::FILE* f = std::fopen(file.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::fwrite(image.data(), 1, image.size(), f);
        std::fclose(f);
    }
    ASSERT_EQ(0, RunScript("pulse-capture-env", "playfile " + CurrentDir() + "/" + file, "play.status", 60));
    CStationJournal* panel = rig.Station().GetReceivePanel();
    const std::string want = "PARIS CQ DE VARDO K";
    EXPECT_TRUE(CStationRig::WaitUntil([&] { return panel->GetDecodedText().find(want) != std::string::npos; }, 10000))
        << "decoded '" << panel->GetDecodedText() << "'";
    std::printf("decoded '%s'\n", panel->GetDecodedText().c_str());
    EXPECT_EQ(0, RunScript("pulse-capture-env", "release", "release.status", 10));
    std::remove(file.c_str());
}

}  // namespace
