// The sidetone player against the recording null output: what Init asks of
// the device and in which order, how far a failing Init gets, the three
// recoveries from a lost buffer, keying from several threads, and the
// release order. The test owns the null output through a forwarding
// output, so the log outlives the player.
#include "audio/toneloop.h"
#include "audio/tonenulloutput.h"
#include "audio/toneplayer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace {

class CForwardOutput : public IToneOutput {
public:
    explicit CForwardOutput(CToneNullOutput* target) : m_p(target) {}
    int32_t CreateDevice() override { return m_p->CreateDevice(); }
    int32_t SetPriority(void* w) override { return m_p->SetPriority(w); }
    int32_t CreateBuffer(int b, uint32_t n) override { return m_p->CreateBuffer(b, n); }
    bool HasBuffer(int b) const override { return m_p->HasBuffer(b); }
    int32_t Play(int b) override { return m_p->Play(b); }
    int32_t Rewind(int b) override { return m_p->Rewind(b); }
    int32_t Stop(int b) override { return m_p->Stop(b); }
    int32_t Restore(int b) override { return m_p->Restore(b); }
    int32_t Lock(int b, uint32_t n, bool e, void** d, uint32_t* l) override { return m_p->Lock(b, n, e, d, l); }
    int32_t Unlock(int b, void* d, uint32_t l) override { return m_p->Unlock(b, d, l); }
    void ReleaseBuffer(int b) override { m_p->ReleaseBuffer(b); }
    void ReleaseDevice() override { m_p->ReleaseDevice(); }

private:
    CToneNullOutput* m_p;
};

void* const kWindow = reinterpret_cast<void*>(static_cast<uintptr_t>(0x1234));

std::unique_ptr<CTonePlayer> MakePlayer(CToneNullOutput* out, double hz, double volume) {
    auto player = std::make_unique<CTonePlayer>(std::make_unique<CForwardOutput>(out));
    player->SetFrequency(hz);
    player->SetVolume(volume);
    return player;
}

std::vector<int16_t> Expected(double hz, double volume) {
    const int32_t bytes = ToneLoopBytes(ToneLoopBufferMs(hz));
    std::vector<uint8_t> raw(static_cast<size_t>(bytes));
    FillToneSamples(raw.data(), bytes, hz, volume, TONE_SAMPLE_RATE);
    std::vector<int16_t> s(raw.size() / 2);
    for (size_t k = 0; k < s.size(); ++k) {
        s[k] = static_cast<int16_t>(static_cast<uint16_t>(raw[2 * k] | (raw[2 * k + 1] << 8)));
    }
    return s;
}

struct tagCall {
    int nCall;
    int nBuffer;
    int32_t nResult;
};

void ExpectCalls(const std::vector<tagToneCallRecord>& got, size_t from, const std::vector<tagCall>& want,
                 const char* what) {
    ASSERT_EQ(want.size(), got.size() - from) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        const tagToneCallRecord& g = got[from + i];
        EXPECT_EQ(want[i].nCall, g.nCall) << what << " row " << i;
        EXPECT_EQ(want[i].nBuffer, g.nBuffer) << what << " row " << i;
        EXPECT_EQ(want[i].nResult, g.nResult) << what << " row " << i;
    }
}

const int K = TONE_BUFFER_KEEPALIVE;
const int T = TONE_BUFFER_TONE;

TEST(TonePlayer, NewPlayerStandsAt1000HzFullVolume) {
    CToneNullOutput out;
    CTonePlayer player(std::make_unique<CForwardOutput>(&out));
    EXPECT_EQ(1000.0, player.GetFrequency());
    EXPECT_EQ(1.0, player.GetVolume());
    EXPECT_EQ(100.0, player.GetBufferMs());
    EXPECT_EQ(8820, player.GetBufferBytes());
    // Keying before Init does nothing and touches no device.
    EXPECT_EQ(0, player.ToneOn());
    EXPECT_EQ(0, player.ToneOff());
    EXPECT_TRUE(out.Calls().empty());
}

