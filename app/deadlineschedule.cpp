// Drift-free deadlines for keying and sampling (see deadlineschedule.h).
#include "app/deadlineschedule.h"

int CDeadlineSchedule::Reached(Clock::time_point now) {
    if (now - m_due > MAX_LATENESS) {
        m_due = now;
        return 0;
    }
    return 1;
}

CDeadlineSchedule::Clock::time_point CDeadlineSchedule::Next(int32_t ms) {
    if (ms > 0) {
        m_due += std::chrono::milliseconds(ms);
    }
    return m_due;
}
