// Two producers feeding one link at once, as the window thread and the
// automatic sender do: every record the ring accepts is sent exactly once,
// in each producer's order, and refused ones are never sent.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include "loopbackpeer.h"

namespace {

struct Producers {
    // Key words carry the producer in the top byte, a sequence number below.
    std::vector<uint32_t> accepted[2];
    int refused[2] = {};
    std::atomic<size_t> acceptedTotal{0};

    // Each producer sends `count` records; `pace` runs before every Send.
    template <class Pace>
    void Run(CNetworkLink& link, uint32_t count, Pace pace) {
        std::thread t[2];
        for (int p = 0; p < 2; ++p) {
            t[p] = std::thread([&, p] {
                for (uint32_t i = 0; i < count && pace(); ++i) {
                    const uint32_t key = (static_cast<uint32_t>(p + 1) << 24) | i;
                    if (link.Send(tagKeyRecord{key, 0})) {
                        accepted[p].push_back(key);
                        acceptedTotal.fetch_add(1);
                    } else {
                        ++refused[p];
                        std::this_thread::yield();  // let the send thread catch up
                    }
                }
            });
        }
        for (std::thread& th : t) th.join();
    }

    void CheckDelivery(const std::vector<uint32_t>& got) const {
        ASSERT_EQ(accepted[0].size() + accepted[1].size(), got.size());
        size_t next[2] = {};
        for (size_t i = 0; i < got.size(); ++i) {
            const int p = static_cast<int>(got[i] >> 24) - 1;
            ASSERT_TRUE(p == 0 || p == 1) << "datagram " << i;
            ASSERT_LT(next[p], accepted[p].size()) << "datagram " << i << ": more than accepted";
            EXPECT_EQ(accepted[p][next[p]++], got[i]) << "datagram " << i;
        }
    }
};

TEST(LinkStress, TwoProducersFillTheRingBeforeStart) {
    CLoopbackPeer peer;
    ASSERT_TRUE(peer.Open());
    CNetworkLink link;
    ASSERT_EQ(1, link.AddPeer(LoopbackPeer(peer.Port())));
    Producers producers;
    producers.Run(link, 200, [] { return true; });
    EXPECT_EQ(99u, producers.acceptedTotal.load());
    EXPECT_EQ(400 - 99, producers.refused[0] + producers.refused[1]);
    ASSERT_EQ(1, link.Start(0));
    ASSERT_TRUE(peer.WaitForCount(99));
    producers.CheckDelivery(peer.KeyWords());
}

TEST(LinkStress, TwoProducersWhileTheLinkSends) {
    constexpr uint32_t PER_PRODUCER = 4000;
    // Records accepted but not yet seen by the peer stay below what a
    // loopback receive buffer holds, so UDP itself drops nothing; the ring
    // can still fill when the send thread falls behind.
    constexpr size_t IN_FLIGHT = 160;
    CLoopbackPeer peer;
    ASSERT_TRUE(peer.Open());
    CNetworkLink link;
    ASSERT_EQ(1, link.AddPeer(LoopbackPeer(peer.Port())));
    ASSERT_EQ(1, link.Start(0));
    Producers producers;
    std::atomic<int> stalled{0};
    producers.Run(link, PER_PRODUCER, [&] {
        for (int waits = 0; producers.acceptedTotal.load() >= peer.Count() + IN_FLIGHT; ++waits) {
            // A datagram that never comes would stall the producers.
            if (waits * 50 > WAIT_MS) stalled.store(1);
            if (stalled.load()) return false;
            peer.WaitForCount(producers.acceptedTotal.load() - IN_FLIGHT + 1, 50);
        }
        return true;
    });
    ASSERT_EQ(0, stalled.load()) << peer.Count() << " of " << producers.acceptedTotal.load() << " arrived";
    const size_t accepted = producers.acceptedTotal.load();
    EXPECT_EQ(2 * PER_PRODUCER, accepted + static_cast<size_t>(producers.refused[0] + producers.refused[1]));
    ASSERT_TRUE(peer.WaitForCount(accepted));
    std::this_thread::sleep_for(std::chrono::milliseconds(QUIET_MS));  // nothing more may come
    producers.CheckDelivery(peer.KeyWords());
    std::printf("accepted %zu, refused %d + %d\n", accepted, producers.refused[0], producers.refused[1]);
}

}  // namespace
