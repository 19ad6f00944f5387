// The replaceable serial port opener.
#include "hw/serialline.h"

#include <map>
#include <mutex>

namespace {

std::mutex g_openerLock;
SerialLineOpener g_opener;
// The ports open in this process, by number; guarded by g_openerLock.
std::map<int32_t, std::weak_ptr<ISerialLine>> g_open;
// The port held open between stations; guarded by g_openerLock.
std::shared_ptr<ISerialLine> g_kept;

std::unique_ptr<ISerialLine> OpenWithOpener(int32_t port, int32_t* error) {
    return g_opener ? g_opener(port, error) : OpenPlatformSerialLine(port, error);
}

// One open port, shared by its holders; the port closes with the last.
class CSharedSerialLine : public ISerialLine {
public:
    CSharedSerialLine(int32_t port, std::unique_ptr<ISerialLine> line) : m_nPort(port), m_pLine(std::move(line)) {}
    int SetLine(int32_t line, int32_t asserted) override {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_pLine != nullptr && m_pLine->SetLine(line, asserted);
    }
    int Reopen(int32_t* error) override {
        int32_t dummy = 0;
        int32_t* err = error != nullptr ? error : &dummy;
        *err = SERIAL_ERROR_NONE;
        std::lock_guard<std::mutex> opening(g_openerLock);
        std::lock_guard<std::mutex> guard(m_lock);
        // The stale handle goes first: the system would refuse a second
        // exclusive open of the same port.
        m_pLine.reset();
        m_pLine = OpenWithOpener(m_nPort, err);
        if (m_pLine == nullptr && *err == SERIAL_ERROR_NONE) {
            *err = SERIAL_ERROR_OTHER;
        }
        return m_pLine != nullptr;
    }

private:
    int32_t m_nPort;
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
    std::unique_ptr<ISerialLine> line = OpenWithOpener(port, err);
    if (line == nullptr) {
        if (*err == SERIAL_ERROR_NONE) {
            *err = SERIAL_ERROR_OTHER;
        }
        g_open.erase(port);
        return nullptr;
    }
    shared = std::make_shared<CSharedSerialLine>(port, std::move(line));
    g_open[port] = shared;
    return shared;
}

void KeepSerialLineOpen(std::shared_ptr<ISerialLine> line) {
    std::shared_ptr<ISerialLine> old;
    {
        std::lock_guard<std::mutex> guard(g_openerLock);
        old = std::move(g_kept);
        g_kept = std::move(line);
    }
    // A port let go closes here, outside the lock its close may not need.
}

void SetSerialLineOpener(SerialLineOpener opener) {
    KeepSerialLineOpen(nullptr);
    std::lock_guard<std::mutex> guard(g_openerLock);
    g_opener = std::move(opener);
}
