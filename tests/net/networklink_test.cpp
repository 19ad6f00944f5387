// The link on loopback: which datagrams reach the frame listener, the record
// ring and its limit, peers in order with a failing one, the peer list, and
// starting, closing and stopping with their events.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "loopbackpeer.h"

namespace {

using Keys = std::vector<uint32_t>;
using Events = std::vector<int32_t>;

// The listener is declared first: it must outlive the link, whose Stop
// still reports.
struct RunningLink {
    CRecordingListener listener;
    CNetworkLink link;
    void Listen() {
        listener.expectedSender = &link;
        link.SetFrameListener(&listener);
        link.SetEventListener(&listener);
    }
    int Start() {
        Listen();
        return link.Start(0) && link.GetBoundPort() != 0;
    }
};

std::vector<uint8_t> Datagram(const char* magic, uint16_t flags, uint32_t key, int length) {
    std::vector<uint8_t> d(static_cast<size_t>(length > 12 ? length : 12), 0xEE);
    const uint8_t head[8] = {static_cast<uint8_t>(magic[0]), static_cast<uint8_t>(magic[1]),
                             static_cast<uint8_t>(flags), static_cast<uint8_t>(flags >> 8),
                             static_cast<uint8_t>(key), static_cast<uint8_t>(key >> 8),
                             static_cast<uint8_t>(key >> 16), static_cast<uint8_t>(key >> 24)};
    std::memcpy(d.data(), head, 8);
    std::memset(d.data() + 8, 0, 4);
    d.resize(static_cast<size_t>(length));
    return d;
}

TEST(NetworkLink, DeliversOnlyValidFramesFromAnySender) {
    const struct {
        const char* magic;
        uint16_t flags;
        int length;
        int delivered;
    } rows[] = {
        {"VD", 0x0001, 12, 1}, {"VD", 0x0003, 12, 1}, {"VD", 0x8001, 12, 0}, {"VD", 0x0001, 4, 0},
        {"VD", 0x0001, 16, 1}, {"VD", 0x0000, 12, 0}, {"VD", 0xFFFF, 12, 0}, {"VD", 0x0002, 12, 0},
        {"VD", 0x0001, 11, 0}, {"DV", 0x0001, 12, 0}, {"VD", 0x0001, 0, 0},
        {"VD", 0x0001, 128, 1},  // fills the receive buffer
        {"VD", 0x0001, 129, 0},  // longer than the buffer: a failed receive
    };
    RunningLink r;
    ASSERT_TRUE(r.Start());
    CLoopbackPeer station;  // not in the link's (empty) peer list
    ASSERT_TRUE(station.Open());
    Keys expected;
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const uint32_t key = 0x100u + static_cast<uint32_t>(i);
        ASSERT_TRUE(station.SendRaw(Datagram(rows[i].magic, rows[i].flags, key, rows[i].length),
                                    r.link.GetBoundPort())) << "row " << i;
        if (rows[i].delivered) expected.push_back(key);
        // A valid frame after each row shows that the row has been dealt
        // with and that the receiver goes on after a drop.
        ASSERT_TRUE(station.SendRaw(Datagram("VD", 1, 0xF000u + i, 12), r.link.GetBoundPort()));
        expected.push_back(0xF000u + static_cast<uint32_t>(i));
        ASSERT_TRUE(r.listener.WaitForFrames(expected.size())) << "row " << i;
    }
    std::lock_guard<std::mutex> guard(r.listener.lock);
    EXPECT_EQ(expected, r.listener.keys);
    EXPECT_EQ(0, r.listener.wrongSender);
}

