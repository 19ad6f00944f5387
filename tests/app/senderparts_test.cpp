// The sender's parts: the drift-free deadline schedule, the interruptible
// stop waits, the guarded queues whose wake-ups are never lost, and the
// timing values made safe from the settings.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/deadlineschedule.h"
#include "app/sendqueues.h"
#include "app/stationtiming.h"
#include "app/stopsignal.h"

namespace {
using Clock = CDeadlineSchedule::Clock;
using std::chrono::milliseconds;
}  // namespace

TEST(DeadlineSchedule, SmallLatenessIsMadeUpLargeRestartsTheSchedule) {
    const struct {
        int spanMs;  // to the next transition
        int lateMs;  // how late that transition happens
        int onTime;  // Reached's answer
        int dueMs;   // its due time from the start, as the schedule keeps it
    } rows[] = {
        {80, 0, 1, 80},     // on time
        {80, 3, 1, 160},    // 3 ms late: the next span is 3 ms shorter
        {80, 10, 1, 240},   // the limit itself still counts as on time
        {80, 11, 0, 331},   // beyond it the schedule restarts where it is
        {0, 0, 1, 331},     // a zero span is due at once
        {-5, 2, 1, 331},    // a negative span counts as 0
        {240, 0, 1, 571},
    };
    const Clock::time_point t0{};
    CDeadlineSchedule s;
    s.Anchor(t0);
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        const Clock::time_point due = s.Next(rows[i].spanMs);
        EXPECT_EQ(rows[i].onTime, s.Reached(due + milliseconds(rows[i].lateMs))) << "row " << i;
        EXPECT_EQ(milliseconds(rows[i].dueMs), s.Due() - t0) << "row " << i;
    }
}

TEST(DeadlineSchedule, ALongRunDoesNotDrift) {
    // 1000 transitions each 1 ms late: all on time, the last one due exactly
    // 1000 spans after the start.
    CDeadlineSchedule s;
    const Clock::time_point t0{};
    s.Anchor(t0);
    for (int i = 0; i < 1000; ++i) {
        const Clock::time_point due = s.Next(27);
        ASSERT_EQ(1, s.Reached(due + milliseconds(1))) << "transition " << i;
    }
    EXPECT_EQ(milliseconds(27000), s.Due() - t0);
}

TEST(StopSignal, WaitsEndAtTheirDeadlineOrAtOnceWhenRaised) {
    std::atomic<int32_t> flag{0};
    CStopSignal stop(&flag);
    EXPECT_EQ(1, stop.WaitFor(0));
    EXPECT_EQ(1, stop.WaitFor(-100));  // a negative span is no endless wait
    EXPECT_EQ(1, stop.WaitFor(5));
    // A waiter on a very long deadline is released by Raise from another
    // thread.
    std::atomic<int> result{-1};
    std::thread waiter([&] { result = stop.WaitFor(600000); });
    std::this_thread::sleep_for(milliseconds(20));
    stop.Raise();
    waiter.join();
    EXPECT_EQ(0, result.load());
    EXPECT_EQ(1, flag.load());
    EXPECT_EQ(0, stop.WaitFor(600000));  // once raised, no wait at all
}

TEST(SendQueues, KeepOrderAndAWakeUpGivenEarlyIsNotLost) {
    CSendQueues q;
    tagMorseCode codes[3] = {{'A', 2, 3, 'A'}, {'B', 7, 15, 'B'}, {'_', 0, 0, ' '}};
    for (const tagMorseCode& c : codes) q.PushCode(&c);
    q.PushPaddle(1);
    q.PushPaddle(0);
    EXPECT_EQ(3u, q.CodeCount());
    EXPECT_EQ(2u, q.PaddleCount());
    for (size_t i = 0; i < 3; ++i) {
        const tagMorseCode* got = nullptr;
        ASSERT_EQ(1, q.PopCode(&got)) << "entry " << i;
        EXPECT_EQ(&codes[i], got) << "entry " << i;
    }
    const tagMorseCode* none = &codes[0];
    EXPECT_EQ(0, q.PopCode(&none));
    EXPECT_EQ(&codes[0], none);
    int32_t dot = -1;
    ASSERT_EQ(1, q.PopPaddle(&dot));
    EXPECT_EQ(1, dot);
    ASSERT_EQ(1, q.PopPaddle(&dot));
    EXPECT_EQ(0, dot);
    EXPECT_EQ(0, q.PopPaddle(&dot));

    // A wake-up before the wait makes the wait return at once, once.
    std::atomic<int32_t> stop{0};
    q.Wake();
    q.WaitForWake(stop);
    std::atomic<int> woken{0};
    std::thread sender([&] {
        q.WaitForWake(stop);
        woken = 1;
        q.WaitForWake(stop);  // ends with the stop flag
        woken = 2;
    });
    std::this_thread::sleep_for(milliseconds(30));
    EXPECT_EQ(0, woken.load()) << "the early wake-up was used twice";
    q.Wake();
    while (woken.load() == 0) std::this_thread::yield();
    stop = 1;
    q.Wake();
    sender.join();
    EXPECT_EQ(2, woken.load());
}

