// The capture on a real sound input under Wine: DirectSound capture opens
// PulseAudio's default source (scripts/pulse-env runs the server), then
// scripts/pulse-capture-env moves this program's recording stream to the
// monitor of a null sink of its own and plays sox tones into it, so other
// sound tests running meanwhile are neither heard nor disturbed. Tones in
// the band must be detected; silence and a tone outside it must not fire.
// Skips without a PulseAudio server (fails instead when the test run provides
// one, and when the capture does not start or record); a server it had to
// start stays for the other sound tests ("scripts/pulse-env stop" ends it).
#include <gtest/gtest.h>

#include "tests/common/hostscript_win32.h"

#include "tests/audio/capturetestkit.h"
#include "tests/audio/soundexpected.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "audio/vdwavecapture.h"

TEST(CapturePulse, ToneInTheBandIsDetectedAndNothingElseFires) {
    if (RunScript("pulse-env", "start", "start.status", 30) != 0) {
        if (SoundExpected()) FAIL() << "the test run's PulseAudio server with the null sink is not reachable";
        GTEST_SKIP() << "no PulseAudio server with the null sink";
    }
    CCaptureTestParent parent(false);
    CCwRecorder rec;
    CVdWaveCapture capture(&parent, VdRect{50, 10, 306, 58}, 44100, 512, &rec);
    capture.SetThreshold(0.3);
    // With the server there, a capture that does not start is a fault.
    ASSERT_TRUE(capture.StartCapture()) << "DirectSound capture did not start on the default device";
    wchar_t exe[MAX_PATH];
    const std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
    const std::string name = UnixPath(path.substr(path.find_last_of(L"\\/") + 1));
    ASSERT_EQ(0, RunScript("pulse-capture-env", "route " + name, "route.status", 20))
        << "the capture's stream could not be routed to the null sink's monitor";
    const int rows[][3] = {{0, 1, 0}, {1000, 3, 1}, {3000, 2, 0}, {1100, 2, 1}};  // Hz (0 silence), s, fires
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::string status = "tone" + std::to_string(i) + ".status";
        if (rows[i][0]) {
            ASSERT_EQ(0, RunScript("pulse-capture-env", "play " + std::to_string(rows[i][0]) + " " +
                                   std::to_string(rows[i][1]), status.c_str(), 0));
        }
        int passes = 0, analysed = 0, fired = 0;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(rows[i][1] + (rows[i][0] ? 10 : 0));
        for (std::FILE* f = nullptr; std::chrono::steady_clock::now() < end; Sleep(20)) {
            const size_t before = rec.states.size();
            analysed += capture.Analyse();
            ++passes;
            fired += rec.states.size() > before ? rec.states.back() : 0;
            if (rows[i][0] && (f = std::fopen(status.c_str(), "r")) != nullptr) {
                std::fclose(f);
                break;
            }
        }
        std::printf("%d Hz: %d of %d passes found a tone\n", rows[i][0], fired, passes);
        EXPECT_EQ(passes, analysed) << "row " << i << ": every pass analyses a frame";
        if (rows[i][2]) {
            EXPECT_GT(fired, passes / 4) << "row " << i;  // allow for the stream's start
        } else {
            EXPECT_EQ(0, fired) << "row " << i;
        }
        Sleep(1000);  // the sink falls silent before the next row
    }
    EXPECT_EQ(0, RunScript("pulse-capture-env", "release", "release.status", 10));
}
