// The station under a flood of datagrams on its port: random bytes of
// random lengths (0 to 200, so some exceed the receive buffer), frames that
// are nearly valid and valid key frames, from two threads. Meanwhile its
// dispatcher still keys by hand, its sender still reaches the peer, and the
// link still follows a peer's keying; memory stays flat from one flood round
// to the next, and the station shuts down in bounded time while flooded.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "net/keyframe.h"
#include "net/networklink.h"
#include "tests/app/robustkit.h"
#include "tests/app/stationkit.h"

namespace {

constexpr int FLOOD_THREADS = 2;
constexpr int FLOOD_MS = 2000;
// Per thread and round, so the flood ends by itself however fast it runs.
constexpr long FLOOD_MAX_DATAGRAMS = 400000;

constexpr int FLOOD_MAX_LENGTH = 200;

// One datagram of the flood, chosen by the generator, written into d; its
// length. No allocation: the flood itself must not move the memory figures.
int FloodDatagram(std::mt19937& rng, uint8_t d[FLOOD_MAX_LENGTH]) {
    const unsigned kind = rng() % 8;
    if (kind < 2) {
        BuildKeyFrame(tagKeyRecord{static_cast<uint32_t>(rng() & 1u), 0}, d);
        return KEY_FRAME_SIZE;
    }
    if (kind == 2) {
        // A key frame with the invalid flag, or cut short.
        BuildKeyFrame(tagKeyRecord{1, 0}, d);
        if (rng() & 1u) {
            d[3] |= 0x80;
            return KEY_FRAME_SIZE;
        }
        return static_cast<int>(rng() % KEY_FRAME_SIZE);
    }
    const int n = static_cast<int>(rng() % (FLOOD_MAX_LENGTH + 1));
    for (int i = 0; i < n; ++i) {
        d[i] = static_cast<uint8_t>(rng());
    }
    if (kind == 3 && n >= 2) {
        d[0] = 'V';
        d[1] = 'D';
    }
    return n;
}

class CFlood {
public:
    explicit CFlood(uint16_t port) : m_nPort(port) {
        for (int t = 0; t < FLOOD_THREADS; ++t) {
            m_threads.emplace_back([this, t] { Run(static_cast<unsigned>(t)); });
        }
    }
    ~CFlood() { Stop(); }
    // Waits for the flood to end by itself.
    void Join() {
        for (std::thread& t : m_threads) {
            if (t.joinable()) t.join();
        }
    }
    void Stop() {
        m_bStop.store(1);
        for (std::thread& t : m_threads) {
            if (t.joinable()) t.join();
        }
    }
    long Sent() const { return m_nSent.load(); }

private:
    void Run(unsigned seed) {
        CDatagramSender sender;
        std::mt19937 rng(1234u + seed * 7919u + static_cast<unsigned>(m_nRound++));
        const auto end = TestClock::now() + std::chrono::milliseconds(FLOOD_MS);
        for (long n = 0; n < FLOOD_MAX_DATAGRAMS && !m_bStop.load() && TestClock::now() < end; ++n) {
            uint8_t d[FLOOD_MAX_LENGTH];
            const int length = FloodDatagram(rng, d);
            if (sender.Send(m_nPort, d, length)) {
                m_nSent.fetch_add(1);
            } else if ((n & 63) == 0) {
                // A full socket buffer: give the receiver a moment.
                std::this_thread::yield();
            }
        }
    }

    uint16_t m_nPort;
    std::atomic<int32_t> m_bStop{0};
    std::atomic<long> m_nSent{0};
    std::atomic<int> m_nRound{0};
    std::vector<std::thread> m_threads;
};

void ToPeer(CVardoSetting& s, uint16_t port) {
    s.nwenabled = 1;
    s.localport = 0;
    tagHostNode node{};
    std::snprintf(node.host, sizeof node.host, "127.0.0.1");
    std::snprintf(node.port, sizeof node.port, "%u", static_cast<unsigned>(port));
    s.hosts.assign(1, node);
}

// Key-down frames followed by a key-up, counted from index from.
bool PeerHeardElement(const CLoopbackPeer& peer, size_t from) {
    const std::vector<tagPeerFrame> f = peer.Frames();
    bool down = false;
    for (size_t i = from; i < f.size(); ++i) {
        if (f[i].nKey & 1u) {
            down = true;
        } else if (down) {
            return true;
        }
    }
    return false;
}

// One round: flood for FLOOD_MS while the station keys by hand and from the
// queue; both must reach the peer.
void FloodRound(CStationRig& rig, CLoopbackPeer& peer, int round) {
    SCOPED_TRACE("round " + std::to_string(round));
    CWatchdog watchdog("flood round " + std::to_string(round), ROBUST_BOUND_MS * 2);
    const uint16_t port = rig.Station().GetNetworkLink()->GetBoundPort();
    CFlood flood(port);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

    size_t mark = peer.FrameCount();
    EXPECT_NE(0, rig.KeyDown(VD_VK_RETURN));
    EXPECT_EQ(1, rig.Station().IsKeyDown());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    rig.KeyUp(VD_VK_RETURN);
    EXPECT_EQ(0, rig.Station().IsKeyDown());
    EXPECT_TRUE(CStationRig::WaitUntil([&] { return PeerHeardElement(peer, mark); }, ROBUST_BOUND_MS))
        << "hand keying did not reach the peer";

    mark = peer.FrameCount();
    rig.Station().EnqueueText("E", 1, 0);
    EXPECT_TRUE(CStationRig::WaitUntil([&] { return PeerHeardElement(peer, mark); }, ROBUST_BOUND_MS))
        << "the queue's E did not reach the peer";
    EXPECT_TRUE(rig.WaitUntilSent(ROBUST_BOUND_MS));
    flood.Join();
    EXPECT_GT(flood.Sent(), 0);

    // After the flood the link still follows a peer's keying exactly.
    CDatagramSender remote;
    for (uint32_t down : {1u, 0u}) {
        EXPECT_TRUE(CStationRig::WaitUntil(
            [&] {
                remote.SendKey(port, down);
                return rig.Station().IsRemoteKeyDown() == static_cast<int32_t>(down);
            },
            ROBUST_BOUND_MS))
            << "remote state " << down;
    }
    // The recording sidetone logs every remote transition; empty the log so
    // that only the station's own memory is compared between rounds.
    rig.Tone()->ClearLog();
}

}  // namespace