TEST(TonePlayer, InitOpensDeviceStartsKeepAliveAndFillsTheLoop) {
    CToneNullOutput out;
    auto player = MakePlayer(&out, 800.0, 0.25);
    ASSERT_EQ(1, player->Init(kWindow));
    ExpectCalls(out.Calls(), 0,
                {{TONE_CALL_CREATE_DEVICE, -1, TONE_OK},
                 {TONE_CALL_SET_PRIORITY, -1, TONE_OK},
                 {TONE_CALL_CREATE_BUFFER, K, TONE_OK},
                 {TONE_CALL_PLAY, K, TONE_OK},
                 {TONE_CALL_CREATE_BUFFER, T, TONE_OK},
                 {TONE_CALL_LOCK, T, TONE_OK},
                 {TONE_CALL_UNLOCK, T, TONE_OK}},
                "init");
    const std::vector<tagToneCallRecord> calls = out.Calls();
    EXPECT_EQ(8u, calls[2].nBytes);
    EXPECT_EQ(11466u, calls[4].nBytes);
    EXPECT_EQ(11466u, calls[5].nBytes);
    EXPECT_EQ(0u, calls[5].nFlags);
    EXPECT_EQ(kWindow, out.PriorityWindow());
    EXPECT_TRUE(out.IsPlaying(K));
    EXPECT_FALSE(out.IsToneSounding());
    EXPECT_EQ(0u, out.EventCount());
    EXPECT_EQ(std::vector<uint8_t>(8, 0), out.BufferBytes(K));
    EXPECT_EQ(Expected(800.0, 0.25), out.ToneSamples());
    EXPECT_EQ(1, player->IsDeviceReady());
    EXPECT_EQ(1, player->IsBufferCreated());
    EXPECT_EQ(1, player->IsBufferFilled());
}

TEST(TonePlayer, KeyingRewindsPlaysAndStops) {
    CToneNullOutput out;
    auto player = MakePlayer(&out, 1000.0, 0.25);
    ASSERT_EQ(1, player->Init(kWindow));
    const size_t start = out.Calls().size();
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(1, player->ToneOn());
    EXPECT_TRUE(out.IsToneSounding());
    // A second key-down restarts the loop from sample 0.
    EXPECT_EQ(1, player->ToneOn());
    EXPECT_EQ(0u, out.PlayPosition(T));
    EXPECT_EQ(1, player->ToneOff());
    EXPECT_EQ(1, player->ToneOff());
    const auto after = std::chrono::steady_clock::now();
    ExpectCalls(out.Calls(), start,
                {{TONE_CALL_REWIND, T, TONE_OK},
                 {TONE_CALL_PLAY, T, TONE_OK},
                 {TONE_CALL_REWIND, T, TONE_OK},
                 {TONE_CALL_PLAY, T, TONE_OK},
                 {TONE_CALL_STOP, T, TONE_OK},
                 {TONE_CALL_STOP, T, TONE_OK}},
                "keying");
    const std::vector<tagToneEvent> ev = out.Events();
    ASSERT_EQ(2u, ev.size());
    EXPECT_EQ(TONE_EVENT_ON, ev[0].nState);
    EXPECT_EQ(TONE_EVENT_OFF, ev[1].nState);
    EXPECT_LE(before, ev[0].tWhen);
    EXPECT_LE(ev[0].tWhen, ev[1].tWhen);
    EXPECT_LE(ev[1].tWhen, after);
    EXPECT_TRUE(out.IsPlaying(K));
}

// Each step of Init failing in turn: the result, how far the flags got, and
// whether keying then reaches the tone buffer.
TEST(TonePlayer, InitFailuresStopWhereTheyHappen) {
    const struct {
        int call;
        int skip;
        int32_t result;
        int init, deviceReady, created, filled;
        bool keys;
    } rows[] = {
        {TONE_CALL_CREATE_DEVICE, 0, TONE_E_FAIL, 0, 0, 0, 0, false},
        {TONE_CALL_SET_PRIORITY, 0, TONE_E_FAIL, 0, 0, 0, 0, false},
        {TONE_CALL_CREATE_BUFFER, 0, TONE_E_FAIL, 0, 0, 0, 0, false},
        // The keep-alive loop not starting is passed over.
        {TONE_CALL_PLAY, 0, TONE_E_FAIL, 1, 1, 1, 1, true},
        {TONE_CALL_CREATE_BUFFER, 1, TONE_E_FAIL, 0, 1, 0, 0, false},
        {TONE_CALL_LOCK, 0, TONE_E_FAIL, 0, 1, 1, 0, true},
        {TONE_CALL_UNLOCK, 0, TONE_E_FAIL, 0, 1, 1, 0, true},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CToneNullOutput out;
        auto player = MakePlayer(&out, 1000.0, 0.25);
        out.FailNext(rows[i].call, rows[i].result, 1, rows[i].skip);
        EXPECT_EQ(rows[i].init, player->Init(kWindow)) << "row " << i;
        EXPECT_EQ(rows[i].deviceReady, player->IsDeviceReady()) << "row " << i;
        EXPECT_EQ(rows[i].created, player->IsBufferCreated()) << "row " << i;
        EXPECT_EQ(rows[i].filled, player->IsBufferFilled()) << "row " << i;
        const size_t before = out.Calls().size();
        EXPECT_EQ(rows[i].keys ? 1 : 0, player->ToneOn()) << "row " << i;
        EXPECT_EQ(rows[i].keys ? 1 : 0, player->ToneOff()) << "row " << i;
        EXPECT_EQ(rows[i].keys ? 3u : 0u, out.Calls().size() - before) << "row " << i;
    }
}

