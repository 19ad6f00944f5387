// The recording port driver of the tests.
#include "hw/fakeportdriver.h"

int CFakePortDriver::Initialize() {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_bFailInitialize) return 0;
    ++m_nInitialize;
    m_bOpen = 1;
    return 1;
}

int CFakePortDriver::SetPortVal(uint16_t address, uint32_t value, uint8_t size) {
    std::lock_guard<std::mutex> guard(m_lock);
    const int index = m_nWriteCalls++;
    if (!m_bOpen) ++m_nWritesWhileClosed;
    if (m_bFailWrites || index == m_nFailWriteAt || !m_bOpen) return 0;
    m_writes.push_back(tagPortWrite{address, value, size});
    return 1;
}

void CFakePortDriver::Shutdown() {
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_nShutdown;
    m_bOpen = 0;
}

void CFakePortDriver::SetFailInitialize(int fail) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_bFailInitialize = fail;
}

void CFakePortDriver::SetFailWrites(int fail) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_bFailWrites = fail;
}

void CFakePortDriver::SetFailWriteAt(int index) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_nFailWriteAt = index;
}

std::vector<tagPortWrite> CFakePortDriver::Writes() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_writes;
}

void CFakePortDriver::ClearWrites() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_writes.clear();
}

int CFakePortDriver::InitializeCount() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nInitialize;
}

int CFakePortDriver::ShutdownCount() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nShutdown;
}

int CFakePortDriver::IsOpen() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bOpen;
}

int CFakePortDriver::WritesWhileClosed() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nWritesWhileClosed;
}
