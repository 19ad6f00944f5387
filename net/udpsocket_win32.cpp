// The UDP socket on Windows Sockets 2.2. The socket reports readiness to an
// event (which also makes it non-blocking); a receive waits on that event and
// on a wake event that Close sets, so Close never races a blocked recvfrom.
#include "net/udpsocket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

SOCKET Sock(uintptr_t handle) {
    return static_cast<SOCKET>(handle);
}

WSAEVENT Ev(void* handle) {
    return static_cast<WSAEVENT>(handle);
}

}  // namespace

int CSocketLibrary::StartPlatform() {
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return 0;
    if (LOBYTE(data.wVersion) != 2 || HIBYTE(data.wVersion) != 2) {
        WSACleanup();
        return 0;
    }
    return 1;
}

void CSocketLibrary::EndPlatform() {
    WSACleanup();
}

int CUdpSocket::Create() {
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        SetError(WSAGetLastError());
        return 0;
    }
    WSAEVENT readEvent = WSACreateEvent();
    WSAEVENT wakeEvent = WSACreateEvent();
    if (readEvent == WSA_INVALID_EVENT || wakeEvent == WSA_INVALID_EVENT ||
        WSAEventSelect(s, readEvent, FD_READ) != 0) {
        SetError(WSAGetLastError());
        if (readEvent != WSA_INVALID_EVENT) WSACloseEvent(readEvent);
        if (wakeEvent != WSA_INVALID_EVENT) WSACloseEvent(wakeEvent);
        closesocket(s);
        return 0;
    }
    m_hSocket = static_cast<uintptr_t>(s);
    m_hReadEvent = readEvent;
    m_hWakeEvent = wakeEvent;
    return 1;
}

void CUdpSocket::Wake() {
    WSASetEvent(Ev(m_hWakeEvent));
}

void CUdpSocket::Release() {
    closesocket(Sock(m_hSocket));
    WSACloseEvent(Ev(m_hReadEvent));
    WSACloseEvent(Ev(m_hWakeEvent));
    m_hSocket = 0;
    m_hReadEvent = nullptr;
    m_hWakeEvent = nullptr;
}

int CUdpSocket::Bind(uint16_t port) {
    if (!Enter()) {
        SetError(WSAENOTSOCK);
        return 0;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(port);
    const int r = ::bind(Sock(m_hSocket), reinterpret_cast<const sockaddr*>(&local), sizeof local);
    if (r != 0) SetError(WSAGetLastError());
    Leave();
    return r == 0;
}

uint16_t CUdpSocket::LocalPort() {
    if (!Enter()) return 0;
    sockaddr_in local{};
    int len = sizeof local;
    uint16_t port = 0;
    if (::getsockname(Sock(m_hSocket), reinterpret_cast<sockaddr*>(&local), &len) == 0) {
        port = ntohs(local.sin_port);
    }
    Leave();
    return port;
}

int CUdpSocket::RecvFrom(void* buffer, int size, uint32_t* fromAddress, uint16_t* fromPort) {
    if (!Enter()) {
        SetError(WSAENOTSOCK);
        return -1;
    }
    const SOCKET s = Sock(m_hSocket);
    WSAEVENT events[2] = {Ev(m_hReadEvent), Ev(m_hWakeEvent)};
    int result = -1;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_bClosing) {
                SetError(WSAEINTR);
                break;
            }
        }
        // Reset before trying: a datagram arriving after the reset either is
        // read now or sets the event again for the wait below.
        WSAResetEvent(events[0]);
        sockaddr_in from{};
        int len = sizeof from;
        const int n = ::recvfrom(s, static_cast<char*>(buffer), size, 0,
                                 reinterpret_cast<sockaddr*>(&from), &len);
        if (n != SOCKET_ERROR) {
            if (fromAddress) *fromAddress = from.sin_addr.s_addr;
            if (fromPort) *fromPort = ntohs(from.sin_port);
            result = n;
            break;
        }
        const int error = WSAGetLastError();
        if (error != WSAEWOULDBLOCK) {
            // Oversized datagrams (WSAEMSGSIZE) and the port-unreachable
            // reports of earlier sends (WSAECONNRESET) end up here.
            SetError(error);
            break;
        }
        const DWORD w = WSAWaitForMultipleEvents(2, events, FALSE, WSA_INFINITE, FALSE);
        if (w != WSA_WAIT_EVENT_0 && w != WSA_WAIT_EVENT_0 + 1) {
            SetError(WSAGetLastError());
            break;
        }
    }
    Leave();
    return result;
}

int CUdpSocket::SendTo(const void* data, int size, uint32_t address, uint16_t port) {
    if (!Enter()) {
        SetError(WSAENOTSOCK);
        return 0;
    }
    const SOCKET s = Sock(m_hSocket);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = htons(port);
    int n = ::sendto(s, static_cast<const char*>(data), size, 0, reinterpret_cast<const sockaddr*>(&to),
                     sizeof to);
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
        // The socket is non-blocking for the sake of the receive wait; a
        // full send buffer gets a moment to drain instead of dropping.
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(s, &writable);
        timeval limit{1, 0};
        if (::select(0, nullptr, &writable, nullptr, &limit) == 1) {
            n = ::sendto(s, static_cast<const char*>(data), size, 0,
                         reinterpret_cast<const sockaddr*>(&to), sizeof to);
        }
    }
    if (n == SOCKET_ERROR) SetError(WSAGetLastError());
    Leave();
    return n == size;
}
