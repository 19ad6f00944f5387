// Native builds have no port I/O: the platform driver never opens, so the
// port stays not ready unless a test installs a driver of its own.
#include "hw/portdriver.h"

namespace {

class CUnavailablePortDriver : public IPortDriver {
public:
    int Initialize() override { return 0; }
    int SetPortVal(uint16_t, uint32_t, uint8_t) override { return 0; }
    void Shutdown() override {}
};

}  // namespace

IPortDriver* DefaultPortDriver() {
    static CUnavailablePortDriver driver;
    return &driver;
}
