// CWorkingDirectoryKeeper: the system's file dialogs move the process's
// working directory to the folder they end in. The settings file is found
// relative to the working directory, so whoever shows such a dialog keeps
// one of these on the stack to put it back.
#pragma once

#include <windows.h>

#include <string>

class CWorkingDirectoryKeeper {
public:
    CWorkingDirectoryKeeper() {
        DWORD n = GetCurrentDirectoryW(0, nullptr);
        if (n > 0) {
            m_path.resize(n);
            DWORD got = GetCurrentDirectoryW(n, &m_path[0]);
            m_path.resize(got < n ? got : 0);
        }
    }
    ~CWorkingDirectoryKeeper() {
        if (!m_path.empty()) {
            SetCurrentDirectoryW(m_path.c_str());
        }
    }
    CWorkingDirectoryKeeper(const CWorkingDirectoryKeeper&) = delete;
    CWorkingDirectoryKeeper& operator=(const CWorkingDirectoryKeeper&) = delete;

private:
    std::wstring m_path;
};
