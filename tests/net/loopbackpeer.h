// Test support for the network tests: a station stand-in on 127.0.0.1 that
// collects every datagram on a thread of its own, and a listener that
// records what a link reports.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "net/networklink.h"

uint32_t LoopbackAddress();  // 127.0.0.1, network byte order
tagPeerNode LoopbackPeer(uint16_t port);

// Limit for waits on data that is expected (never a measure of speed), and
// how long to wait for data that must not come.
constexpr int WAIT_MS = 20000;
constexpr int QUIET_MS = 300;

class CLoopbackPeer {
public:
    ~CLoopbackPeer();
    int Open();  // binds a free port and starts collecting
    uint16_t Port() const { return m_nPort; }
    int SendRaw(const std::vector<uint8_t>& datagram, uint16_t toPort);
    // 1 once at least `count` datagrams have arrived, 0 after `ms`.
    int WaitForCount(size_t count, int ms = WAIT_MS);
    size_t Count();
    // Key words of the valid key frames, in order; the others are left out.
    std::vector<uint32_t> KeyWords();

private:
    CSocketLibrary m_library;
    CUdpSocket m_socket;
    uint16_t m_nPort = 0;
    std::thread m_thread;
    std::mutex m_lock;
    std::condition_variable m_arrived;
    std::vector<std::vector<uint8_t>> m_datagrams;
};

class CRecordingListener : public INetworkFrameListener, public INetworkEventListener {
public:
    int OnNetworkFrame(void* sender, const void* record8) override;
    int OnNetworkEvent(void* sender, int32_t code) override;
    int WaitForFrames(size_t count);
    int WaitForEvents(size_t count);

    std::mutex lock;  // guards everything below
    std::vector<uint32_t> keys;
    std::vector<int32_t> events;
    std::vector<std::thread::id> eventThreads;
    void* expectedSender = nullptr;
    int wrongSender = 0;

private:
    std::condition_variable m_changed;
};
