// CStopSignal: the interruptible waits of the station's worker threads. Every
// pause a worker makes (an element, a gap, a sampling period) is a wait on a
// deadline that ends early when the station is being destroyed, so closing
// the window never has to sit out a long delay read from the INI file.
// Natively a condition variable waits; on Windows an event, which wakes
// closer to the deadline than the run-time's condition variable there.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class CStopSignal {
public:
    using Clock = std::chrono::steady_clock;

    // flag: the owner's stop flag (1 = stopping); not owned.
    explicit CStopSignal(std::atomic<int32_t>* flag);
    ~CStopSignal();
    CStopSignal(const CStopSignal&) = delete;
    CStopSignal& operator=(const CStopSignal&) = delete;

    // Sets the flag and wakes every waiter. The flag is written under the
    // lock so that a waiter between its test and its wait cannot miss it.
    void Raise();
    bool IsRaised() const { return m_pFlag->load() != 0; }

    // Waits until the deadline; returns 1 when it was reached, 0 when the
    // flag was (or became) set.
    int WaitUntil(Clock::time_point deadline);
    // The same for a span of milliseconds from now; spans below 0 count as 0.
    int WaitFor(int32_t ms);

private:
    std::atomic<int32_t>* m_pFlag;
    std::mutex m_mutex;             // native
    std::condition_variable m_wake; // native
    void* m_hEvent = nullptr;       // Windows: manual-reset, set by Raise
};
