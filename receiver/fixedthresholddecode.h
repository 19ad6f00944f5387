// The station's fixed-threshold receive path run over recorded samples: the
// capture's analysis once per receive period, its verdict through the idle
// rule into a Morse parser, exactly as the receive panel is fed. Used by
// the offline decoder and the benchmarks to compare with the adaptive
// receiver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "morse/morsecode.h"

struct tagFixedThresholdOptions {
    int32_t nPeriodMs;     // recvperiod
    int32_t nIdleMs;       // recvidlelimit
    int32_t nLongHitMs;    // longhit
    int32_t nSamples;      // recvanalyzesamples
    double dThreshold;     // recvthreshold
    int32_t nBandStart;    // recvfreqstart
    int32_t nBandEnd;      // recvfreqend
};

// The text the receive panel's parser would show ('#' for unknown
// patterns; this path knows no word spaces).
std::string DecodeFixedThreshold(const std::vector<int16_t>& samples, int32_t rate,
                                 const tagFixedThresholdOptions& options, const tagMorseCode* table);
