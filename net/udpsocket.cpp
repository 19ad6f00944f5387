// The platform-neutral half of the UDP socket: the process-wide count of
// socket library holders and the bookkeeping that lets Close run while
// another thread is blocked in the socket.
#include "net/udpsocket.h"

namespace {

std::mutex g_libraryLock;
int32_t g_nLibraryUsers = 0;

}  // namespace

CSocketLibrary::~CSocketLibrary() {
    Release();
}

int CSocketLibrary::Acquire() {
    if (m_bHeld) return 1;
    std::lock_guard<std::mutex> guard(g_libraryLock);
    // Every holder starts the library itself: the platform counts starts
    // too, and a failed start must fail only this holder.
    if (!StartPlatform()) return 0;
    ++g_nLibraryUsers;
    m_bHeld = 1;
    return 1;
}

void CSocketLibrary::Release() {
    if (!m_bHeld) return;
    std::lock_guard<std::mutex> guard(g_libraryLock);
    EndPlatform();
    --g_nLibraryUsers;
    m_bHeld = 0;
}

int32_t CSocketLibrary::Users() {
    std::lock_guard<std::mutex> guard(g_libraryLock);
    return g_nLibraryUsers;
}

CUdpSocket::~CUdpSocket() {
    Close();
}

int CUdpSocket::Open() {
    std::lock_guard<std::mutex> guard(m_lock);
    // A socket still in use by a thread that has not noticed the close yet
    // cannot be replaced.
    if (m_bOpen || m_nUsers != 0) return 0;
    if (!Create()) return 0;
    m_bOpen = 1;
    m_bClosing = 0;
    return 1;
}

int CUdpSocket::IsOpen() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bOpen && !m_bClosing;
}

int CUdpSocket::Enter() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_bOpen || m_bClosing) return 0;
    ++m_nUsers;
    return 1;
}

void CUdpSocket::Leave() {
    std::lock_guard<std::mutex> guard(m_lock);
    --m_nUsers;
    if (m_nUsers == 0 && m_bClosing) {
        Release();
        m_bOpen = 0;
    }
}

void CUdpSocket::Close() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (!m_bOpen || m_bClosing) return;
    m_bClosing = 1;
    Wake();
    if (m_nUsers == 0) {
        Release();
        m_bOpen = 0;
    }
}
