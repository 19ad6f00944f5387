// The program's process-wide state besides the settings store (g_pSetting,
// settings/vardosetting.h): the main window object, the window host it is
// built on, and the instance handle. The entry sets them; the settings
// dialog rebuilds the main window object through RebuildMainWindow.
#pragma once

class CVardoMainWindow;
class IWindowHost;

// Null while there is none (before start-up, during a rebuild, after
// WM_DESTROY).
extern CVardoMainWindow* g_pMainWindow;
// The host of the one top-level window; owned by the entry.
extern IWindowHost* g_pWindowHost;
// The module's instance handle (an HINSTANCE in the Windows builds).
extern void* g_hInstance;

// Destroys the main window object (threads stopped, window rectangle saved
// into the settings), builds a new one on g_pWindowHost from g_pSetting and
// starts it. Returns the result of Start, 0 if there is no host or store.
// The caller then enables or disables networking on the new object.
int RebuildMainWindow();