TEST(RobustNetwork, FloodedStationStaysResponsiveFlatAndStops) {
    CLoopbackPeer peer;
    ASSERT_TRUE(peer.IsOpen());
    std::unique_ptr<CStationRig> rig(new CStationRig([&](CVardoSetting& s) {
        ToPeer(s, peer.Port());
        s.sendperiod = 20;
    }));
    ASSERT_EQ(1, rig->Station().EnableNetwork());
    const uint16_t port = rig->Station().GetNetworkLink()->GetBoundPort();
    ASSERT_NE(0, port);

    FloodRound(*rig, peer, 1);
    const tagProcessCounts after1 = ReadProcessCounts();
    FloodRound(*rig, peer, 2);
    FloodRound(*rig, peer, 3);
    const tagProcessCounts after3 = ReadProcessCounts();
    if (after1.rssKb > 0 && after3.rssKb > 0) {
        // Two more rounds of some hundred thousand datagrams each: a cost
        // per datagram would show as megabytes.
        EXPECT_LT(after3.rssKb - after1.rssKb, 16 * 1024)
            << "resident memory grew from " << after1.rssKb << " kB to " << after3.rssKb << " kB";
    }
    EXPECT_EQ(after1.threads, after3.threads);

    // Shut down while flooded: the receiver ends although datagrams keep
    // coming, and the last frame the peer heard is a key-up.
    CFlood flood(port);
    rig->Station().EnqueueText("EEEEE", 5, 0);
    ASSERT_TRUE(CStationRig::WaitUntil([&] { return rig->Station().IsKeyDown() == 1; }, ROBUST_BOUND_MS));
    {
        CWatchdog watchdog("flooded station shutdown", ROBUST_BOUND_MS);
        rig.reset();
    }
    flood.Stop();
    ASSERT_TRUE(CStationRig::WaitUntil([&] { return !peer.Frames().empty() && (peer.Frames().back().nKey & 1u) == 0; },
                                       2000))
        << "the peer was left keyed";
}

// A station that closes queues its last key-up just before its link stops:
// whatever was queued when Stop is called still reaches the peer, in order.
TEST(RobustNetwork, RecordsQueuedBeforeTheLinkStopsReachThePeer) {
    const int counts[] = {1, 2, 10, CNetworkLink::QUEUE_SLOTS - 1};
    for (size_t i = 0; i < sizeof(counts) / sizeof(counts[0]); ++i) {
        CLoopbackPeer peer;
        ASSERT_TRUE(peer.IsOpen()) << "row " << i;
        CNetworkLink link;
        tagPeerNode node{LoopbackAddress(), peer.Port(), nullptr};
        ASSERT_EQ(1, link.AddPeer(node)) << "row " << i;
        ASSERT_EQ(1, link.Start(0)) << "row " << i;
        // Key down first, key up last.
        for (int k = 0; k < counts[i]; ++k) {
            EXPECT_EQ(1, link.Send(tagKeyRecord{k + 1 < counts[i] ? static_cast<uint32_t>((k + 1) & 1) : 0u, 0}))
                << "row " << i << " record " << k;
        }
        {
            CWatchdog watchdog("link stop", ROBUST_BOUND_MS);
            link.Stop();
        }
        EXPECT_TRUE(peer.WaitForFrames(static_cast<size_t>(counts[i]), 2000))
            << "row " << i << ": " << peer.FrameCount() << " of " << counts[i] << " records arrived";
        const std::vector<tagPeerFrame> frames = peer.Frames();
        for (size_t k = 0; k < frames.size(); ++k) {
            const uint32_t want = k + 1 < static_cast<size_t>(counts[i]) ? static_cast<uint32_t>((k + 1) & 1) : 0u;
            EXPECT_EQ(want, frames[k].nKey) << "row " << i << " frame " << k;
        }
    }
}
