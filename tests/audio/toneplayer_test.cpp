// The sidetone player against the recording null output: the device calls
// of Init and keying in order, how far a failing Init gets, the three
// recoveries from a lost buffer, keying from several threads and the
// release order. A forwarding output lets the log outlive the player.
#include "audio/toneloop.h"
#include "audio/tonenulloutput.h"
#include "audio/toneplayer.h"

#include <gtest/gtest.h>

#include <atomic>
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
const int K = TONE_BUFFER_KEEPALIVE;
const int T = TONE_BUFFER_TONE;

std::unique_ptr<CTonePlayer> MakePlayer(CToneNullOutput* out, double hz, double volume) {
    auto player = std::make_unique<CTonePlayer>(std::make_unique<CForwardOutput>(out));
    player->SetFrequency(hz);
    player->SetVolume(volume);
    return player;
}

std::vector<int16_t> Expected(double hz, double volume) {
    std::vector<int16_t> s(static_cast<size_t>(ToneLoopBytes(ToneLoopBufferMs(hz)) / 2));
    for (size_t k = 0; k < s.size(); ++k) {
        s[k] = ToneSample(static_cast<int64_t>(k), hz, volume, TONE_SAMPLE_RATE);
    }
    return s;
}

struct tagCall {
    int nCall, nBuffer;
    int32_t nResult;
    uint32_t nBytes;
};

// The calls logged from index `from` on, against want.
void ExpectCalls(const CToneNullOutput& out, size_t from, const std::vector<tagCall>& want, const char* what) {
    const std::vector<tagToneCallRecord> got = out.Calls();
    ASSERT_EQ(want.size(), got.size() - from) << what;
    for (size_t i = 0; i < want.size(); ++i) {
        const tagToneCallRecord& g = got[from + i];
        EXPECT_EQ(want[i].nCall, g.nCall) << what << " row " << i;
        EXPECT_EQ(want[i].nBuffer, g.nBuffer) << what << " row " << i;
        EXPECT_EQ(want[i].nResult, g.nResult) << what << " row " << i;
        EXPECT_EQ(want[i].nBytes, g.nBytes) << what << " row " << i;
    }
}

TEST(TonePlayer, InitThenKeying) {
    CToneNullOutput out;
    auto player = MakePlayer(&out, 800.0, 0.25);
    EXPECT_EQ(0, player->ToneOn());  // no buffers yet: nothing reaches the device
    EXPECT_EQ(0, player->ToneOff());
    ASSERT_EQ(1, player->Init(kWindow));
    ExpectCalls(out, 0,
                {{TONE_CALL_CREATE_DEVICE, -1, TONE_OK, 0}, {TONE_CALL_SET_PRIORITY, -1, TONE_OK, 0},
                 {TONE_CALL_CREATE_BUFFER, K, TONE_OK, 8}, {TONE_CALL_PLAY, K, TONE_OK, 0},
                 {TONE_CALL_CREATE_BUFFER, T, TONE_OK, 11466}, {TONE_CALL_LOCK, T, TONE_OK, 11466},
                 {TONE_CALL_UNLOCK, T, TONE_OK, 11466}},
                "init");
    EXPECT_EQ(kWindow, out.PriorityWindow());
    EXPECT_EQ(std::vector<uint8_t>(8, 0), out.BufferBytes(K));
    EXPECT_EQ(Expected(800.0, 0.25), out.ToneSamples());
    EXPECT_TRUE(out.IsPlaying(K));
    EXPECT_FALSE(out.IsToneSounding());

    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(1, player->ToneOn());
    EXPECT_EQ(1, player->ToneOn());  // restarts from sample 0
    EXPECT_EQ(0u, out.PlayPosition(T));
    EXPECT_EQ(1, player->ToneOff());
    ExpectCalls(out, 7,
                {{TONE_CALL_REWIND, T, TONE_OK, 0}, {TONE_CALL_PLAY, T, TONE_OK, 0},
                 {TONE_CALL_REWIND, T, TONE_OK, 0}, {TONE_CALL_PLAY, T, TONE_OK, 0},
                 {TONE_CALL_STOP, T, TONE_OK, 0}},
                "keying");
    const std::vector<tagToneEvent> ev = out.Events();
    ASSERT_EQ(2u, ev.size());
    EXPECT_EQ(TONE_EVENT_ON, ev[0].nState);
    EXPECT_EQ(TONE_EVENT_OFF, ev[1].nState);
    EXPECT_LE(before, ev[0].tWhen);
    EXPECT_LE(ev[0].tWhen, ev[1].tWhen);

    // The same values change nothing; new ones mark the loop stale.
    player->SetFrequency(800.0);
    player->SetVolume(0.25);
    EXPECT_EQ(1, player->IsBufferCreated());
    EXPECT_EQ(1, player->IsBufferFilled());
    player->SetVolume(0.5);
    EXPECT_EQ(0, player->IsBufferFilled());
    player->SetFrequency(1000.0);
    EXPECT_EQ(0, player->IsBufferCreated());
    ASSERT_EQ(1, player->Init(kWindow));  // starts afresh with them
    EXPECT_EQ(Expected(1000.0, 0.5), out.ToneSamples());
}

