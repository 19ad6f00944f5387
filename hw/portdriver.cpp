// The counted, process-wide access to the port driver. Opening and closing
// happen on the window thread, writes on the window and sender threads; the
// count is changed under a lock, writes only read it.
#include "hw/portdriver.h"

#include <atomic>
#include <mutex>

namespace {

std::mutex g_driverLock;
std::atomic<IPortDriver*> g_pInstalled{nullptr};
std::atomic<int32_t> g_nOpenCount{0};

IPortDriver* CurrentDriver() {
    IPortDriver* installed = g_pInstalled.load();
    return installed != nullptr ? installed : DefaultPortDriver();
}

}  // namespace

int SetPortDriver(IPortDriver* driver) {
    std::lock_guard<std::mutex> guard(g_driverLock);
    if (g_nOpenCount.load() != 0) return 0;
    g_pInstalled.store(driver);
    return 1;
}

int OpenPortDriver() {
    std::lock_guard<std::mutex> guard(g_driverLock);
    if (g_nOpenCount.load() == 0 && !CurrentDriver()->Initialize()) return 0;
    g_nOpenCount.fetch_add(1);
    return 1;
}

void ClosePortDriver() {
    std::lock_guard<std::mutex> guard(g_driverLock);
    if (g_nOpenCount.load() == 0) return;
    if (g_nOpenCount.fetch_sub(1) == 1) CurrentDriver()->Shutdown();
}

int WritePortDriver(uint16_t address, uint32_t value, uint8_t size) {
    // The holders calling this keep the count above zero while they write.
    if (g_nOpenCount.load() == 0) return 0;
    return CurrentDriver()->SetPortVal(address, value, size) ? 1 : 0;
}

int32_t PortDriverOpenCount() {
    return g_nOpenCount.load();
}
