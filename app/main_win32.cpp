// The program's entry on Windows: the settings store, the window class and
// the one top-level window, the station object on it, the message loop with
// the accelerators, and the window procedure with the menu commands. At the
// end the settings store is destroyed, which writes vardo.ini; ending the
// Windows session writes it too.
#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <vector>

#include "app/appglobals.h"
#include "app/stationnotice.h"
#include "app/toolcommands.h"
#include "app/vardomainwindow.h"
#include "hw/portoutput.h"
#include "hw/serialline.h"
#include "res/vardoresource.h"
#include "settings/vardosetting.h"
#include "ui/windowhost_win32.h"

namespace {

constexpr int MAX_LOADSTRING = 100;
constexpr COLORREF CLASS_BACKGROUND = COLOR_MENU + 1;  // brush value 5
constexpr DWORD WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

wchar_t g_szTitle[MAX_LOADSTRING];
wchar_t g_szWindowClass[MAX_LOADSTRING];

// Frees the rich-edit library at the end of the program.
class CLoadedLibrary {
public:
    explicit CLoadedLibrary(const wchar_t* name) : m_h(LoadLibraryW(name)) {}
    ~CLoadedLibrary() {
        if (m_h != nullptr) FreeLibrary(m_h);
    }
    CLoadedLibrary(const CLoadedLibrary&) = delete;
    CLoadedLibrary& operator=(const CLoadedLibrary&) = delete;

private:
    HMODULE m_h;
};

HINSTANCE Instance() { return static_cast<HINSTANCE>(g_hInstance); }

// The About box and the note dialog end with the id of the button pressed.
INT_PTR CALLBACK ButtonOnlyDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

// The port test's messages: UTF-8 text, the system's default caption.
void PortTestMessage(void* context, const char* text) {
    const int chars = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (chars <= 0) {
        return;
    }
    std::vector<wchar_t> wide(static_cast<size_t>(chars));
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), chars);
    MessageBoxW(static_cast<HWND>(context), wide.data(), nullptr, MB_OK);
}

// Koch training and its audio need at least two characters to choose from.
bool HasKochCharacters() {
    return g_pSetting != nullptr && strnlen(g_pSetting->charlist, KOCH_CHARLIST_SIZE) > 1;
}

void OnMenuCommand(HWND hwnd, unsigned id) {
    switch (id) {
    case IDM_VARDO_ABOUT:
        DialogBoxParamW(Instance(), MAKEINTRESOURCEW(IDD_VARDO_ABOUT), hwnd, ButtonOnlyDialogProc, 0);
        break;
    case IDM_VARDO_EXIT:
        DestroyWindow(hwnd);
        break;
    case IDM_VARDO_PORT_TEST:
        PortTest(PortTestMessage, hwnd);
        break;
    case IDM_VARDO_SETTINGS:
        // OK has rebuilt the station with the new values; networking
        // follows the new setting.
        if (ShowSettingsDialog(hwnd) == VARDO_SETTINGS_OK && g_pMainWindow != nullptr) {
            if (g_pSetting->nwenabled) {
                g_pMainWindow->EnableNetwork();
            } else {
                g_pMainWindow->DisableNetwork();
            }
        }
        break;
    case IDM_VARDO_KOCH:
        if (HasKochCharacters()) {
            ShowKochDialog(hwnd);
        } else {
            ShowStationNotice(hwnd, NOTICE_NO_KOCH_CHARS);
        }
        break;
    case IDM_VARDO_KOCH_WAVE:
        if (HasKochCharacters()) {
            MakeKochWaveFile(hwnd);
        } else {
            ShowStationNotice(hwnd, NOTICE_NO_KOCH_CHARS);
        }
        break;
    case IDM_VARDO_CW_WAVE:
        MakeCwWaveFile(hwnd);
        break;
    case IDM_VARDO_NOTE:
        DialogBoxParamW(Instance(), MAKEINTRESOURCEW(IDD_VARDO_NOTE), hwnd, ButtonOnlyDialogProc, 0);
        break;
    default:
        break;
    }
}