TEST(NetworkLink, RingHolds99RecordsAndKeepsTheirOrder) {
    CLoopbackPeer peer;
    ASSERT_TRUE(peer.Open());
    CNetworkLink link;
    ASSERT_EQ(1, link.AddPeer(LoopbackPeer(peer.Port())));
    // Before Start no send thread drains the ring.
    for (uint32_t i = 0; i < 99; ++i) EXPECT_EQ(1, link.Send(tagKeyRecord{i, 0})) << "record " << i;
    EXPECT_EQ(0, link.Send(tagKeyRecord{999, 0})) << "the 100th record";
    ASSERT_EQ(1, link.Start(0));
    ASSERT_TRUE(peer.WaitForCount(99));
    // Drained, the ring takes records again, across the wrap of its indices.
    for (uint32_t i = 99; i < 250; ++i) {
        ASSERT_EQ(1, link.Send(tagKeyRecord{i, 0})) << "record " << i;
        if (i % 50 == 0) {
            ASSERT_TRUE(peer.WaitForCount(i + 1)) << "record " << i;
        }
    }
    ASSERT_TRUE(peer.WaitForCount(250));
    Keys expected;
    for (uint32_t i = 0; i < 250; ++i) expected.push_back(i);
    EXPECT_EQ(expected, peer.KeyWords());
    EXPECT_EQ(250u, peer.Count()) << "only key frames are sent";
}

TEST(NetworkLink, SendsToPeersInOrderUpToAFailure) {
    // The middle peer: a good one, then destinations sendto refuses (port
    // 0; the broadcast address without broadcast permission).
    const struct {
        uint32_t address;  // 0: loopback
        uint16_t port;     // 0xFFFF: a third loopback peer
        int lastGetsFrames;
    } rows[] = {{0, 0xFFFF, 1}, {0, 0, 0}, {0xFFFFFFFFu, 3010, 0}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CLoopbackPeer first, middle, last;
        ASSERT_TRUE(first.Open() && middle.Open() && last.Open()) << "row " << i;
        CNetworkLink link;
        const uint32_t address = rows[i].address ? rows[i].address : LoopbackAddress();
        const uint16_t port = rows[i].port == 0xFFFF ? middle.Port() : rows[i].port;
        ASSERT_EQ(1, link.AddPeer(LoopbackPeer(first.Port())));
        ASSERT_EQ(1, link.AddPeer(tagPeerNode{address, port, nullptr}));
        ASSERT_EQ(1, link.AddPeer(LoopbackPeer(last.Port())));
        ASSERT_EQ(1, link.Start(0)) << "row " << i;
        for (uint32_t k : {1u, 0u, 1u}) ASSERT_EQ(1, link.Send(tagKeyRecord{k, 0}));
        ASSERT_TRUE(first.WaitForCount(3)) << "row " << i;
        if (rows[i].lastGetsFrames) {
            ASSERT_TRUE(last.WaitForCount(3) && middle.WaitForCount(3)) << "row " << i;
            EXPECT_EQ((Keys{1, 0, 1}), middle.KeyWords()) << "row " << i;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(QUIET_MS));
        }
        EXPECT_EQ((Keys{1, 0, 1}), first.KeyWords()) << "row " << i;
        EXPECT_EQ(rows[i].lastGetsFrames ? (Keys{1, 0, 1}) : Keys{}, last.KeyWords()) << "row " << i;
    }
}

TEST(NetworkLink, AddPeerRefusesTheSameAddressAndPort) {
    const uint32_t A = 0x0100007Fu, B = 0x0200000Au;
    const struct {
        std::vector<tagPeerNode> added;
        std::vector<int> results;
        std::vector<tagPeerNode> list;
    } rows[] = {
        {{{A, 1, nullptr}, {A, 1, nullptr}}, {1, 0}, {{A, 1, nullptr}}},
        {{{A, 1, nullptr}, {B, 2, nullptr}, {B, 2, nullptr}}, {1, 1, 0}, {{A, 1, nullptr}, {B, 2, nullptr}}},
        {{{A, 1, nullptr}, {B, 2, nullptr}, {A, 1, nullptr}}, {1, 1, 0}, {{A, 1, nullptr}, {B, 2, nullptr}}},
        {{{A, 1, nullptr}, {A, 2, nullptr}, {B, 1, nullptr}}, {1, 1, 1},
         {{A, 1, nullptr}, {A, 2, nullptr}, {B, 1, nullptr}}},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CNetworkLink link;
        tagPeerNode stray{0, 0, nullptr};
        for (size_t j = 0; j < rows[i].added.size(); ++j) {
            tagPeerNode p = rows[i].added[j];
            p.next = &stray;  // what the caller links to is not taken over
            EXPECT_EQ(rows[i].results[j], link.AddPeer(p)) << "row " << i << " add " << j;
        }
        size_t k = 0;
        for (const tagPeerNode* p = link.GetPeers(); p != nullptr; p = p->next, ++k) {
            ASSERT_LT(k, rows[i].list.size()) << "row " << i;
            EXPECT_EQ(rows[i].list[k].address, p->address) << "row " << i << " entry " << k;
            EXPECT_EQ(rows[i].list[k].port, p->port) << "row " << i << " entry " << k;
        }
        EXPECT_EQ(rows[i].list.size(), k) << "row " << i;
        link.Stop();
        EXPECT_EQ(nullptr, link.GetPeers()) << "row " << i;
    }
}

