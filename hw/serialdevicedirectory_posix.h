// Where the native build finds its serial ports (see serialline_posix.cpp).
#pragma once

#include <cstdint>
#include <string>

// COMn becomes <directory>/com<n>; null or "" restores /dev/ttyS<n-1>.
void SetSerialDeviceDirectory(const char* directory);
std::string SerialDevicePath(int32_t port);