bool IsOwnCommand(unsigned id) {
    switch (id) {
    case IDM_VARDO_ABOUT:
    case IDM_VARDO_EXIT:
    case IDM_VARDO_PORT_TEST:
    case IDM_VARDO_SETTINGS:
    case IDM_VARDO_KOCH:
    case IDM_VARDO_KOCH_WAVE:
    case IDM_VARDO_CW_WAVE:
    case IDM_VARDO_NOTE:
        return true;
    default:
        return false;  // 1052 (Esc) and the rest go to the default procedure
    }
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_pMainWindow != nullptr &&
        g_pMainWindow->HandleMessage(message, static_cast<VdWParam>(wParam), static_cast<VdLParam>(lParam))) {
        return 1;
    }
    switch (message) {
    case WM_COMMAND: {
        const unsigned id = LOWORD(wParam);
        if (IsOwnCommand(id)) {
            OnMenuCommand(hwnd, id);
            return 0;
        }
        break;
    }
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_ENDSESSION:
        // The session ends (log-off, shut-down): the process is ended after
        // this message, without WM_DESTROY, so the settings are written now,
        // with the window rectangle, as a normal exit would write them.
        if (wParam && g_pSetting != nullptr) {
            if (g_pWindowHost != nullptr) {
                g_pWindowHost->GetWindowRect(&g_pSetting->windowrect);
            }
            g_pSetting->Save();
        }
        return 0;
    case WM_DESTROY: {
        CVardoMainWindow* station = g_pMainWindow;
        g_pMainWindow = nullptr;
        delete station;
        // The serial port was kept open for a rebuilt station; with the
        // program ending it closes, its lines released by the station.
        KeepSerialLineOpen(nullptr);
        PostQuitMessage(0);
        return 0;
    }
    default:
        break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

ATOM RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_VARDO));
    wc.hIconSm = LoadIconW(instance, MAKEINTRESOURCEW(IDI_VARDO_SMALL));
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(CLASS_BACKGROUND));
    wc.lpszMenuName = MAKEINTRESOURCEW(IDR_VARDO_MENU);
    wc.lpszClassName = g_szWindowClass;
    return RegisterClassExW(&wc);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    g_hInstance = instance;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    // The store loads vardo.ini now and writes it back when it is deleted
    // after the message loop; also when the settings dialog's OK is pressed
    // and when the Windows session ends.
    g_pSetting = new CVardoSetting();

    LoadStringW(instance, IDS_VARDO_TITLE, g_szTitle, MAX_LOADSTRING);
    LoadStringW(instance, IDS_VARDO_CLASS, g_szWindowClass, MAX_LOADSTRING);
    RegisterWindowClass(instance);

    const VdRect& r = g_pSetting->windowrect;
    HWND hwnd = CreateWindowExW(0, g_szWindowClass, g_szTitle, WINDOW_STYLE, r.left, r.top,
                                r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr) {
        // Ends without a word and without writing vardo.ini, which is
        // written only after a run.
        return 0;
    }

    std::unique_ptr<CHwndWindowHost> host(new CHwndWindowHost(hwnd));
    g_pWindowHost = host.get();
    g_pMainWindow = new CVardoMainWindow(g_pWindowHost, g_pSetting);

    CLoadedLibrary richEdit(L"RICHED20.dll");  // used by the dialogs' rich-edit boxes

    if (!g_pMainWindow->Start()) {
        // Threads stopped before the host they draw on goes.
        CVardoMainWindow* station = g_pMainWindow;
        g_pMainWindow = nullptr;
        delete station;
        KeepSerialLineOpen(nullptr);
        return 0;
    }
    g_pMainWindow->EnableNetwork();

    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);

    HACCEL accelerators = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(IDR_VARDO_ACCEL));
    MSG msg = {};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!TranslateAcceleratorW(msg.hwnd, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    // The window is gone and so is the station object (WM_DESTROY).
    g_pWindowHost = nullptr;
    host.reset();
    delete g_pSetting;
    g_pSetting = nullptr;
    return static_cast<int>(msg.wParam);
}
