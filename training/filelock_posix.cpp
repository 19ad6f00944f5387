// The shared-file lock with flock(2) on the lock file: the kernel drops it
// when the descriptor closes, also when the process dies.
#include "training/filelock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

CFileLock::~CFileLock() {
    Release();
}

int CFileLock::Acquire(const char* dataPath, int timeoutMs) {
    Release();
    if (!dataPath || !*dataPath) {
        return 0;
    }
    m_szPath = std::string(dataPath) + ".lock";
    const int fd = open(m_szPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return 0;
    }
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (std::chrono::steady_clock::now() >= giveUp) {
            close(fd);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    m_nHandle = fd;
    return 1;
}

void CFileLock::Release() {
    if (m_nHandle != INVALID_LOCK) {
        // The lock file stays: removing it would let a waiter lock a file
        // that is no longer the one the next station opens.
        close(static_cast<int>(m_nHandle));
        m_nHandle = INVALID_LOCK;
    }
}
