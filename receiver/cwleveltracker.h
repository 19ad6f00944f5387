// CCwLevelTracker: the mark/space decision on the detector's envelope,
// independent of the input level. It follows two levels over time, the
// noise floor (the envelope while the key is up) and the mark level (the
// envelope while it is down), and places a pair of thresholds between them
// for hysteresis. A mark is only possible while the mark level stands
// clearly above the floor, so that noise alone keys nothing.
#pragma once

#include <cstdint>

class CCwLevelTracker {
public:
    // rate: envelope samples per second.
    explicit CCwLevelTracker(double rate);

    // One envelope sample; returns the decision, 1 mark, 0 space.
    int Feed(double envelope);

    // Time constants scale with the dot length, so that a fast sender's
    // levels are followed as quickly in characters as a slow one's.
    void SetDotSeconds(double dot);

    double Floor() const { return m_dFloor; }
    double MarkLevel() const { return m_dMark; }
    int State() const { return m_nState; }

private:
    double m_dRate;
    double m_dFloor = 0.0;
    double m_dMark = 0.0;
    int m_nState = 0;
    int64_t m_nSamples = 0;
    double m_dAttack = 0.0;
    double m_dMarkFollow = 0.0;
    double m_dFloorFollow = 0.0;
    double m_dDecay = 0.0;
};
