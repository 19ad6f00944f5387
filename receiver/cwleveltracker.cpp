// Level-independent mark/space decision (see cwleveltracker.h).
#include "receiver/cwleveltracker.h"

#include <algorithm>
#include <cmath>

namespace {
// Thresholds as fractions of the way from the floor to the mark level.
constexpr double kUpFraction = 0.58;
constexpr double kDownFraction = 0.42;
// The mark level must stand this far above the floor (amplitude ratio)
// before anything counts as a mark.
constexpr double kMinContrast = 2.2;
}  // namespace

CCwLevelTracker::CCwLevelTracker(double rate) : m_dRate(rate > 1 ? rate : 1) {
    SetDotSeconds(0.06);
}

void CCwLevelTracker::SetDotSeconds(double dot) {
    const double perDot = std::max(1.0, dot * m_dRate);
    // Per-sample weights: the mark level rises within a fraction of a dot
    // and settles over a few dots; the floor follows over a few dots; an
    // unused mark level sinks back over some forty dots.
    m_dAttack = 1.0 / (0.5 * perDot);
    m_dMarkFollow = 1.0 / (3.0 * perDot);
    m_dFloorFollow = 1.0 / (6.0 * perDot);
    m_dDecay = 1.0 / (40.0 * perDot);
}

int CCwLevelTracker::Feed(double e) {
    ++m_nSamples;
    if (m_nSamples == 1) {
        m_dFloor = e;
        m_dMark = e;
    }
    if (m_nState) {
        // The mean of the envelope while the key is down.
        m_dMark += m_dMarkFollow * (e - m_dMark);
    } else {
        // The floor follows the envelope's mean while the key is up; over
        // the first fifth of a second it is the plain mean, so that it does
        // not start from the empty filter's zero.
        const double settle = static_cast<double>(m_nSamples) / (0.2 * m_dRate);
        m_dFloor += std::max(m_dFloorFollow, settle < 1.0 ? 1.0 / static_cast<double>(m_nSamples) : 0.0) *
                    (e - m_dFloor);
        if (e > m_dMark) {
            m_dMark += m_dAttack * (e - m_dMark);
        } else {
            // An unused mark level sinks back slowly (the signal has gone).
            m_dMark += m_dDecay * (m_dFloor - m_dMark);
        }
    }
    const double span = m_dMark - m_dFloor;
    const bool contrast = m_dMark > kMinContrast * m_dFloor;
    if (!contrast) {
        m_nState = 0;
    } else if (m_nState) {
        if (e < m_dFloor + kDownFraction * span) m_nState = 0;
    } else if (e > m_dFloor + kUpFraction * span) {
        m_nState = 1;
    }
    return m_nState;
}
