// Native station hosts: the headless host with a client area as the
// default window leaves one under its caption and menu.
#include "tests/app/stationkit.h"

#include "ui/windowhost_headless.h"

std::unique_ptr<IWindowHost> CreateStationHost(const VdRect& windowRect) {
    const int width = windowRect.right - windowRect.left - 8;
    const int height = windowRect.bottom - windowRect.top - 46;
    return std::unique_ptr<IWindowHost>(new CHeadlessWindowHost(width, height, windowRect));
}

void PumpStationMessages() {}