TEST(NetworkLink, StopEndsBothThreadsAndReleasesEverything) {
    CLoopbackPeer peer;
    ASSERT_TRUE(peer.Open());
    const int32_t users = CSocketLibrary::Users();
    // Round 0 stops right after Start; round 1 once the send thread has sent
    // its frame and sleeps again.
    for (int round = 0; round < 2; ++round) {
        RunningLink r;
        ASSERT_EQ(1, r.link.AddPeer(LoopbackPeer(peer.Port())));
        ASSERT_TRUE(r.Start()) << "round " << round;
        if (round == 1) {
            ASSERT_EQ(1, r.link.Send(tagKeyRecord{1, 0}));
            ASSERT_TRUE(peer.WaitForCount(1));
        }
        r.link.Stop();
        EXPECT_EQ(Events{NETWORK_EVENT_RECEIVER_ENDED}, r.listener.events) << "round " << round;
        EXPECT_EQ(nullptr, r.link.GetPeers()) << "round " << round;
        EXPECT_EQ(users, CSocketLibrary::Users()) << "round " << round;
    }
}

TEST(NetworkLink, BindFailureIsReportedAndStartFails) {
    CLoopbackPeer holder;  // keeps the port in use
    ASSERT_TRUE(holder.Open());
    RunningLink r;
    r.Listen();
    EXPECT_EQ(0, r.link.Start(holder.Port()));
    EXPECT_EQ(Events{NETWORK_EVENT_BIND_FAILED}, r.listener.events);
    ASSERT_EQ(1u, r.listener.eventThreads.size());
    EXPECT_EQ(std::this_thread::get_id(), r.listener.eventThreads[0]) << "runs on the thread calling Start";
    r.link.Stop();
    EXPECT_EQ(1u, r.listener.events.size()) << "no receiver, so no receiver-ended event";
}

TEST(NetworkLink, CloseEndsTheReceiverAndStartDoesNotRestart) {
    RunningLink r;
    ASSERT_TRUE(r.Start());
    const uint16_t port = r.link.GetBoundPort();
    r.link.Close();
    ASSERT_TRUE(r.listener.WaitForEvents(1));
    {
        std::lock_guard<std::mutex> guard(r.listener.lock);
        EXPECT_EQ(Events{NETWORK_EVENT_RECEIVER_ENDED}, r.listener.events);
        EXPECT_NE(std::this_thread::get_id(), r.listener.eventThreads[0]) << "runs on the receive thread";
    }
    EXPECT_EQ(1, r.link.Start(port)) << "threads stay recorded until Stop";
    CLoopbackPeer station;
    ASSERT_TRUE(station.Open());
    station.SendRaw(Datagram("VD", 1, 1, 12), port);
    std::this_thread::sleep_for(std::chrono::milliseconds(QUIET_MS));
    r.link.Stop();
    EXPECT_EQ(0u, r.listener.keys.size()) << "a closed link receives nothing";
    EXPECT_EQ(1u, r.listener.events.size());
}

}  // namespace
