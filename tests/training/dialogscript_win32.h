// Drives a modal dialog from inside its own message loop: a thread timer
// runs one scripted step per tick on the dialog's thread, so steps may set
// the focus, type and read controls exactly as a user's input would reach
// them. A step returns true when it is done and false to be tried again on
// the next tick (waiting for a window or a clock). Steps must not block:
// anything that opens a modal window is posted, and the next step finds it.
// When a step keeps failing past its tick budget the script records the
// failure and ends every dialog of the thread, so a broken dialog never
// hangs the test.
#pragma once

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

class CDialogScript {
public:
    using Step = std::function<bool()>;

    void Add(const char* name, Step step) { m_steps.push_back({name, std::move(step)}); }

    // Starts ticking; call before the modal call that opens the dialog.
    // VARDO_SCRIPT_PAUSE_MS holds each step back that long, so that a
    // person or a screenshot can follow the dialog.
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
    // Stops ticking; true when every step ran. failure() tells which did not.
    bool Finish() {
        if (m_timer) {
            KillTimer(nullptr, m_timer);
            m_timer = 0;
        }
        s_current = nullptr;
        return m_next == m_steps.size() && m_failure.empty();
    }
    const std::string& failure() const { return m_failure; }
    // Steps that ran to completion.
    size_t Completed() const { return m_next < m_steps.size() ? m_next : m_steps.size(); }
    // Lets a step record a wrong value; the script goes on.
    void Fail(const std::string& what) {
        if (m_failure.empty()) {
            m_failure = what;
        }
    }

    // ---- Window helpers for steps.

    // A visible top-level window of this thread with the caption.
    static HWND FindTop(const wchar_t* caption) {
        FindTopState f{caption, nullptr};
        EnumThreadWindows(GetCurrentThreadId(), &CDialogScript::FindTopProc, reinterpret_cast<LPARAM>(&f));
        return f.found;
    }
    // Whether any child of w shows exactly this text.
    static bool HasChildText(HWND w, const wchar_t* text) {
        ChildTextState f{text, false};
        EnumChildWindows(w, &CDialogScript::ChildTextProc, reinterpret_cast<LPARAM>(&f));
        return f.found;
    }
    static std::wstring Text(HWND dlg, int id) {
        wchar_t t[512];
        for (wchar_t& c : t) c = L'#';   // sentinel: a failed read shows
        t[511] = 0;
        if (!GetDlgItemTextW(dlg, id, t, 512)) {
            if (!GetDlgItem(dlg, id)) {
                return L"<no control>";
            }
            t[0] = 0;
        }
        return t;
    }
    static std::string Narrow(const std::wstring& w) {
        int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string s(n > 0 ? static_cast<size_t>(n) : 1, '\0');
        WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, &s[0], n, nullptr, nullptr);
        s.resize(s.size() - 1);
        return s;
    }
    // Types the characters as keyboard input would arrive at the control.
    static void Type(HWND control, const wchar_t* text) {
        for (; *text; ++text) {
            SendMessageW(control, WM_CHAR, static_cast<WPARAM>(*text), 1);
        }
    }
    static void PostClick(HWND dlg, int id) {
        PostMessageW(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
    }
    // Ends every dialog of this thread (the failure path).
    static void EndAll() {
        EnumThreadWindows(GetCurrentThreadId(), &CDialogScript::EndProc, 0);
    }

private:
    struct FindTopState { const wchar_t* caption; HWND found; };
    struct ChildTextState { const wchar_t* text; bool found; };

    static BOOL CALLBACK FindTopProc(HWND w, LPARAM p) {
        FindTopState* f = reinterpret_cast<FindTopState*>(p);
        wchar_t text[128] = {};
        GetWindowTextW(w, text, 128);
        if (IsWindowVisible(w) && wcscmp(text, f->caption) == 0) {
            f->found = w;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK ChildTextProc(HWND c, LPARAM p) {
        ChildTextState* f = reinterpret_cast<ChildTextState*>(p);
        wchar_t t[512] = {};
        GetWindowTextW(c, t, 512);
        if (wcscmp(t, f->text) == 0) {
            f->found = true;
            return FALSE;
        }
        return TRUE;
    }
    static BOOL CALLBACK EndProc(HWND w, LPARAM) {
        wchar_t cls[32] = {};
        GetClassNameW(w, cls, 32);
        if (wcscmp(cls, L"#32770") == 0) {
            EndDialog(w, 0x7777);
        }
        return TRUE;
    }

    struct Entry {
        const char* name;
        Step step;
    };

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
        CDialogScript* s = s_current;
        if (!s || s->m_running || s->m_next >= s->m_steps.size()) {
            return;
        }
        if (s->m_pauseMs && GetTickCount() - s->m_stepStart < s->m_pauseMs) {
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
            s->Fail(std::string("step '") + s->m_steps[s->m_next].name + "' never completed");
            s->m_next = s->m_steps.size() + 1;
            EndAll();
        }
    }

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
