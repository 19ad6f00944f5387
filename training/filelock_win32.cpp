// The shared-file lock as the lock file opened without sharing: a second
// open fails with a sharing violation while one station holds it, and the
// system closes the handle when the holder exits, however it ends.
#include "training/filelock.h"

#include <windows.h>

#include "settings/dialogtext_win32.h"

CFileLock::~CFileLock() {
    Release();
}

int CFileLock::Acquire(const char* dataPath, int timeoutMs) {
    Release();
    if (!dataPath || !*dataPath) {
        return 0;
    }
    m_szPath = std::string(dataPath) + ".lock";
    const std::wstring path = AnsiToWide(m_szPath.c_str());
    const DWORD start = GetTickCount();
    for (;;) {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            m_nHandle = reinterpret_cast<long long>(h);
            return 1;
        }
        const DWORD error = GetLastError();
        if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) ||
            GetTickCount() - start >= static_cast<DWORD>(timeoutMs)) {
            return 0;
        }
        Sleep(10);
    }
}

void CFileLock::Release() {
    if (m_nHandle != INVALID_LOCK) {
        CloseHandle(reinterpret_cast<HANDLE>(m_nHandle));
        m_nHandle = INVALID_LOCK;
    }
}
