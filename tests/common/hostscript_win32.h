// Running the project's shell scripts from a Windows test under Wine: Unix
// paths from Windows ones, and a script started through /bin/sh whose exit
// code comes back in a status file, since Wine cannot wait for a Unix child.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

// Wine maps the Unix root to Z:.
inline std::string UnixPath(const std::wstring& w) {
    std::string out;
    for (size_t i = (w.size() > 1 && w[1] == L':') ? 2 : 0; i < w.size(); ++i) {
        out.push_back(w[i] == L'\\' ? '/' : static_cast<char>(w[i]));
    }
    return out;
}

inline std::string CurrentDir() {
    wchar_t dir[MAX_PATH];
    const DWORD len = GetCurrentDirectoryW(MAX_PATH, dir);
    return UnixPath(std::wstring(dir, len));
}

// Runs `sh -c "<scripts/script> <args> <cwd>/<status>"` from the source tree
// (VARDO_SOURCE_DIR); returns the exit code the script writes to the status
// file, -1 when none came within `seconds`, and 0 at once when seconds is 0.
inline int RunScript(const std::string& script, const std::string& args, const char* status, int seconds) {
    std::remove(status);
    const std::string src(VARDO_SOURCE_DIR);
    const std::string line = "/bin/sh -c \"" + UnixPath(std::wstring(src.begin(), src.end())) + "/scripts/" + script +
                             " " + args + " " + CurrentDir() + "/" + status + "\"";
    std::wstring cmd(line.begin(), line.end());
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(L"/bin/sh", &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    if (pi.hThread) CloseHandle(pi.hThread);
    if (pi.hProcess) CloseHandle(pi.hProcess);
    if (seconds == 0) return 0;
    for (int i = 0; i < seconds * 20; Sleep(50), ++i) {
        int rc = -1;
        if (std::FILE* f = std::fopen(status, "r")) {
            const int got = std::fscanf(f, "%d", &rc);
            std::fclose(f);
            if (got == 1) return rc;
        }
    }
    return -1;
}
