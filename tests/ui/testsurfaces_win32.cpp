// Windows side of testsurfaces.h: a real top-level window per host, sized so
// that its client area is exactly as asked, shown without activation (under
// Wine an X display must be present, e.g. xvfb-run).
#include "tests/ui/testsurfaces.h"

#include <windows.h>

#include "ui/windowhost_win32.h"

namespace {

const wchar_t kClassName[] = L"VardoTestWindow";

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterTestClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);
    done = true;
}

class CTestWindowHost : public CHwndWindowHost {
public:
    explicit CTestWindowHost(HWND hwnd) : CHwndWindowHost(hwnd) {}
    ~CTestWindowHost() override { DestroyWindow(GetWindow()); }
};

}  // namespace

const char* TestBackEndName() { return "gdi"; }

IWindowHost* CreateTestHost(int clientWidth, int clientHeight, bool shown) {
    RegisterTestClass();
    // A popup has no minimum size, so even tiny client areas come out exact.
    DWORD style = WS_POPUP;
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRect(&r, style, FALSE);
    HWND hwnd = CreateWindowExW(0, kClassName, L"vardo test", style, 20, 20, r.right - r.left, r.bottom - r.top,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (hwnd == nullptr) {
        return nullptr;
    }
    if (shown) {
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd);
    }
    return new CTestWindowHost(hwnd);
}

void PumpTestMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
