// CCwSpeedTracker: estimates the sender's dot length from the marks and
// spaces it hears. Marks are dots or dashes (1 or 3 dots long), spaces
// element, character or word gaps (1, 3 or 7 dots). The estimate is the
// dot length that fits the recent durations best, found by a search over
// 5 ... 50 WPM; each duration counts by its distance (in the log domain)
// from the nearest of its allowed multiples, with the distance capped so
// that noise, a held key or a pause cannot pull the estimate, and recent
// durations count more, so a change of speed settles within a few
// characters.
#pragma once

#include <cstddef>
#include <deque>

class CCwSpeedTracker {
public:
    // Speeds outside 5 ... 50 WPM are clamped; dot seconds = 1.2 / WPM.
    static constexpr double kMinDot = 1.2 / 50.0;
    static constexpr double kMaxDot = 1.2 / 5.0;

    explicit CCwSpeedTracker(double initialDotSeconds);

    void AddMark(double seconds);
    void AddSpace(double seconds);
    // Forgets the recent durations: the speed is to be found again.
    void Restart();
    // Whether run-together marks may restart the speed: only on a clean
    // signal, where they cannot be noise bridging two marks.
    void AllowRestart(int allow) { m_bAllowRestart = allow; }

    double DotSeconds() const { return m_dDot; }
    double Wpm() const { return 1.2 / m_dDot; }
    // Mean capped squared log distance of the recent durations from the
    // fitted multiples (0 for perfect keying); large while the durations
    // do not fit any speed, as when marks run together.
    double FitError() const { return m_dFit; }
    // Nonzero once a fit has been made.
    int Fitted() const { return m_bFitted; }

private:
    struct tagDuration {
        double dLog;
        bool bMark;
    };
    void Add(double seconds, bool mark);
    void Refit();

    double m_dDot;
    double m_dFit = 1.0;
    int m_bFitted = 0;
    int m_nSinceLong = 1000;
    int m_bAllowRestart = 1;  // marks since the last far too long one
    std::deque<tagDuration> m_recent;
};
