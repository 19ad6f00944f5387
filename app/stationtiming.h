// The timing values the station's worker threads run on, taken once from a
// settings snapshot and made safe: a period below 1 ms would make a sampler
// spin, and a negative delay would be an endless wait, so periods are raised
// to at least 1 ms and delays to at least 0. Idle limits stay as they are
// (one of 0 or below just stops feeding the panel).
#pragma once

#include <cstdint>

#include "morse/keyingtiming.h"
#include "settings/vardosetting.h"

constexpr int32_t MIN_PERIOD_MS = 1;

inline int32_t ClampPeriodMs(int32_t ms) { return ms < MIN_PERIOD_MS ? MIN_PERIOD_MS : ms; }
inline int32_t ClampDelayMs(int32_t ms) { return ms < 0 ? 0 : ms; }

struct tagStationTiming {
    tagKeyDurations keys;   // every duration >= 0, gaps stretched to effectivewpm
    int32_t sendperiod;     // >= 1
    int32_t sendidlelimit;
    int32_t recvperiod;     // >= 1
    int32_t recvidlelimit;
    int32_t sendThreshold;  // parser threshold of the send panel
    int32_t recvThreshold;  // and of the receive panel
};

tagStationTiming MakeStationTiming(const SettingValues& v);
