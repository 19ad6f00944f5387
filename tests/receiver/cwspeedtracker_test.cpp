// The speed fit on timed marks and spaces: it must find the dot whatever
// the starting guess, not settle on a multiple of it when one kind of
// element dominates, and follow a change of speed.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "receiver/cwspeedtracker.h"

namespace {

// Feeds a pattern of elements ('.' '-' marks, ' ' element gap, '/' character
// gap, '|' word gap) at the given dot length, with +-jitter in each length.
void Feed(CCwSpeedTracker* t, const std::string& pattern, double dot, double jitter, std::mt19937* rng) {
    std::uniform_real_distribution<double> j(1.0 - jitter, 1.0 + jitter);
    for (char c : pattern) {
        switch (c) {
            case '.': t->AddMark(dot * j(*rng)); break;
            case '-': t->AddMark(3 * dot * j(*rng)); break;
            case ' ': t->AddSpace(dot * j(*rng)); break;
            case '/': t->AddSpace(3 * dot * j(*rng)); break;
            case '|': t->AddSpace(7 * dot * j(*rng)); break;
        }
    }
}

TEST(CwSpeedTracker, FindsTheDotFromAnyStart) {
    // PARIS, then a run of dashes (0 0 0 M) and of dots (5 5 H S).
    static const char* const kParis = ". - - ./. -/. - ./. ./. . .|";
    static const char* const kDashes = "- - - - -/- - - - -/- - - - -/- -|";
    static const char* const kDots = ". . . . ./. . . . ./. . . ./. . .|";
    static const struct {
        double startWpm;
        double wpm;
        const char* pattern;
        double jitter;
    } rows[] = {
        {15, 5, kParis, 0.1},  {15, 50, kParis, 0.1}, {50, 12, kParis, 0.2}, {5, 30, kParis, 0.2},
        {20, 20, kDashes, 0.1}, {20, 20, kDots, 0.1},  {35, 18, kDashes, 0.15}, {12, 25, kDots, 0.15},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        std::mt19937 rng(static_cast<unsigned>(i));
        CCwSpeedTracker t(1.2 / rows[i].startWpm);
        Feed(&t, std::string(kParis) + kParis, 1.2 / rows[i].wpm, rows[i].jitter, &rng);
        Feed(&t, rows[i].pattern, 1.2 / rows[i].wpm, rows[i].jitter, &rng);
        EXPECT_NEAR(rows[i].wpm, t.Wpm(), rows[i].wpm * 0.08)
            << "row " << i << ": from " << rows[i].startWpm << " WPM, pattern " << rows[i].pattern;
        EXPECT_LT(t.FitError(), 0.08) << "row " << i;
    }
}

TEST(CwSpeedTracker, MarksRunTogetherRestartTheFit) {
    std::mt19937 rng(5);
    CCwSpeedTracker t(1.2 / 12);
    Feed(&t, ". - - ./. -/. - ./. ./. . .|", 0.1, 0.05, &rng);
    ASSERT_NEAR(12.0, t.Wpm(), 1.0);
    // Two marks far longer than a dash: the speed is lost, the fit starts
    // again and finds the new speed from what follows.
    t.AddMark(1.0);
    t.AddMark(1.2);
    EXPECT_FALSE(t.Fitted());
    Feed(&t, ". - - ./. -/. - ./. ./. . .|", 0.04, 0.05, &rng);
    EXPECT_NEAR(30.0, t.Wpm(), 2.5);
}

}  // namespace
