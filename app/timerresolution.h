// CTimerResolution: while it lives, the system timer runs at 1 ms on
// Windows (timeBeginPeriod), so that the keying and sampling deadlines are
// met to the millisecond rather than the default 15.6 ms tick. Elsewhere
// the timers are fine already and it does nothing.
#pragma once

#include <cstdint>

class CTimerResolution {
public:
    CTimerResolution();
    ~CTimerResolution();
    CTimerResolution(const CTimerResolution&) = delete;
    CTimerResolution& operator=(const CTimerResolution&) = delete;

    // 1 when this object raised the resolution (and will lower it again).
    int32_t IsRaised() const { return m_bRaised; }

private:
    int32_t m_bRaised;
};
