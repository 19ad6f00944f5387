// Interruptible waits on a stop flag with a condition variable (see
// stopsignal.h).
#include "app/stopsignal.h"

CStopSignal::CStopSignal(std::atomic<int32_t>* flag) : m_pFlag(flag) {}

CStopSignal::~CStopSignal() {}

void CStopSignal::Raise() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pFlag->store(1);
    }
    m_wake.notify_all();
}

int CStopSignal::WaitUntil(Clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const bool stopped = m_wake.wait_until(lock, deadline, [this] { return m_pFlag->load() != 0; });
    return stopped ? 0 : 1;
}

int CStopSignal::WaitFor(int32_t ms) {
    if (ms < 0) {
        ms = 0;
    }
    return WaitUntil(Clock::now() + std::chrono::milliseconds(ms));
}
