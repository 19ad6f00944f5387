// Windows station hosts: a real, hidden window of the station's style at
// the settings' rectangle (under Wine an X display must be present).
#include "tests/app/stationkit.h"

#include <windows.h>

#include "ui/windowhost_win32.h"

namespace {

const wchar_t kClassName[] = L"VardoStationTest";

LRESULT CALLBACK StationTestProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterStationClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = StationTestProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);
    done = true;
}

class CStationTestHost : public CHwndWindowHost {
public:
    explicit CStationTestHost(HWND hwnd) : CHwndWindowHost(hwnd) {}
    ~CStationTestHost() override { DestroyWindow(GetWindow()); }
};

}  // namespace

std::unique_ptr<IWindowHost> CreateStationHost(const VdRect& r) {
    RegisterStationClass();
    HWND hwnd = CreateWindowExW(0, kClassName, L"vardo station test", WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                r.left, r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    return std::unique_ptr<IWindowHost>(hwnd != nullptr ? new CStationTestHost(hwnd) : nullptr);
}

void PumpStationMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
