// Drives a modal dialog from inside its own message loop: a thread timer
// runs one scripted step per tick on the dialog's thread, so steps set the
// focus, type and read controls as a user's input would reach them. A step
// returns true when done, false to be tried again next tick. Steps never
// block: whatever opens a modal window is posted and found by the next
// step. A step that keeps failing past its budget fails the script, which
// then ends every dialog of the thread so that the test cannot hang.
// VARDO_SCRIPT_PAUSE_MS holds each step back that long, for watching.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

class CDialogScript {
public:
    void Add(const char* name, std::function<bool()> step) { m_steps.push_back({name, std::move(step)}); }

    // Call before the modal call that opens the dialog.
    void Start(UINT periodMs = 30, int ticksPerStep = 200) {
        s_current = this;
        m_budget = ticksPerStep;
        char pause[16] = {};
        if (GetEnvironmentVariableA("VARDO_SCRIPT_PAUSE_MS", pause, sizeof pause) > 0) {
            m_pauseMs = static_cast<DWORD>(atoi(pause));
            m_budget += static_cast<int>(m_pauseMs / periodMs) + 1;
        }
        m_stepStart = GetTickCount();
        m_timer = SetTimer(nullptr, 0, periodMs, &CDialogScript::Tick);
    }
    // True when every step ran.
    bool Finish() {
        KillTimer(nullptr, m_timer);
        s_current = nullptr;
        return m_next == m_steps.size() && m_failure.empty();
    }
    const std::string& failure() const { return m_failure; }
    size_t Completed() const { return m_next < m_steps.size() ? m_next : m_steps.size(); }

    // A visible top-level window of this thread with this caption.
    static HWND FindTop(const wchar_t* caption) {
        Search f{caption, nullptr};
        EnumThreadWindows(GetCurrentThreadId(), &CDialogScript::FindTopProc, reinterpret_cast<LPARAM>(&f));
        return f.found;
    }
    // Whether a child of w shows exactly this text.
    static bool HasChildText(HWND w, const wchar_t* text) {
        Search f{text, nullptr};
        EnumChildWindows(w, &CDialogScript::ChildTextProc, reinterpret_cast<LPARAM>(&f));
        return f.found != nullptr;
    }
    // A control's text in UTF-8; a sentinel-filled buffer shows failed reads.
    static std::string Text(HWND dlg, int id) {
        if (!GetDlgItem(dlg, id)) {
            return "<no control>";
        }
        wchar_t t[512];
        for (wchar_t& c : t) c = L'#';
        t[511] = 0;
        if (!GetDlgItemTextW(dlg, id, t, 512)) t[0] = 0;
        return Narrow(t);
    }
    static std::string Narrow(const std::wstring& w) {
        int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string s(n > 0 ? static_cast<size_t>(n) : 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
        s.resize(s.size() - 1);
        return s;
    }
    // Characters as typed keys reach the control.
    static void Type(HWND control, const wchar_t* text) {
        for (; *text; ++text) SendMessageW(control, WM_CHAR, static_cast<WPARAM>(*text), 1);
    }
    static void Key(HWND control, WPARAM vk, WPARAM ch) {
        SendMessageW(control, WM_KEYDOWN, vk, 1);
        SendMessageW(control, WM_CHAR, ch, 1);
        SendMessageW(control, WM_KEYUP, vk, 0xC0000001);
    }
    static void PostClick(HWND dlg, int id) {
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
    }
    static void EndAll() { EnumThreadWindows(GetCurrentThreadId(), &CDialogScript::EndProc, 0); }

private:
    struct Search { const wchar_t* text; HWND found; };

    static BOOL CALLBACK FindTopProc(HWND w, LPARAM p) {
        Search* f = reinterpret_cast<Search*>(p);
        wchar_t t[128] = {};
        GetWindowTextW(w, t, 128);
        if (IsWindowVisible(w) && wcscmp(t, f->text) == 0) f->found = w;
        return f->found == nullptr;
    }
    static BOOL CALLBACK ChildTextProc(HWND c, LPARAM p) {
        Search* f = reinterpret_cast<Search*>(p);
        wchar_t t[512] = {};
        GetWindowTextW(c, t, 512);
        if (wcscmp(t, f->text) == 0) f->found = c;
        return f->found == nullptr;
    }
    static BOOL CALLBACK EndProc(HWND w, LPARAM) {
        wchar_t cls[32] = {};
        GetClassNameW(w, cls, 32);
        if (wcscmp(cls, L"#32770") == 0) EndDialog(w, IDCANCEL);
        return TRUE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        CDialogScript* s = s_current;
        if (!s || s->m_running || s->m_next >= s->m_steps.size() ||
            (s->m_pauseMs && GetTickCount() - s->m_stepStart < s->m_pauseMs)) {
            return;
        }
        s->m_running = true;
        bool done = s->m_steps[s->m_next].step();
        s->m_running = false;
        if (done) {
            ++s->m_next;
            s->m_tries = 0;
            s->m_stepStart = GetTickCount();
        } else if (++s->m_tries > s->m_budget) {
            s->m_failure = std::string("step '") + s->m_steps[s->m_next].name + "' never completed";
            s->m_next = s->m_steps.size() + 1;
            EndAll();
        }
    }

    struct Entry { const char* name; std::function<bool()> step; };
    static inline CDialogScript* s_current = nullptr;
    std::vector<Entry> m_steps;
    size_t m_next = 0;
    int m_tries = 0;
    int m_budget = 200;
    bool m_running = false;
    UINT_PTR m_timer = 0;
    DWORD m_pauseMs = 0;
    DWORD m_stepStart = 0;
    std::string m_failure;
};
