// The streamed sidetone and the player's choice of output, on a fake
// endpoint paced like a device: the player streams when an endpoint opens
// and falls back to its looping-buffer output when none does; the tone
// reaches the endpoint and stops again; and every way a device can go
// (write refused, no buffer, failed wait, a new default output) ends in a
// reopening on the next endpoint while keying goes on without waiting.
#include "audio/sidetonestream.h"
#include "audio/tonenulloutput.h"
#include "audio/toneplayer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using ms = std::chrono::milliseconds;

// What the fake endpoints share with the test: one world per test.
struct tagFakeWorld {
    std::mutex mutex;
    int nFailOpens = 0;          // the next n Opens fail
    int nOpens = 0, nCloses = 0;
    bool bLoseWrite = false;     // Write fails
    bool bLoseBuffer = false;    // GetWritableFrames is negative
    bool bLoseWait = false;      // WaitForPeriod reports an error
    bool bNewDefault = false;    // the default output changed
    std::vector<int16_t> written;
} g_world;

void ResetWorld() {
    std::lock_guard<std::mutex> lock(g_world.mutex);
    g_world.nFailOpens = 0;
    g_world.nOpens = g_world.nCloses = 0;
    g_world.bLoseWrite = g_world.bLoseBuffer = g_world.bLoseWait = g_world.bNewDefault = false;
    g_world.written.clear();
}

class CFakeEndpoint : public IRenderEndpoint {
public:
    int Open() override {
        std::lock_guard<std::mutex> lock(g_world.mutex);
        if (g_world.nFailOpens > 0) {
            --g_world.nFailOpens;
            return 0;
        }
        ++g_world.nOpens;
        m_bOpen = true;
        return 1;
    }
    int32_t GetSampleRate() const override { return 44100; }
    uint32_t GetPeriodFrames() const override { return 441; }
    int WaitForPeriod(uint32_t) override {
        std::this_thread::sleep_for(ms(10));
        std::lock_guard<std::mutex> lock(g_world.mutex);
        return g_world.bLoseWait ? -1 : 1;
    }
    int32_t GetWritableFrames() override {
        std::lock_guard<std::mutex> lock(g_world.mutex);
        return g_world.bLoseBuffer ? -1 : 441;
    }
    int Write(const int16_t* samples, uint32_t frames) override {
        std::lock_guard<std::mutex> lock(g_world.mutex);
        if (g_world.bLoseWrite) {
            return 0;
        }
        g_world.written.insert(g_world.written.end(), samples, samples + frames);
        return 1;
    }
    bool DefaultChanged() override {
        std::lock_guard<std::mutex> lock(g_world.mutex);
        return g_world.bNewDefault;
    }
    void Close() override {
        if (m_bOpen) {
            std::lock_guard<std::mutex> lock(g_world.mutex);
            ++g_world.nCloses;
            m_bOpen = false;
        }
    }
    ~CFakeEndpoint() override { Close(); }

private:
    bool m_bOpen = false;
};

std::unique_ptr<IRenderEndpoint> MakeFake() { return std::make_unique<CFakeEndpoint>(); }

bool WaitUntil(const std::function<bool()>& done, ms limit = ms(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(ms(5));
    }
    return true;
}

// Samples written so far, and whether any since `from` is loud.
size_t WrittenCount() {
    std::lock_guard<std::mutex> lock(g_world.mutex);
    return g_world.written.size();
}

bool LoudSince(size_t from) {
    std::lock_guard<std::mutex> lock(g_world.mutex);
    for (size_t i = from; i < g_world.written.size(); ++i) {
        if (g_world.written[i] > 1000 || g_world.written[i] < -1000) {
            return true;
        }
    }
    return false;
}

// Whether the last n samples written are all silent.
bool SilentTail(size_t n) {
    std::lock_guard<std::mutex> lock(g_world.mutex);
    const std::vector<int16_t>& w = g_world.written;
    if (w.size() < n) {
        return false;
    }
    for (size_t i = w.size() - n; i < w.size(); ++i) {
        if (w[i] != 0) {
            return false;
        }
    }
    return true;
}

