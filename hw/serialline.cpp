// The replaceable serial port opener.
#include "hw/serialline.h"

#include <map>
#include <mutex>

namespace {

std::mutex g_openerLock;
SerialLineOpener g_opener;
// The ports open in this process, by number; guarded by g_openerLock.
std::map<int32_t, std::weak_ptr<ISerialLine>> g_open;

// One open port, shared by its holders; the port closes with the last.
class CSharedSerialLine : public ISerialLine {
public:
    explicit CSharedSerialLine(std::unique_ptr<ISerialLine> line) : m_pLine(std::move(line)) {}
    int SetLine(int32_t line, int32_t asserted) override {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_pLine->SetLine(line, asserted);
    }

private:
    std::mutex m_lock;
    std::unique_ptr<ISerialLine> m_pLine;
};

}  // namespace

std::shared_ptr<ISerialLine> OpenSerialLine(int32_t port, int32_t* error) {
    int32_t dummy = 0;
    int32_t* err = error != nullptr ? error : &dummy;
    *err = SERIAL_ERROR_NONE;
    if (!IsSerialPortNumber(port)) {
        *err = SERIAL_ERROR_BAD_NUMBER;
        return nullptr;
    }
    // Opening happens on the window thread; the lock is held through the
    // open so that two holders never open one port twice.
    std::lock_guard<std::mutex> guard(g_openerLock);
    std::shared_ptr<ISerialLine> shared = g_open[port].lock();
    if (shared != nullptr) {
        return shared;
    }
    std::unique_ptr<ISerialLine> line = g_opener ? g_opener(port, err) : OpenPlatformSerialLine(port, err);
    if (line == nullptr) {
        if (*err == SERIAL_ERROR_NONE) {
            *err = SERIAL_ERROR_OTHER;
        }
        g_open.erase(port);
        return nullptr;
    }
    shared = std::make_shared<CSharedSerialLine>(std::move(line));
    g_open[port] = shared;
    return shared;
}

void SetSerialLineOpener(SerialLineOpener opener) {
    std::lock_guard<std::mutex> guard(g_openerLock);
    g_opener = std::move(opener);
}
