// Safe worker timing from a settings snapshot (see stationtiming.h).
#include "app/stationtiming.h"

tagStationTiming MakeStationTiming(const SettingValues& v) {
    tagStationTiming t{};
    t.keys.shorthit = ClampDelayMs(v.shorthit);
    t.keys.longhit = ClampDelayMs(v.longhit);
    t.keys.hitdelay = ClampDelayMs(v.hitdelay);
    t.keys.letterdelay = ClampDelayMs(v.letterdelay);
    t.keys.worddelay = ClampDelayMs(v.worddelay);
    // Below the character speed, an effective speed lengthens the gaps.
    ApplyFarnsworth(t.keys, v.effectivewpm, SENDER_WORD_GAP_LETTER_DELAYS, &t.keys);
    t.sendperiod = ClampPeriodMs(v.sendperiod);
    t.sendidlelimit = v.sendidlelimit;
    t.recvperiod = ClampPeriodMs(v.recvperiod);
    t.recvidlelimit = v.recvidlelimit;
    // The thresholds follow the stored dash length, as the decoder always
    // has; only the period is made safe to divide by.
    t.sendThreshold = ParserThreshold(v.longhit, t.sendperiod);
    t.recvThreshold = ParserThreshold(v.longhit, t.recvperiod);
    return t;
}
