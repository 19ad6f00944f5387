// The player's choice of output on Windows: the shared-mode stream where
// it opens, DirectSound where it does not (an endpoint that fails, or the
// stream switched off with VARDO_SIDETONE=directsound), and the recording
// output whenever tests install one. Whether the machine has a sound
// device at all is taken from the outputs themselves, opened on their own.
#include "audio/renderendpoint.h"
#include "audio/tonenulloutput.h"
#include "audio/toneoutput.h"
#include "audio/toneplayer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <memory>

namespace {

class CFailingEndpoint : public IRenderEndpoint {
public:
    int Open() override { return 0; }
    int32_t GetSampleRate() const override { return 0; }
    uint32_t GetPeriodFrames() const override { return 0; }
    int WaitForPeriod(uint32_t) override { return -1; }
    int32_t GetWritableFrames() override { return -1; }
    int Write(const int16_t*, uint32_t) override { return 0; }
    bool DefaultChanged() override { return false; }
    void Close() override {}
};

std::unique_ptr<IRenderEndpoint> MakeFailing() { return std::make_unique<CFailingEndpoint>(); }

// Whether the platform's stream opens here, tried on its own.
bool StreamOpens() {
    std::unique_ptr<IRenderEndpoint> e = CreatePlatformRenderEndpoint();
    const bool ok = e && e->Open() != 0;
    if (e) {
        e->Close();
    }
    return ok;
}

// Whether DirectSound opens here, with a player that has no stream.
int DirectSoundInit(HWND window) {
    CTonePlayer player(CreatePlatformToneOutput(), nullptr);
    return player.Init(window);
}

class CEnvironment {
public:
    explicit CEnvironment(const char* value) { _putenv_s("VARDO_SIDETONE", value); }
    ~CEnvironment() { _putenv_s("VARDO_SIDETONE", ""); }
};

TEST(SidetoneFallback, OutputChosen) {
    HWND window = CreateWindowExW(0, L"STATIC", L"sidetone", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(nullptr, window);
    const bool stream = StreamOpens();
    const int directSound = DirectSoundInit(window);
    ASSERT_TRUE(HasPlatformRenderEndpoint());

    struct tagRow {
        const char* szWhat;
        const char* szEnv;          // VARDO_SIDETONE
        bool bFailingEndpoint;      // a player given endpoints that never open
        bool bRecordingInstalled;   // a test's output factory installed
        bool bStreams;              // expected
    } const rows[] = {
        {"default", "", false, false, stream},
        {"endpoint fails", "", true, false, false},
        {"switched off", "directsound", false, false, false},
        {"recording output installed", "", false, true, false},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        const tagRow& r = rows[i];
        CEnvironment env(r.szEnv);
        if (r.bRecordingInstalled) {
            SetToneOutputFactory(CreateToneNullOutput);
        }
        std::unique_ptr<CTonePlayer> player = r.bFailingEndpoint
                                                  ? std::make_unique<CTonePlayer>(CreatePlatformToneOutput(), MakeFailing)
                                                  : std::make_unique<CTonePlayer>();
        player->SetFrequency(1000.0);
        player->SetVolume(0.25);
        const int init = player->Init(window);
        SetToneOutputFactory(nullptr);
        EXPECT_EQ(r.bStreams, player->IsStreaming()) << "row " << i << " (" << r.szWhat << ")";
        const bool recording = dynamic_cast<CToneNullOutput*>(player->GetOutput()) != nullptr;
        EXPECT_EQ(r.bRecordingInstalled, recording) << "row " << i << " (" << r.szWhat << ")";
        // Without the stream the DirectSound player does what it does on
        // this machine alone; with it, Init and keying succeed.
        const int want = r.bStreams || r.bRecordingInstalled ? 1 : directSound;
        EXPECT_EQ(want, init) << "row " << i << " (" << r.szWhat << "): expected " << want << ", got " << init;
        EXPECT_EQ(want, player->ToneOn()) << "row " << i << " (" << r.szWhat << ")";
        EXPECT_EQ(want, player->ToneOff()) << "row " << i << " (" << r.szWhat << ")";
    }
    DestroyWindow(window);
}

}  // namespace