TEST(StationTiming, PeriodsAndDelaysAreMadeSafe) {
    const struct {
        int32_t value;
        int32_t period;  // as a period
        int32_t delay;   // as a delay
    } rows[] = {{27, 27, 27}, {1, 1, 1}, {0, 1, 0}, {-1, 1, 0}, {INT32_MIN, 1, 0}, {600000, 600000, 600000}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        SettingValues v;
        SetDefaultSettingValues(&v);
        v.sendperiod = v.recvperiod = rows[i].value;
        v.shorthit = v.longhit = v.hitdelay = v.letterdelay = v.worddelay = rows[i].value;
        v.sendidlelimit = v.recvidlelimit = rows[i].value;
        const tagStationTiming t = MakeStationTiming(v);
        EXPECT_EQ(rows[i].period, t.sendperiod) << "row " << i;
        EXPECT_EQ(rows[i].period, t.recvperiod) << "row " << i;
        EXPECT_EQ(rows[i].delay, t.keys.shorthit) << "row " << i;
        EXPECT_EQ(rows[i].delay, t.keys.longhit) << "row " << i;
        EXPECT_EQ(rows[i].delay, t.keys.hitdelay) << "row " << i;
        EXPECT_EQ(rows[i].delay, t.keys.letterdelay) << "row " << i;
        EXPECT_EQ(rows[i].delay, t.keys.worddelay) << "row " << i;
        // Idle limits are kept: one of 0 or below just stops the feeding.
        EXPECT_EQ(rows[i].value, t.sendidlelimit) << "row " << i;
    }
    SettingValues v;
    SetDefaultSettingValues(&v);
    EXPECT_EQ(3, MakeStationTiming(v).sendThreshold);
    v.sendperiod = 0;
    v.longhit = 100;
    EXPECT_EQ(95, MakeStationTiming(v).sendThreshold);  // 100 / 1 - 5, no division by zero
}

// The send and receive sides take each value from their own keys: a row whose
// send and receive timing differ tells a side that reads the other's.
TEST(StationTiming, SendAndReceiveSidesKeepTheirOwnTiming) {
    const struct {
        int32_t sendperiod, sendidle, recvperiod, recvidle, longhit;
        int32_t sendThreshold, recvThreshold;
    } rows[] = {
        {27, 750, 10, 300, 240, 3, 19},    // 240/27-5 and 240/10-5
        {10, 300, 27, 750, 240, 19, 3},
        {5, 100, 40, 2000, 400, 75, 5},
        {40, 0, 5, -1, 400, 5, 75},        // idle limits of 0 or below are kept as they are
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        SettingValues v;
        SetDefaultSettingValues(&v);
        v.sendperiod = rows[i].sendperiod;
        v.sendidlelimit = rows[i].sendidle;
        v.recvperiod = rows[i].recvperiod;
        v.recvidlelimit = rows[i].recvidle;
        v.longhit = rows[i].longhit;
        const tagStationTiming t = MakeStationTiming(v);
        EXPECT_EQ(rows[i].sendperiod, t.sendperiod) << "row " << i;
        EXPECT_EQ(rows[i].sendidle, t.sendidlelimit) << "row " << i;
        EXPECT_EQ(rows[i].recvperiod, t.recvperiod) << "row " << i;
        EXPECT_EQ(rows[i].recvidle, t.recvidlelimit) << "row " << i;
        EXPECT_EQ(rows[i].sendThreshold, t.sendThreshold) << "row " << i;
        EXPECT_EQ(rows[i].recvThreshold, t.recvThreshold) << "row " << i;
    }
}

TEST(StationTiming, EffectiveSpeedLengthensOnlyTheGaps) {
    const struct { int32_t effective; int32_t letterdelay, worddelay; } rows[] = {
        {0, 195, 195}, {20, 195, 195}, {25, 195, 195},  // off, equal, above: today's timing
        {10, 564, 276},  // letter gap 629 = 65 + 564, word gap 1469 = 65 + 2 x 564 + 276
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        SettingValues v;
        SetDefaultSettingValues(&v);
        v.shorthit = v.hitdelay = 65;
        v.longhit = v.letterdelay = v.worddelay = 195;
        v.effectivewpm = rows[i].effective;
        const tagStationTiming t = MakeStationTiming(v);
        EXPECT_EQ(65, t.keys.shorthit) << "row " << i;
        EXPECT_EQ(195, t.keys.longhit) << "row " << i;
        EXPECT_EQ(65, t.keys.hitdelay) << "row " << i;
        EXPECT_EQ(rows[i].letterdelay, t.keys.letterdelay) << "row " << i;
        EXPECT_EQ(rows[i].worddelay, t.keys.worddelay) << "row " << i;
        EXPECT_EQ(2, t.sendThreshold) << "row " << i << ": the decoder follows the dash only";  // 195 / 27 - 5
    }
}
