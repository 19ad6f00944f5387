// The UDP link: record ring, peer list, receive and send threads.
#include "net/networklink.h"

#include <chrono>
#include <new>

namespace {

// Receive buffer: a key frame is 12 bytes; longer datagrams up to this size
// are still looked at, larger ones fail the receive.
constexpr int RECEIVE_BUFFER_SIZE = 128;

template <class Fn>
int StartThread(std::thread& thread, Fn fn) {
    try {
        thread = std::thread(fn);
    } catch (...) {
        return 0;
    }
    return 1;
}

int32_t NextSlot(int32_t index) {
    return (index + 1) % CNetworkLink::QUEUE_SLOTS;
}

}  // namespace

CNetworkLink::CNetworkLink()
    : m_nLocalPort(0),
      m_bQuit(0),
      m_queue{},
      m_nQueueWrite(0),
      m_nQueueRead(0),
      m_bSending(false),
      m_pPeers(nullptr),
      m_pEventListener(nullptr),
      m_pFrameListener(nullptr),
      m_nBoundPort(0) {}

CNetworkLink::~CNetworkLink() {
    Stop();
}

void CNetworkLink::SetFrameListener(INetworkFrameListener* listener) {
    m_pFrameListener = listener;
}

void CNetworkLink::SetEventListener(INetworkEventListener* listener) {
    m_pEventListener = listener;
}

int CNetworkLink::AddPeer(const tagPeerNode& peer) {
    tagPeerNode** tail = &m_pPeers;
    for (tagPeerNode* p = m_pPeers; p != nullptr; p = p->next) {
        if (p->address == peer.address && p->port == peer.port) return 0;
        tail = &p->next;
    }
    tagPeerNode* node = new (std::nothrow) tagPeerNode{peer.address, peer.port, nullptr};
    if (node == nullptr) return 0;
    *tail = node;
    return 1;
}

int CNetworkLink::Start(uint16_t localPort) {
    // Started before (even if closed since): the link is not restarted.
    if (m_hRecvThread.joinable() || m_hSendThread.joinable()) return 1;
    if (!m_sockets.IsHeld() && !m_sockets.Acquire()) return 0;
    if (!m_socket.Open()) return 0;
    m_nLocalPort = localPort;
    if (!m_socket.Bind(localPort)) {
        m_socket.Close();
        if (m_pEventListener) m_pEventListener->OnNetworkEvent(this, NETWORK_EVENT_BIND_FAILED);
        return 0;
    }
    m_nBoundPort.store(m_socket.LocalPort());
    m_bQuit.store(0);
    if (!StartThread(m_hRecvThread, [this] { ReceiveLoop(); })) {
        m_socket.Close();
        return 0;
    }
    if (!StartThread(m_hSendThread, [this] { SendLoop(); })) {
        Close();
        m_hRecvThread.join();
        return 0;
    }
    return 1;
}

int CNetworkLink::Send(const tagKeyRecord& record) {
    {
        std::lock_guard<std::mutex> guard(m_queueLock);
        const int32_t next = NextSlot(m_nQueueWrite);
        if (next == m_nQueueRead) return 0;
        m_queue[m_nQueueWrite] = record;
        m_nQueueWrite = next;
    }
    m_queueWake.notify_one();
    return 1;
}

void CNetworkLink::Close() {
    m_bQuit.store(1);
    m_socket.Close();
    WakeSender();
}

void CNetworkLink::Stop() {
    if (m_hSendThread.joinable()) {
        std::unique_lock<std::mutex> lock(m_queueLock);
        m_queueDrained.wait_for(lock, std::chrono::milliseconds(STOP_DRAIN_MS), [this] {
            return m_bQuit.load() || (m_nQueueRead == m_nQueueWrite && !m_bSending);
        });
    }
    if (m_hRecvThread.joinable()) {
        Close();
        m_hRecvThread.join();
    }
    if (m_hSendThread.joinable()) {
        Close();
        m_hSendThread.join();
    }
    // A socket opened by a Start that failed later.
    m_socket.Close();
    m_nBoundPort.store(0);
    m_sockets.Release();
    FreePeers();
}

void CNetworkLink::WakeSender() {
    // Taking the lock orders the change of m_bQuit before the sender's next
    // look at it: a sender between its test and its sleep is already asleep
    // when the notification comes, so the wake-up cannot be lost.
    { std::lock_guard<std::mutex> guard(m_queueLock); }
    m_queueWake.notify_all();
    m_queueDrained.notify_all();
}

void CNetworkLink::ReceiveLoop() {
    uint8_t buffer[RECEIVE_BUFFER_SIZE];
    while (!m_bQuit.load()) {
        const int length = m_socket.RecvFrom(buffer, sizeof buffer);
        if (length < 0 || m_bQuit.load()) {
            // Receive errors are retried at once; there is nothing to report.
            (void)m_socket.LastError();
            continue;
        }
        const void* record = nullptr;
        if (!CheckKeyFrame(buffer, length, &record)) continue;
        if (m_pFrameListener) m_pFrameListener->OnNetworkFrame(this, record);
    }
    if (m_pEventListener) m_pEventListener->OnNetworkEvent(this, NETWORK_EVENT_RECEIVER_ENDED);
}

void CNetworkLink::SendLoop() {
    for (;;) {
        tagKeyRecord record;
        {
            std::unique_lock<std::mutex> lock(m_queueLock);
            m_queueWake.wait(lock, [this] { return m_bQuit.load() || m_nQueueRead != m_nQueueWrite; });
            if (m_bQuit.load()) break;
            record = m_queue[m_nQueueRead];
            m_nQueueRead = NextSlot(m_nQueueRead);
            m_bSending = true;
        }
        uint8_t frame[KEY_FRAME_SIZE];
        BuildKeyFrame(record, frame);
        // A failed peer is skipped for this frame only; nothing to report.
        if (m_pPeers != nullptr) (void)SendToPeers(frame, KEY_FRAME_SIZE);
        {
            std::lock_guard<std::mutex> guard(m_queueLock);
            m_bSending = false;
        }
        m_queueDrained.notify_all();
    }
}

int CNetworkLink::SendToPeers(const uint8_t* frame, int size) {
    for (const tagPeerNode* p = m_pPeers; p != nullptr; p = p->next) {
        if (!m_socket.SendTo(frame, size, p->address, p->port)) return 0;
    }
    return 1;
}

void CNetworkLink::FreePeers() {
    tagPeerNode* p = m_pPeers;
    m_pPeers = nullptr;
    while (p != nullptr) {
        tagPeerNode* next = p->next;
        delete p;
        p = next;
    }
}
