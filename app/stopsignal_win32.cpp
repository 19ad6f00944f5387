// Interruptible waits on a stop flag with a Win32 event (see stopsignal.h).
// The wait is cut into whole milliseconds rounded up and repeated until the
// steady clock has passed the deadline, so it never ends early.
#include "app/stopsignal.h"

#include <windows.h>

CStopSignal::CStopSignal(std::atomic<int32_t>* flag)
    : m_pFlag(flag), m_hEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CStopSignal::~CStopSignal() {
    if (m_hEvent != nullptr) {
        CloseHandle(static_cast<HANDLE>(m_hEvent));
    }
}

void CStopSignal::Raise() {
    m_pFlag->store(1);
    if (m_hEvent != nullptr) {
        SetEvent(static_cast<HANDLE>(m_hEvent));
    }
}

int CStopSignal::WaitUntil(Clock::time_point deadline) {
    for (;;) {
        if (m_pFlag->load() != 0) {
            return 0;
        }
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            return 1;
        }
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now).count();
        const long long ms = (left + 999) / 1000;
        const DWORD wait = ms > 0x7FFFFFFFLL ? 0x7FFFFFFFu : static_cast<DWORD>(ms);
        if (m_hEvent != nullptr) {
            WaitForSingleObject(static_cast<HANDLE>(m_hEvent), wait);
        } else {
            Sleep(wait < 10 ? wait : 10);  // no event: poll the flag
        }
    }
}

int CStopSignal::WaitFor(int32_t ms) {
    if (ms < 0) {
        ms = 0;
    }
    return WaitUntil(Clock::now() + std::chrono::milliseconds(ms));
}
