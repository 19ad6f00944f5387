// Loopback station stand-in and recording listener of the network tests.
#include "loopbackpeer.h"

#include <chrono>
#include <cstring>

uint32_t LoopbackAddress() {
    const uint8_t bytes[4] = {127, 0, 0, 1};
    uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

tagPeerNode LoopbackPeer(uint16_t port) {
    return tagPeerNode{LoopbackAddress(), port, nullptr};
}

CLoopbackPeer::~CLoopbackPeer() {
    m_socket.Close();
    if (m_thread.joinable()) m_thread.join();
}

int CLoopbackPeer::Open() {
    if (!m_library.Acquire() || !m_socket.Open() || !m_socket.Bind(0)) return 0;
    m_nPort = m_socket.LocalPort();
    m_thread = std::thread([this] {
        uint8_t buffer[256];
        while (m_socket.IsOpen()) {
            const int n = m_socket.RecvFrom(buffer, sizeof buffer);
            if (n < 0) continue;
            std::lock_guard<std::mutex> guard(m_lock);
            m_datagrams.emplace_back(buffer, buffer + n);
            m_arrived.notify_all();
        }
    });
    return m_nPort != 0;
}

int CLoopbackPeer::SendRaw(const std::vector<uint8_t>& datagram, uint16_t toPort) {
    return m_socket.SendTo(datagram.data(), static_cast<int>(datagram.size()), LoopbackAddress(), toPort);
}

int CLoopbackPeer::WaitForCount(size_t count, int ms) {
    std::unique_lock<std::mutex> lock(m_lock);
    return m_arrived.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_datagrams.size() >= count; });
}

size_t CLoopbackPeer::Count() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_datagrams.size();
}

std::vector<uint32_t> CLoopbackPeer::KeyWords() {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<uint32_t> words;
    for (const auto& d : m_datagrams) {
        const void* record = nullptr;
        if (CheckKeyFrame(d.data(), static_cast<int>(d.size()), &record)) {
            words.push_back(ReadKeyRecord(record).nKey);
        }
    }
    return words;
}

int CRecordingListener::OnNetworkFrame(void* sender, const void* record8) {
    std::lock_guard<std::mutex> guard(lock);
    keys.push_back(ReadKeyRecord(record8).nKey);
    wrongSender += sender != expectedSender;
    m_changed.notify_all();
    return 1;
}

int CRecordingListener::OnNetworkEvent(void* sender, int32_t code) {
    std::lock_guard<std::mutex> guard(lock);
    events.push_back(code);
    eventThreads.push_back(std::this_thread::get_id());
    wrongSender += sender != expectedSender;
    m_changed.notify_all();
    return 1;
}

int CRecordingListener::WaitForFrames(size_t count) {
    std::unique_lock<std::mutex> l(lock);
    return m_changed.wait_for(l, std::chrono::milliseconds(WAIT_MS), [&] { return keys.size() >= count; });
}

int CRecordingListener::WaitForEvents(size_t count) {
    std::unique_lock<std::mutex> l(lock);
    return m_changed.wait_for(l, std::chrono::milliseconds(WAIT_MS), [&] { return events.size() >= count; });
}
