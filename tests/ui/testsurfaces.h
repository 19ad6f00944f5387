// Surfaces and window hosts for the ui tests, the same calls in both builds:
// natively a headless host with raster surfaces, in the Windows build a real
// window (under Wine with an X display) with GDI surfaces. Drawing tests are
// written once against these and run on both back ends.
#pragma once

#include "ui/drawsurface.h"
#include "ui/windowhost.h"

// "raster" or "gdi"; tests print it so that a failure names its back end.
const char* TestBackEndName();

// A host whose client area is width x height; the caller deletes it (in the
// Windows build that also destroys its window). A hidden window is made
// faster; paint messages need a shown one.
IWindowHost* CreateTestHost(int clientWidth, int clientHeight, bool shown = false);

// Lets the platform deliver what it queued for the host's window (posted
// and sent messages, WM_PAINT); nothing to do natively.
void PumpTestMessages();
