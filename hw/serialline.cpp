// The replaceable serial port opener.
#include "hw/serialline.h"

#include <mutex>

namespace {

std::mutex g_openerLock;
SerialLineOpener g_opener;

}  // namespace

std::unique_ptr<ISerialLine> OpenSerialLine(int32_t port, int32_t* error) {
    int32_t dummy = 0;
    int32_t* err = error != nullptr ? error : &dummy;
    *err = SERIAL_ERROR_NONE;
    if (!IsSerialPortNumber(port)) {
        *err = SERIAL_ERROR_BAD_NUMBER;
        return nullptr;
    }
    SerialLineOpener opener;
    {
        std::lock_guard<std::mutex> guard(g_openerLock);
        opener = g_opener;
    }
    std::unique_ptr<ISerialLine> line = opener ? opener(port, err) : OpenPlatformSerialLine(port, err);
    if (line == nullptr && *err == SERIAL_ERROR_NONE) {
        *err = SERIAL_ERROR_OTHER;
    }
    return line;
}

void SetSerialLineOpener(SerialLineOpener opener) {
    std::lock_guard<std::mutex> guard(g_openerLock);
    g_opener = std::move(opener);
}
