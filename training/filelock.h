// A lock that stations sharing one folder take around a read-modify-write
// of a small shared file (the statistics file), so that neither loses what
// the other wrote in between. It is a lock file beside the data file that
// the system releases when the holder exits, even by a crash, so a station
// that died never blocks the others.
#pragma once

#include <string>

class CFileLock {
public:
    CFileLock() = default;
    ~CFileLock();
    CFileLock(const CFileLock&) = delete;
    CFileLock& operator=(const CFileLock&) = delete;

    // Takes the lock of dataPath (the file dataPath + ".lock"), trying
    // again for up to timeoutMs while another process holds it. Returns
    // nonzero when it is held.
    int Acquire(const char* dataPath, int timeoutMs);
    void Release();
    int IsHeld() const { return m_nHandle != INVALID_LOCK; }

private:
    static constexpr long long INVALID_LOCK = -1;
    long long m_nHandle = INVALID_LOCK;  // a descriptor or a HANDLE
    std::string m_szPath;
};
