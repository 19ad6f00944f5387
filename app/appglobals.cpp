// Process-wide state of the program and the rebuild of the main window.
#include "app/appglobals.h"

#include "app/vardomainwindow.h"
#include "settings/vardosetting.h"
#include "ui/windowhost.h"

CVardoMainWindow* g_pMainWindow = nullptr;
IWindowHost* g_pWindowHost = nullptr;
void* g_hInstance = nullptr;

int RebuildMainWindow() {
    // The global is cleared before the old object goes, so that a message
    // dispatched meanwhile never reaches a half-destroyed object.
    CVardoMainWindow* old = g_pMainWindow;
    g_pMainWindow = nullptr;
    delete old;
    if (g_pWindowHost == nullptr || g_pSetting == nullptr) {
        return 0;
    }
    CVardoMainWindow* station = new CVardoMainWindow(g_pWindowHost, g_pSetting);
    const int started = station->Start();
    g_pMainWindow = station;
    // The old station's pixels (its pause caption, mode button, queue text)
    // would stay until something else repaints them.
    g_pWindowHost->Invalidate(nullptr);
    return started;
}
