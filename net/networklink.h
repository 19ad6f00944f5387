// CNetworkLink: keys other stations over UDP. Every local key transition is
// queued as a key record and sent as one 12-byte frame to each peer in
// order; every valid frame arriving on the local port, from any sender, goes
// to the frame listener. No connection, acknowledgement or retransmission: a
// lost datagram is a lost transition.
//
// Two threads of its own: the receive thread (calls the listeners) and the
// send thread (drains the record ring, sleeps while it is empty). The ring
// takes records from several producers at once.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "net/keyframe.h"
#include "net/peeraddress.h"
#include "net/udpsocket.h"

// Event codes passed to INetworkEventListener.
constexpr int32_t NETWORK_EVENT_BIND_FAILED = 0x8010;
constexpr int32_t NETWORK_EVENT_RECEIVER_ENDED = 0x0030;

// The local port used when the settings name none.
constexpr uint16_t NETWORK_DEFAULT_PORT = 3010;

class INetworkFrameListener {
public:
    virtual ~INetworkFrameListener() = default;
    // `record8` points at the 8 record bytes of a received frame (decode
    // them with ReadKeyRecord); valid only during the call. Runs on the
    // link's receive thread.
    virtual int OnNetworkFrame(void* sender, const void* record8) = 0;
    // Two further slots the link never calls; listeners leave them empty.
    virtual int OnNetworkReservedA(void* sender, intptr_t arg1, intptr_t arg2) {
        (void)sender; (void)arg1; (void)arg2;
        return 0;
    }
    virtual int OnNetworkReservedB(void* sender, intptr_t arg1) {
        (void)sender; (void)arg1;
        return 0;
    }
};

class INetworkEventListener {
public:
    virtual ~INetworkEventListener() = default;
    // NETWORK_EVENT_BIND_FAILED on the thread calling Start,
    // NETWORK_EVENT_RECEIVER_ENDED on the receive thread as it ends.
    virtual int OnNetworkEvent(void* sender, int32_t code) = 0;
};

class CNetworkLink {
public:
    static constexpr int QUEUE_SLOTS = 100;  // at most 99 records wait

    CNetworkLink();
    ~CNetworkLink();  // Stop
    CNetworkLink(const CNetworkLink&) = delete;
    CNetworkLink& operator=(const CNetworkLink&) = delete;

    void SetFrameListener(INetworkFrameListener* listener);
    void SetEventListener(INetworkEventListener* listener);

    // Appends a copy of `peer` (its `next` is ignored). 0 if a peer with the
    // same address and port is already listed. Call before Start.
    int AddPeer(const tagPeerNode& peer);

    // Binds `localPort` and starts both threads; 1 if the link runs (also
    // when it was started before), 0 on failure. A bind failure is reported
    // as NETWORK_EVENT_BIND_FAILED first.
    int Start(uint16_t localPort);
    // Queues a record; 0 if the ring is full (the record is dropped).
    int Send(const tagKeyRecord& record);
    // Lets both threads wind down and closes the socket; does not wait.
    void Close();
    // Ends and joins both threads, releases the socket library and frees the
    // peers. Records still queued are sent first (for STOP_DRAIN_MS at
    // most), so the key-up a closing station queues last reaches its peers.
    void Stop();

    static constexpr int STOP_DRAIN_MS = 500;

    // The port actually bound (differs from the requested one only for 0);
    // 0 when not bound.
    uint16_t GetBoundPort() const { return m_nBoundPort.load(); }
    const tagPeerNode* GetPeers() const { return m_pPeers; }

private:
    void ReceiveLoop();
    void SendLoop();
    // Sends one frame to every peer in order, stopping at the first failure.
    int SendToPeers(const uint8_t* frame, int size);
    // Wakes a sleeping send thread to look at m_bQuit again.
    void WakeSender();
    void FreePeers();

    uint16_t m_nLocalPort;
    std::atomic<int32_t> m_bQuit;
    // Ring of records waiting to be sent, guarded by m_queueLock; the send
    // thread sleeps on m_queueWake while it is empty.
    tagKeyRecord m_queue[QUEUE_SLOTS];
    int32_t m_nQueueWrite;
    int32_t m_nQueueRead;
    std::mutex m_queueLock;
    std::condition_variable m_queueWake;
    // Set by the send thread while it sends a record it took from the
    // ring; Stop waits on m_queueDrained for the ring to empty.
    bool m_bSending;
    std::condition_variable m_queueDrained;
    tagPeerNode* m_pPeers;
    INetworkEventListener* m_pEventListener;
    INetworkFrameListener* m_pFrameListener;
    CSocketLibrary m_sockets;  // held = the socket library was started by this link
    std::thread m_hRecvThread;
    std::thread m_hSendThread;
    CUdpSocket m_socket;
    std::atomic<uint16_t> m_nBoundPort;
};