TEST(SidetoneStream, PlayerStreamsOrFallsBack) {
    struct tagRow {
        RenderEndpointFactory factory;
        int nFailOpens;
        bool bStreams;
    } const rows[] = {
        {MakeFake, 0, true},
        {MakeFake, 1, false},  // the endpoint does not open: looping buffer
        {nullptr, 0, false},   // no endpoint on this platform
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        ResetWorld();
        g_world.nFailOpens = rows[i].nFailOpens;
        auto null = std::make_unique<CToneNullOutput>();
        CToneNullOutput* out = null.get();
        CTonePlayer player(std::move(null), rows[i].factory);
        ASSERT_EQ(1, player.Init(nullptr)) << "row " << i;
        EXPECT_EQ(rows[i].bStreams, player.IsStreaming()) << "row " << i;
        EXPECT_EQ(!rows[i].bStreams, out->HasDevice()) << "row " << i << ": the looping output opened";
        EXPECT_EQ(1, player.ToneOn()) << "row " << i;
        EXPECT_EQ(!rows[i].bStreams, out->IsToneSounding()) << "row " << i;
        EXPECT_EQ(1, player.ToneOff()) << "row " << i;
    }
}

TEST(SidetoneStream, ToneReachesTheEndpointAndStops) {
    ResetWorld();
    CSidetoneStream stream(MakeFake);
    stream.SetFrequency(1000.0);
    stream.SetVolume(0.25);
    EXPECT_EQ(0, stream.ToneOn()) << "keying before Init does nothing";
    ASSERT_EQ(1, stream.Init(nullptr));
    // A new stream queues nothing before the first key-down.
    std::this_thread::sleep_for(ms(100));
    EXPECT_EQ(0u, WrittenCount()) << "silence was queued before the key";
    EXPECT_EQ(1, stream.ToneOn());
    ASSERT_TRUE(WaitUntil([] { return LoudSince(0); })) << "no tone after the key-down";
    EXPECT_EQ(1, stream.ToneOff());
    EXPECT_TRUE(WaitUntil([] { return SilentTail(441 * 2); })) << "the tone went on after the key-up";
    // Silence follows the tone for the quiet hold, then the stream runs dry.
    const size_t quietFrames = 44100u * CSidetoneStream::IDLE_QUIET_MS / 1000u;
    ASSERT_TRUE(WaitUntil([] { return SilentTail(44100u * CSidetoneStream::IDLE_QUIET_MS / 1000u); }));
    std::this_thread::sleep_for(ms(100));
    const size_t settled = WrittenCount();
    std::this_thread::sleep_for(ms(100));
    EXPECT_EQ(settled, WrittenCount()) << "silence was still written " << quietFrames << " frames after the tone";
}

TEST(SidetoneStream, LostDeviceIsReopened) {
    struct tagRow {
        const char* szWhat;
        bool tagFakeWorld::*pFlag;
        int nFailOpens;  // further openings that fail before one succeeds
    } const rows[] = {
        {"write refused", &tagFakeWorld::bLoseWrite, 0},
        {"no buffer", &tagFakeWorld::bLoseBuffer, 0},
        {"wait failed", &tagFakeWorld::bLoseWait, 2},
        {"new default output", &tagFakeWorld::bNewDefault, 0},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        ResetWorld();
        CSidetoneStream stream(MakeFake);
        ASSERT_EQ(1, stream.Init(nullptr)) << rows[i].szWhat;
        {
            std::lock_guard<std::mutex> lock(g_world.mutex);
            g_world.*rows[i].pFlag = true;
            g_world.nFailOpens = rows[i].nFailOpens;
        }
        // A tone makes the stream write, so that a refused write shows.
        stream.ToneOn();
        ASSERT_TRUE(WaitUntil([] {
            std::lock_guard<std::mutex> lock(g_world.mutex);
            return g_world.nCloses >= 1;
        })) << rows[i].szWhat << ": the endpoint was not closed";
        // Keying while the device is gone only queues.
        for (int k = 0; k < 50; ++k) {
            EXPECT_EQ(1, stream.ToneOn()) << rows[i].szWhat;
            EXPECT_EQ(1, stream.ToneOff()) << rows[i].szWhat;
        }
        {
            std::lock_guard<std::mutex> lock(g_world.mutex);
            g_world.*rows[i].pFlag = false;
        }
        ASSERT_TRUE(WaitUntil([&] { return stream.IsOpen() && stream.GetOpenCount() >= 2; }))
            << rows[i].szWhat << ": not reopened";
        EXPECT_GE(stream.GetOpenCount(), 2) << rows[i].szWhat;
        const size_t after = WrittenCount();
        stream.ToneOn();
        EXPECT_TRUE(WaitUntil([&] { return LoudSince(after); })) << rows[i].szWhat << ": no tone after reopening";
        stream.ToneOff();
    }
}

}  // namespace
