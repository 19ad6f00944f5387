// The settings dialog's working copy: the values and hosts every page reads
// from when it is shown and writes back when it is left. Filled when the
// dialog opens and put into the store only by OK; it lives on after the
// dialog (tests read it) and is overwritten at the next opening.
#pragma once

#include <vector>

#include "settings/vardosetting.h"

extern SettingValues g_settingsWorkValues;
extern std::vector<tagHostNode> g_settingsWorkHosts;

// ShowSettingsDialog (app/toolcommands.h) opens the dialog.
