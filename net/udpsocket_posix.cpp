// The UDP socket on POSIX systems. A blocked receive waits in poll: Close
// shuts the socket down, which makes poll return at once on Linux; the short
// poll timeout covers systems where a shutdown does not wake it.
#include "net/udpsocket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int POLL_TIMEOUT_MS = 200;

int Fd(uintptr_t handle) {
    return static_cast<int>(handle);
}

}  // namespace

int CSocketLibrary::StartPlatform() {
    return 1;
}

void CSocketLibrary::EndPlatform() {}

int CUdpSocket::Create() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (fd < 0) {
        SetError(errno);
        return 0;
    }
    m_hSocket = static_cast<uintptr_t>(fd);
    return 1;
}

void CUdpSocket::Wake() {
    ::shutdown(Fd(m_hSocket), SHUT_RDWR);
}

void CUdpSocket::Release() {
    ::close(Fd(m_hSocket));
    m_hSocket = 0;
}

int CUdpSocket::Bind(uint16_t port) {
    if (!Enter()) {
        SetError(EBADF);
        return 0;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(port);
    const int r = ::bind(Fd(m_hSocket), reinterpret_cast<const sockaddr*>(&local), sizeof local);
    if (r != 0) SetError(errno);
    Leave();
    return r == 0;
}

uint16_t CUdpSocket::LocalPort() {
    if (!Enter()) return 0;
    sockaddr_in local{};
    socklen_t len = sizeof local;
    uint16_t port = 0;
    if (::getsockname(Fd(m_hSocket), reinterpret_cast<sockaddr*>(&local), &len) == 0) {
        port = ntohs(local.sin_port);
    }
    Leave();
    return port;
}

int CUdpSocket::RecvFrom(void* buffer, int size, uint32_t* fromAddress, uint16_t* fromPort) {
    if (!Enter()) {
        SetError(EBADF);
        return -1;
    }
    const int fd = Fd(m_hSocket);
    int result = -1;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_bClosing) {
                SetError(EINTR);
                break;
            }
        }
        pollfd pfd{fd, POLLIN, 0};
        const int ready = ::poll(&pfd, 1, POLL_TIMEOUT_MS);
        if (ready < 0 && errno != EINTR) {
            SetError(errno);
            break;
        }
        if (ready <= 0) continue;
        sockaddr_in from{};
        socklen_t len = sizeof from;
        // MSG_TRUNC reports the full length, so an oversized datagram is
        // refused as it is on Windows instead of being cut silently.
        const ssize_t n = ::recvfrom(fd, buffer, static_cast<size_t>(size), MSG_TRUNC | MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &len);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            SetError(errno);
            break;
        }
        if (n > size) {
            SetError(EMSGSIZE);
            break;
        }
        // After a shutdown every receive returns 0 at once; only an open
        // socket's empty datagram is a datagram.
        if (n == 0) {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_bClosing) {
                SetError(EINTR);
                break;
            }
        }
        if (fromAddress) *fromAddress = from.sin_addr.s_addr;
        if (fromPort) *fromPort = ntohs(from.sin_port);
        result = static_cast<int>(n);
        break;
    }
    Leave();
    return result;
}

int CUdpSocket::SendTo(const void* data, int size, uint32_t address, uint16_t port) {
    if (!Enter()) {
        SetError(EBADF);
        return 0;
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    to.sin_port = htons(port);
    ssize_t n;
    do {
        n = ::sendto(Fd(m_hSocket), data, static_cast<size_t>(size), MSG_NOSIGNAL,
                     reinterpret_cast<const sockaddr*>(&to), sizeof to);
    } while (n < 0 && errno == EINTR);
    if (n < 0) SetError(errno);
    Leave();
    return n == size;
}
