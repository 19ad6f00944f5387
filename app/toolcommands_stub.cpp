// Stand-ins for the menu tools of toolcommands.h, so that the program links
// and runs while the settings and training tools are written. They are weak:
// the real definitions replace them wherever they are linked in. The tools'
// author deletes this file once all four real functions exist.
#include "app/toolcommands.h"

__attribute__((weak)) int ShowSettingsDialog(void*) { return 2; }
__attribute__((weak)) void ShowKochDialog(void*) {}
__attribute__((weak)) void MakeKochWaveFile(void*) {}
__attribute__((weak)) void MakeCwWaveFile(void*) {}
