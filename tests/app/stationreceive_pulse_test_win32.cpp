// The station's receive side on a real sound input under Wine: the station
// captures from the default DirectSound device (PulseAudio's source, run by
// scripts/pulse-env); scripts/pulse-capture-env moves this program's
// recording stream to the monitor of a null sink of its own and plays a CW
// file into it. The text must come out on the receive panel with its word
// spaces. Skips without a PulseAudio server, unless the test run provides
// one; then a capture that does not start or record fails.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/common/hostscript_win32.h"

#include <cstdio>
#include <string>

#include "app/stationjournal.h"
#include "audio/capturesource.h"
#include "audio/vdwavecapture.h"
#include "tests/app/cwsignalkit.h"
#include "tests/app/stationkit.h"
#include "tests/audio/soundexpected.h"

namespace {

TEST(StationReceivePulse, CwPlayedIntoTheSoundInputDecodesWithWordSpaces) {
    if (RunScript("pulse-env", "start", "start.status", 30) != 0) {
        if (SoundExpected()) FAIL() << "the test run's PulseAudio server is not reachable";
        GTEST_SKIP() << "no PulseAudio server";
    }
    CStationRig rig(CStationRig::Tweak(), false);
    // The platform's own sound input instead of the rig's silent one.
    rig.Station().GetCapture()->SetCaptureSource(CreateDefaultCaptureSource(44100));
    rig.Station().Start();
    // With the server there, a capture that does not start is a fault.
    ASSERT_TRUE(rig.Station().GetCapture()->StartCapture()) << "DirectSound capture did not start";
    wchar_t exe[MAX_PATH];
    const std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
    const std::string name = UnixPath(path.substr(path.find_last_of(L"\\/") + 1));
    ASSERT_EQ(0, RunScript("pulse-capture-env", "route " + name, "route.status", 20))
        << "the capture's stream could not be routed to the null sink's monitor";
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
    // The wait ends as soon as the text is there; a busy host decides
    // the held first reading late.
    EXPECT_TRUE(CStationRig::WaitUntil([&] { return panel->GetDecodedText().find(want) != std::string::npos; }, 60000))
        << "decoded '" << panel->GetDecodedText() << "'";
    std::printf("decoded '%s'\n", panel->GetDecodedText().c_str());
    EXPECT_EQ(0, RunScript("pulse-capture-env", "release", "release.status", 10));
    std::remove(file.c_str());
}

}  // namespace