TEST(TonePlayer, LostKeepAliveIsRestoredAndStarted) {
    CToneNullOutput out;
    auto player = MakePlayer(&out, 1000.0, 0.25);
    out.FailNext(TONE_CALL_PLAY, TONE_E_BUFFERLOST);
    ASSERT_EQ(1, player->Init(kWindow));
    ExpectCalls(out.Calls(), 3,
                {{TONE_CALL_PLAY, K, TONE_E_BUFFERLOST},
                 {TONE_CALL_RESTORE, K, TONE_OK},
                 {TONE_CALL_PLAY, K, TONE_OK},
                 {TONE_CALL_CREATE_BUFFER, T, TONE_OK},
                 {TONE_CALL_LOCK, T, TONE_OK},
                 {TONE_CALL_UNLOCK, T, TONE_OK}},
                "keep-alive");
    EXPECT_TRUE(out.IsPlaying(K));
}

TEST(TonePlayer, LostLockIsRestoredAndLockedWhole) {
    CToneNullOutput out;
    auto player = MakePlayer(&out, 440.0, 0.25);
    out.FailNext(TONE_CALL_LOCK, TONE_E_BUFFERLOST);
    ASSERT_EQ(1, player->Init(kWindow));
    ExpectCalls(out.Calls(), 5,
                {{TONE_CALL_LOCK, T, TONE_E_BUFFERLOST},
                 {TONE_CALL_RESTORE, T, TONE_OK},
                 {TONE_CALL_LOCK, T, TONE_OK},
                 {TONE_CALL_UNLOCK, T, TONE_OK}},
                "lock");
    EXPECT_EQ(1u, out.Calls()[7].nFlags);
    EXPECT_EQ(Expected(440.0, 0.25), out.ToneSamples());
    EXPECT_EQ(1, player->IsBufferFilled());
}

TEST(TonePlayer, LostToneIsRestoredRefilledAndStarted) {
    CToneNullOutput out;
    auto player = MakePlayer(&out, 700.0, 0.25);
    ASSERT_EQ(1, player->Init(kWindow));
    out.LoseBuffer(T);
    const size_t start = out.Calls().size();
    EXPECT_EQ(1, player->ToneOn());
    ExpectCalls(out.Calls(), start,
                {{TONE_CALL_REWIND, T, TONE_OK},
                 {TONE_CALL_PLAY, T, TONE_E_BUFFERLOST},
                 {TONE_CALL_RESTORE, T, TONE_OK},
                 {TONE_CALL_LOCK, T, TONE_OK},
                 {TONE_CALL_UNLOCK, T, TONE_OK},
                 {TONE_CALL_PLAY, T, TONE_OK}},
                "tone");
    // The restore scrambled the buffer; the refill put the tone back.
    EXPECT_EQ(Expected(700.0, 0.25), out.ToneSamples());
    EXPECT_TRUE(out.IsToneSounding());

    // A buffer that cannot be restored: the key-down fails, nothing breaks,
    // and the next one recovers.
    out.LoseBuffer(T);
    out.FailNext(TONE_CALL_RESTORE, TONE_E_FAIL, 2);
    EXPECT_EQ(0, player->ToneOn());
    EXPECT_EQ(0, player->IsBufferFilled());
    EXPECT_FALSE(out.IsToneSounding());
    EXPECT_EQ(1, player->ToneOn());
    EXPECT_EQ(1, player->IsBufferFilled());
    EXPECT_EQ(Expected(700.0, 0.25), out.ToneSamples());
}

