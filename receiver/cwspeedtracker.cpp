// Dot-length estimation from mark and space durations (see cwspeedtracker.h).
#include "receiver/cwspeedtracker.h"

#include <algorithm>
#include <cmath>

namespace {
// About four characters of marks and their spaces.
constexpr size_t kRecent = 28;
// Each older duration counts this much less than the next newer one.
constexpr double kAgeing = 0.92;
// Cap of a duration's squared log distance from its nearest multiple.
constexpr double kCap = 0.2;
// Search grid: 2 % steps.
constexpr double kGridStep = 1.02;
// Share of the durations that must read as one dot.
constexpr double kMinUnitShare = 0.25;
constexpr double kUnitPenalty = 0.1;
// A mark this many dots long says the speed is lost.
constexpr double kRunTogether = 6.0;
// Weight of the squared log distance from the present estimate.
constexpr double kStay = 1.0;
// A second long mark within this many marks restarts the speed.
constexpr int kLongWithin = 6;
// Durations below this are noise whatever the speed.
constexpr double kShortest = 0.008;
}  // namespace

CCwSpeedTracker::CCwSpeedTracker(double initialDotSeconds)
    : m_dDot(std::min(kMaxDot, std::max(kMinDot, initialDotSeconds))) {}

void CCwSpeedTracker::AddMark(double s) {
    if (s > kRunTogether * m_dDot) {
        // Far longer than a dash: a held key, noise bridging two marks, or
        // the marks of a faster sender running together. Twice within a few
        // marks, the speed is not known now: start again from what comes.
        if (m_nSinceLong < kLongWithin && m_bAllowRestart) Restart();
        m_nSinceLong = 0;
        return;
    }
    ++m_nSinceLong;
    Add(s, true);
}

void CCwSpeedTracker::Restart() {
    m_dFit = 1.0;
    m_bFitted = 0;
    m_recent.clear();
}

void CCwSpeedTracker::AddSpace(double s) {
    Add(s, false);
}

void CCwSpeedTracker::Add(double s, bool mark) {
    if (s < kShortest || s > 2.0) return;
    m_recent.push_back({std::log(s), mark});
    if (m_recent.size() > kRecent) m_recent.pop_front();
    Refit();
}

void CCwSpeedTracker::Refit() {
    // Wait for a few marks and spaces before trusting a fit.
    size_t marks = 0;
    for (const tagDuration& d : m_recent) marks += d.bMark ? 1 : 0;
    if (marks < 3 || m_recent.size() < 6) return;
    static const double kLog3 = std::log(3.0);
    static const double kLog7 = std::log(7.0);
    const double lmin = std::log(kMinDot);
    const double lmax = std::log(kMaxDot);
    const double step = std::log(kGridStep);
    double bestCost = 1e300;
    double weights = 0.0;
    double bestFit = 0.0;
    double best = std::log(m_dDot);
    for (double lt = lmin; lt <= lmax + 1e-9; lt += step) {
        double cost = 0.0;
        double w = 1.0;
        // Weights of all marks and spaces, and of those read as one dot.
        double marks = 0.0, spaces = 0.0, unitMarks = 0.0, unitSpaces = 0.0;
        for (size_t i = m_recent.size(); i-- > 0;) {
            const tagDuration& d = m_recent[i];
            const double x = d.dLog - lt;
            const double e1 = x * x;
            double e = std::min(e1, (x - kLog3) * (x - kLog3));
            if (!d.bMark) e = std::min(e, (x - kLog7) * (x - kLog7));
            cost += w * std::min(e, kCap);
            const bool unit = e1 <= e && e1 < kCap;
            (d.bMark ? marks : spaces) += w;
            if (unit) (d.bMark ? unitMarks : unitSpaces) += w;
            if (lt == lmin) weights += w;
            w *= kAgeing;
        }
        // Real keying has dots and element gaps: a length that leaves
        // nothing at one dot is a multiple of the true one, not the dot.
        const double fit = cost;
        // Speeds far from the present one must explain the durations
        // clearly better: noise bursts half a dot long do not drag the
        // estimate to twice the speed.
        const double jump = lt - std::log(m_dDot);
        if (m_bFitted) cost += kStay * jump * jump;
        if (unitMarks + unitSpaces < kMinUnitShare * (marks + spaces)) {
            cost += kUnitPenalty * (marks + spaces);
        }
        if (cost < bestCost) {
            bestCost = cost;
            bestFit = fit;
            best = lt;
        }
    }
    m_dDot = std::min(kMaxDot, std::max(kMinDot, std::exp(best)));
    m_dFit = bestFit / weights;
    m_bFitted = 1;
}
