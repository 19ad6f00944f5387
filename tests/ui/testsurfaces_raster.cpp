// Native side of testsurfaces.h: the headless host.
#include "tests/ui/testsurfaces.h"

#include "ui/windowhost_headless.h"

const char* TestBackEndName() { return "raster"; }

IWindowHost* CreateTestHost(int clientWidth, int clientHeight, bool /*shown*/) {
    return new CHeadlessWindowHost(clientWidth, clientHeight, VdRect{100, 100, 100 + clientWidth, 100 + clientHeight});
}

void PumpTestMessages() {}
