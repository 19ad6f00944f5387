// A small UDP socket for the network link, with one implementation per
// platform (udpsocket_win32.cpp: Windows Sockets 2.2; udpsocket_posix.cpp).
//
// Close may be called from another thread while RecvFrom is blocked: it wakes
// the receiver at once and RecvFrom fails. The system socket itself is
// released only when no thread is inside RecvFrom or SendTo any more, so a
// blocked call never goes on with a handle that was closed and handed out
// again.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

// The socket library of the platform, started once per holder and counted
// process-wide; the last holder to let go ends it. A holder that is
// destroyed lets go by itself.
class CSocketLibrary {
public:
    CSocketLibrary() = default;
    ~CSocketLibrary();
    CSocketLibrary(const CSocketLibrary&) = delete;
    CSocketLibrary& operator=(const CSocketLibrary&) = delete;

    // Starts the library for this holder; 1 on success (also when already
    // held), 0 on failure.
    int Acquire();
    // Ends this holder's use; nothing when not held.
    void Release();
    int IsHeld() const { return m_bHeld; }

    // Number of holders in the process, for tests.
    static int32_t Users();

private:
    // WSAStartup/WSACleanup on Windows, nothing elsewhere.
    static int StartPlatform();
    static void EndPlatform();

    int32_t m_bHeld = 0;
};

class CUdpSocket {
public:
    CUdpSocket() = default;
    ~CUdpSocket();
    CUdpSocket(const CUdpSocket&) = delete;
    CUdpSocket& operator=(const CUdpSocket&) = delete;

    // Opens an IPv4 UDP socket with no options set (no broadcast
    // permission). The socket library must be held. 1 on success, 0 on
    // failure or when the socket is already open.
    int Open();
    // Binds to 0.0.0.0 and `port` (0 picks a free port). 1 on success.
    int Bind(uint16_t port);
    // The local port after Bind, 0 when unknown.
    uint16_t LocalPort();

    // Receives one datagram into `buffer`, blocking until one arrives or the
    // socket is closed. Returns its length, or -1 on failure; a datagram
    // longer than `size` counts as a failure. When `fromAddress`/`fromPort`
    // are given they receive the sender (network order address, host order
    // port).
    int RecvFrom(void* buffer, int size, uint32_t* fromAddress = nullptr,
                 uint16_t* fromPort = nullptr);
    // Sends one datagram to `address` (network byte order) and `port` (host
    // byte order). 1 if the whole datagram was sent, 0 on failure.
    int SendTo(const void* data, int size, uint32_t address, uint16_t port);

    // Closes the socket; any thread, any number of times.
    void Close();
    int IsOpen();

    // Error code of the last failed call (WSAGetLastError or errno).
    int LastError() const { return m_nLastError.load(); }

private:
    // Brackets a use of the system socket, which stays valid in between;
    // Enter fails once Close has run.
    int Enter();
    void Leave();
    // Platform parts, called with m_lock held.
    int Create();
    void Wake();
    void Release();
    void SetError(int code) { m_nLastError.store(code); }

    std::mutex m_lock;
    int32_t m_bOpen = 0;
    int32_t m_bClosing = 0;
    int32_t m_nUsers = 0;
    // The system socket (SOCKET or file descriptor) and, on Windows, the
    // events a blocked receive waits on.
    uintptr_t m_hSocket = 0;
    void* m_hReadEvent = nullptr;
    void* m_hWakeEvent = nullptr;
    std::atomic<int32_t> m_nLastError{0};
};