TEST(TonePlayer, SettingTheSameValueChangesNothing) {
    CToneNullOutput out;
    auto player = MakePlayer(&out, 800.0, 0.25);
    ASSERT_EQ(1, player->Init(kWindow));
    player->SetFrequency(800.0);
    player->SetVolume(0.25);
    EXPECT_EQ(1, player->IsBufferCreated());
    EXPECT_EQ(1, player->IsBufferFilled());
    EXPECT_EQ(11466, player->GetBufferBytes());
    player->SetVolume(0.5);
    EXPECT_EQ(0, player->IsBufferFilled());
    EXPECT_EQ(1, player->IsBufferCreated());
    player->SetFrequency(1000.0);
    EXPECT_EQ(0, player->IsBufferCreated());
    EXPECT_EQ(8820, player->GetBufferBytes());
    // The new values take effect at the next Init, which starts afresh.
    ASSERT_EQ(1, player->Init(kWindow));
    EXPECT_EQ(8820u, out.BufferSize(T));
    EXPECT_EQ(Expected(1000.0, 0.5), out.ToneSamples());
    EXPECT_TRUE(out.IsPlaying(K));
}

TEST(TonePlayer, FrequencyWithoutASaneLoopGetsNoToneBuffer) {
    const double rows[] = {0.0, -1000.0, 2.0};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CToneNullOutput out;
        auto player = MakePlayer(&out, rows[i], 0.25);
        EXPECT_EQ(0, player->Init(kWindow)) << "row " << i;
        EXPECT_EQ(1, player->IsDeviceReady()) << "row " << i;
        EXPECT_FALSE(out.HasBuffer(T)) << "row " << i;
        EXPECT_EQ(0, player->ToneOn()) << "row " << i;
        EXPECT_EQ(0, player->ToneOff()) << "row " << i;
    }
}

TEST(TonePlayer, DestructionReleasesToneThenKeepAliveThenDevice) {
    CToneNullOutput out;
    {
        auto player = MakePlayer(&out, 1000.0, 0.25);
        ASSERT_EQ(1, player->Init(kWindow));
        player->ToneOn();
    }
    const std::vector<tagToneCallRecord> calls = out.Calls();
    ASSERT_GE(calls.size(), 3u);
    ExpectCalls(calls, calls.size() - 3,
                {{TONE_CALL_RELEASE_BUFFER, T, TONE_OK},
                 {TONE_CALL_RELEASE_BUFFER, K, TONE_OK},
                 {TONE_CALL_RELEASE_DEVICE, -1, TONE_OK}},
                "release");
    EXPECT_FALSE(out.HasDevice());
    EXPECT_FALSE(out.IsPlaying(K));
    const std::vector<tagToneEvent> ev = out.Events();
    ASSERT_EQ(2u, ev.size());
    EXPECT_EQ(TONE_EVENT_OFF, ev[1].nState);
}

// Window, sender and network threads key one tone at once while the buffer
// is lost now and then.
TEST(TonePlayer, KeyingFromSeveralThreads) {
    CToneNullOutput out;
    auto player = MakePlayer(&out, 800.0, 0.25);
    ASSERT_EQ(1, player->Init(kWindow));
    std::atomic<int32_t> go{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&] {
            while (go.load() == 0) {
            }
            for (int i = 0; i < 300; ++i) {
                player->ToneOn();
                player->ToneOff();
            }
        });
    }
    threads.emplace_back([&] {
        while (go.load() == 0) {
        }
        for (int i = 0; i < 30; ++i) {
            out.LoseBuffer(T);
            std::this_thread::yield();
        }
    });
    go.store(1);
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(1, player->ToneOn());
    EXPECT_EQ(1, player->ToneOff());
    const std::vector<tagToneEvent> ev = out.Events();
    ASSERT_FALSE(ev.empty());
    for (size_t i = 0; i < ev.size(); ++i) {
        EXPECT_EQ(i % 2 == 0 ? TONE_EVENT_ON : TONE_EVENT_OFF, ev[i].nState) << "event " << i;
        if (i > 0) {
            EXPECT_LE(ev[i - 1].tWhen, ev[i].tWhen) << "event " << i;
        }
    }
    EXPECT_EQ(Expected(800.0, 0.25), out.ToneSamples());
}

TEST(TonePlayer, InstalledFactoryGivesEveryPlayerANullOutput) {
    const ToneOutputFactory previous = SetToneOutputFactory(CreateToneNullOutput);
    {
        CTonePlayer player;
        auto* out = dynamic_cast<CToneNullOutput*>(player.GetOutput());
        ASSERT_NE(nullptr, out);
        ASSERT_EQ(1, player.Init(nullptr));
        player.ToneOn();
        EXPECT_TRUE(out->WaitForEvents(1, std::chrono::milliseconds(1000)));
        EXPECT_TRUE(out->IsToneSounding());
    }
    SetToneOutputFactory(previous);
}

}  // namespace
