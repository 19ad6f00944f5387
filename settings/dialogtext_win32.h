// Moving texts between dialog controls and the program's narrow strings.
// Controls are always read and written with the wide APIs, so the Chinese
// texts show on any locale; the stored values (INI file, Koch set, host
// names) are in the ANSI code page, as the INI functions read them.
#pragma once

#include <windows.h>

#include <cstring>
#include <string>

inline std::wstring AnsiToWide(const char* text) {
    if (!text || !*text) {
        return std::wstring();
    }
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) {
        return std::wstring();
    }
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, &w[0], n);
    w.resize(static_cast<size_t>(n - 1));
    return w;
}

// Converts into out (size bytes), keeping at most size - 1 bytes and never
// ending in the first half of a double-byte character. Returns the length.
inline int WideToAnsi(const wchar_t* text, char* out, int size) {
    if (size <= 0) {
        return 0;
    }
    out[0] = 0;
    if (!text || !*text) {
        return 0;
    }
    int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1) {
        return 0;
    }
    std::string a(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &a[0], n, nullptr, nullptr);
    a.resize(static_cast<size_t>(n - 1));
    size_t keep = a.size() < static_cast<size_t>(size - 1) ? a.size() : static_cast<size_t>(size - 1);
    if (keep < a.size()) {
        // Walk whole characters so that a cut never splits a pair.
        size_t i = 0;
        while (i < keep) {
            size_t step = IsDBCSLeadByte(static_cast<BYTE>(a[i])) ? 2 : 1;
            if (i + step > keep) {
                break;
            }
            i += step;
        }
        keep = i;
    }
    memcpy(out, a.data(), keep);
    out[keep] = 0;
    return static_cast<int>(keep);
}

// The whole text of a window, wide.
inline std::wstring GetWindowWide(HWND wnd) {
    int n = GetWindowTextLengthW(wnd);
    if (n <= 0) {
        return std::wstring();
    }
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    int got = GetWindowTextW(wnd, &w[0], n + 1);
    w.resize(static_cast<size_t>(got > 0 ? got : 0));
    return w;
}

// A control's text in the ANSI code page, at most size - 1 bytes.
inline int GetDlgItemAnsi(HWND dlg, int id, char* out, int size) {
    HWND item = GetDlgItem(dlg, id);
    if (!item) {
        if (size > 0) {
            out[0] = 0;
        }
        return 0;
    }
    std::wstring w = GetWindowWide(item);
    return WideToAnsi(w.c_str(), out, size);
}

inline void SetDlgItemAnsi(HWND dlg, int id, const char* text) {
    SetDlgItemTextW(dlg, id, AnsiToWide(text).c_str());
}
