// CDeadlineSchedule: the clock of keying and sampling. Each transition is
// due a fixed span after the previous one was due, not after it happened, so
// the small lateness of every wake-up is made up by the next wait and long
// runs of elements, gaps or samples do not drift. When a transition comes
// much too late (the thread was starved), the schedule starts again from
// that moment instead of shortening the spans that follow to catch up.
#pragma once

#include <chrono>
#include <cstdint>

class CDeadlineSchedule {
public:
    using Clock = std::chrono::steady_clock;
    // Lateness beyond which the schedule restarts at the actual time.
    static constexpr std::chrono::milliseconds MAX_LATENESS{10};

    // Starts the schedule: the current transition is due at now.
    void Anchor(Clock::time_point now) { m_due = now; }
    // A transition takes place at now (which is not before its due time,
    // unless the wait was cut short). Returns 1 if it was on time, 0 if the
    // schedule restarted at now.
    int Reached(Clock::time_point now);
    // The due time of the next transition, ms after the current one's; spans
    // below 0 count as 0.
    Clock::time_point Next(int32_t ms);
    Clock::time_point Due() const { return m_due; }

private:
    Clock::time_point m_due{};
};