// Each step of Init failing in turn (skip: calls of that kind let through
// first): the result, how far the flags got, and whether keying then
// reaches the tone buffer.
TEST(TonePlayer, InitFailuresStopWhereTheyHappen) {
    const struct {
        double hz;
        int call, skip, init, deviceReady, created, filled;
        bool keys;
    } rows[] = {
        {1000.0, TONE_CALL_CREATE_DEVICE, 0, 0, 0, 0, 0, false},
        {1000.0, TONE_CALL_SET_PRIORITY, 0, 0, 0, 0, 0, false},
        {1000.0, TONE_CALL_CREATE_BUFFER, 0, 0, 0, 0, 0, false},
        {1000.0, TONE_CALL_PLAY, 0, 1, 1, 1, 1, true},  // keep-alive not playing is passed over
        {1000.0, TONE_CALL_CREATE_BUFFER, 1, 0, 1, 0, 0, false},
        {1000.0, TONE_CALL_LOCK, 0, 0, 1, 1, 0, true},
        {1000.0, TONE_CALL_UNLOCK, 0, 0, 1, 1, 0, true},
        {0.0, TONE_CALL_COUNT, 0, 0, 1, 0, 0, false},  // no sane loop length: no tone buffer
        {2.0, TONE_CALL_COUNT, 0, 0, 1, 0, 0, false},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CToneNullOutput out;
        auto player = MakePlayer(&out, rows[i].hz, 0.25);
        out.FailNext(rows[i].call, TONE_E_FAIL, 1, rows[i].skip);
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

// A lost buffer at each of the three places: restored and tried once more;
// the tone is refilled (a restore leaves it scrambled) and sounds.
TEST(TonePlayer, LostBuffersAreRestored) {
    const uint32_t b = 8820;
    const struct {
        const char* what;
        int failCall;  // lost through an injected result, else by LoseBuffer after Init
        size_t from;
        std::vector<tagCall> calls;
    } rows[] = {
        {"keep-alive", TONE_CALL_PLAY, 3,
         {{TONE_CALL_PLAY, K, TONE_E_BUFFERLOST, 0}, {TONE_CALL_RESTORE, K, TONE_OK, 0},
          {TONE_CALL_PLAY, K, TONE_OK, 0}, {TONE_CALL_CREATE_BUFFER, T, TONE_OK, b},
          {TONE_CALL_LOCK, T, TONE_OK, b}, {TONE_CALL_UNLOCK, T, TONE_OK, b}}},
        {"lock", TONE_CALL_LOCK, 5,
         {{TONE_CALL_LOCK, T, TONE_E_BUFFERLOST, b}, {TONE_CALL_RESTORE, T, TONE_OK, 0},
          {TONE_CALL_LOCK, T, TONE_OK, 0}, {TONE_CALL_UNLOCK, T, TONE_OK, b}}},
        {"tone", TONE_CALL_COUNT, 7,
         {{TONE_CALL_REWIND, T, TONE_OK, 0}, {TONE_CALL_PLAY, T, TONE_E_BUFFERLOST, 0},
          {TONE_CALL_RESTORE, T, TONE_OK, 0}, {TONE_CALL_LOCK, T, TONE_OK, b},
          {TONE_CALL_UNLOCK, T, TONE_OK, b}, {TONE_CALL_PLAY, T, TONE_OK, 0}}},
    };
    for (const auto& row : rows) {
        CToneNullOutput out;
        auto player = MakePlayer(&out, 1000.0, 0.25);
        out.FailNext(row.failCall, TONE_E_BUFFERLOST);
        ASSERT_EQ(1, player->Init(kWindow)) << row.what;
        if (row.failCall == TONE_CALL_COUNT) {
            out.LoseBuffer(T);
            EXPECT_EQ(1, player->ToneOn()) << row.what;
            EXPECT_TRUE(out.IsToneSounding()) << row.what;
        }
        ExpectCalls(out, row.from, row.calls, row.what);
        EXPECT_TRUE(out.IsPlaying(K)) << row.what;
        EXPECT_EQ(Expected(1000.0, 0.25), out.ToneSamples()) << row.what;
    }
    // One that cannot be restored fails the key-down; the next one recovers.
    CToneNullOutput out;
    auto player = MakePlayer(&out, 700.0, 0.25);
    ASSERT_EQ(1, player->Init(kWindow));
    out.LoseBuffer(T);
    out.FailNext(TONE_CALL_RESTORE, TONE_E_FAIL, 2);
    EXPECT_EQ(0, player->ToneOn());
    EXPECT_EQ(0, player->IsBufferFilled());
    EXPECT_EQ(1, player->ToneOn());
    EXPECT_EQ(Expected(700.0, 0.25), out.ToneSamples());
}

// Window, sender and network threads key one tone at once while the buffer
// is lost now and then; then the player goes.
TEST(TonePlayer, KeyingFromSeveralThreadsThenRelease) {
    CToneNullOutput out;
    {
        auto player = MakePlayer(&out, 800.0, 0.25);
        ASSERT_EQ(1, player->Init(kWindow));
        std::atomic<int32_t> go{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t) {
            threads.emplace_back([&, t] {
                while (go.load() == 0) {
                }
                for (int i = 0; i < 300; ++i) {
                    if (t == 3) {
                        out.LoseBuffer(T);
                    } else {
                        player->ToneOn();
                        player->ToneOff();
                    }
                }
            });
        }
        go.store(1);
        for (std::thread& t : threads) {
            t.join();
        }
        EXPECT_EQ(1, player->ToneOn());
        EXPECT_EQ(Expected(800.0, 0.25), out.ToneSamples());
    }
    const std::vector<tagToneEvent> ev = out.Events();
    for (size_t i = 0; i < ev.size(); ++i) {
        EXPECT_EQ(i % 2 == 0 ? TONE_EVENT_ON : TONE_EVENT_OFF, ev[i].nState) << "event " << i;
    }
    EXPECT_EQ(TONE_EVENT_OFF, ev.back().nState);
    const size_t n = out.Calls().size();
    ExpectCalls(out, n - 3,
                {{TONE_CALL_RELEASE_BUFFER, T, TONE_OK, 0}, {TONE_CALL_RELEASE_BUFFER, K, TONE_OK, 0},
                 {TONE_CALL_RELEASE_DEVICE, -1, TONE_OK, 0}},
                "release");
    EXPECT_FALSE(out.HasDevice());
}

TEST(TonePlayer, InstalledFactoryGivesEveryPlayerANullOutput) {
    const ToneOutputFactory previous = SetToneOutputFactory(CreateToneNullOutput);
    CTonePlayer player;
    SetToneOutputFactory(previous);
    auto* out = dynamic_cast<CToneNullOutput*>(player.GetOutput());
    ASSERT_NE(nullptr, out);
    EXPECT_EQ(1000.0, player.GetFrequency());  // a new player's defaults
    EXPECT_EQ(1.0, player.GetVolume());
    ASSERT_EQ(1, player.Init(nullptr));
    player.ToneOn();
    EXPECT_TRUE(out->WaitForEvents(1, std::chrono::milliseconds(1000)));
    EXPECT_EQ(Expected(1000.0, 1.0), out->ToneSamples());
}

}  // namespace
