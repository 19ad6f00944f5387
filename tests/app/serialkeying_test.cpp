// The station keying a radio through a recording serial port: the key line
// follows the sidetone for the sender, hand keying and paddles; the PTT goes
// on a lead time before the first key-down (sender and hand alike) and off a
// tail time after the last key-up, after the character under way and its
// gap on pause and flush, and with the station; the port stays open across a
// rebuild on the same port; a failed line is reported once; a frame from a
// peer never moves either line; a port that cannot be opened leaves the
// station keying as before.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "app/stationnotice.h"
#include "hw/fakeportdriver.h"
#include "hw/fakeserialline.h"
#include "hw/portdriver.h"
#include "hw/serialkeyer.h"
#include "morse/keyingtiming.h"
#include "net/keyframe.h"
#include "tests/app/stationkit.h"
#include "ui/vdbutton.h"

namespace {

#ifdef _WIN32
constexpr double TOLERANCE_MS = 40.0;
#else
constexpr double TOLERANCE_MS = 25.0;
#endif

struct tagSerialSetup {
    int32_t line;
    int32_t invert;
    int32_t lead;
    int32_t tail;
    int32_t wpm;  // 0: the default timing
    int32_t port = 7;
};

CStationRig::Tweak SerialTweak(const tagSerialSetup& s) {
    return [s](CVardoSetting& v) {
        v.serialkey = 1;
        v.serialport = s.port;
        v.serialline = s.line;
        v.serialinvert = s.invert;
        v.pttinvert = s.invert;
        v.serialptt = 1;
        v.pttlead = s.lead;
        v.ptttail = s.tail;
        tagKeyDurations d{};
        if (s.wpm > 0 && SpeedToDurations(s.wpm, &d)) {
            v.shorthit = d.shorthit, v.longhit = d.longhit, v.hitdelay = d.hitdelay;
            v.letterdelay = d.letterdelay, v.worddelay = d.worddelay;
        }
    };
}

// One logical change: 'k' key line or 'p' PTT, 1 down/on, 0 up/off.
struct tagLineStep {
    char which;
    int level;
    TestClock::time_point when;
};

std::vector<tagLineStep> Steps(CSerialLineLog& log, const tagSerialSetup& s) {
    std::vector<tagLineStep> out;
    for (const tagSerialEvent& e : log.Events()) {
        if (e.kind == SERIAL_EVENT_SET) {
            out.push_back(tagLineStep{e.line == s.line ? 'k' : 'p', e.level ^ (s.invert ? 1 : 0), e.when});
        } else {
            out.push_back(tagLineStep{e.kind == SERIAL_EVENT_OPEN ? 'O' : 'C', 0, e.when});
        }
    }
    return out;
}

std::string StepsText(const std::vector<tagLineStep>& steps) {
    std::string text;
    for (const tagLineStep& st : steps) {
        text += st.which;
        if (st.which == 'k' || st.which == 'p') text += static_cast<char>('0' + st.level);
        text += ' ';
    }
    return text;
}

double Ms(TestClock::time_point from, TestClock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// The key line's edges, in order, as transitions like the tone's.
std::vector<tagTransition> KeyEdges(const std::vector<tagLineStep>& steps) {
    std::vector<tagTransition> out;
    for (const tagLineStep& st : steps) {
        if (st.which == 'k' && (out.empty() ? st.level == 1 : st.level != out.back().down)) {
            out.push_back(tagTransition{st.level, st.when});
        }
    }
    return out;
}

void Hold(int ms) { CStationRig::WaitUntil([] { return false; }, ms); }

}  // namespace

TEST(SerialKeying, QueuedTextKeysTheLineBetweenPttLeadAndTail) {
    const tagSerialSetup rows[] = {
        {SERIAL_LINE_DTR, 0, 60, 150, 20},
        {SERIAL_LINE_RTS, 1, 30, 120, 40},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        CStationRig rig(SerialTweak(rows[i]));
        ASSERT_NE(nullptr, rig.Station().GetSerialKeyer()) << "row " << i;
        ASSERT_TRUE(rig.Station().GetSerialKeyer()->IsReady()) << "row " << i;
        rig.Station().EnqueueText("ET", 2, 0);
        ASSERT_TRUE(rig.WaitUntilSent()) << "row " << i;
        ASSERT_TRUE(CStationRig::WaitUntil([&] { return !rig.Station().GetSerialKeyer()->IsPttRaised(); }))
            << "row " << i;
        const std::vector<tagLineStep> steps = Steps(log, rows[i]);
        EXPECT_EQ("O k0 p0 p1 k1 k0 k1 k0 p0 ", StepsText(steps)) << "row " << i;
        ASSERT_EQ(9u, steps.size()) << "row " << i;

        // The key line keeps the sidetone's timing, element for element.
        const std::vector<tagTransition> tone = rig.ToneTransitions();
        const std::vector<tagTransition> key = KeyEdges(steps);
        ASSERT_EQ(tone.size(), key.size()) << "row " << i;
        for (size_t k = 0; k < key.size(); ++k) {
            EXPECT_EQ(tone[k].down, key[k].down) << "row " << i << " edge " << k;
            EXPECT_NEAR(0.0, Ms(tone[k].when, key[k].when), TOLERANCE_MS) << "row " << i << " edge " << k;
        }
        // PTT on, the lead, the elements; the tail counts from the last
        // key-up, not from the end of the gap after it.
        const tagKeyDurations& d = rig.Station().GetTiming().keys;
        EXPECT_NEAR(rows[i].lead, Ms(steps[3].when, steps[4].when), TOLERANCE_MS) << "row " << i;
        EXPECT_NEAR(d.shorthit, Ms(steps[4].when, steps[5].when), TOLERANCE_MS) << "row " << i;
        EXPECT_NEAR(d.longhit, Ms(steps[6].when, steps[7].when), TOLERANCE_MS) << "row " << i;
        EXPECT_NEAR(rows[i].tail, Ms(steps[7].when, steps[8].when), TOLERANCE_MS)
            << "row " << i;
    }
}

TEST(SerialKeying, HandKeyingAndPaddlesRaisePttAndHoldItForTheTail) {
    const tagSerialSetup setup{SERIAL_LINE_DTR, 0, 80, 400, 0};
    const struct {
        bool paddle;
        const char* steps;
        double leadMs;  // PTT on to the first key-down
    } rows[] = {
        // By hand too the key waits the lead after the PTT; the gap between
        // the two presses is shorter than the tail, so the PTT holds.
        {false, "O k0 p0 p1 k1 k0 k1 k0 p0 ", 80.0},
        // A paddle element goes through the sender, with the lead.
        {true, "O k0 p0 p1 k1 k0 k1 k0 p0 ", 80.0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        CStationRig rig(SerialTweak(setup));
        VdRect cw;
        rig.Station().GetCwButton()->GetRect(&cw);
        const VdPoint c = CStationRig::Centre(cw);
        if (rows[i].paddle) {
            rig.Press(VD_VK_TAB);
            rig.MouseDown(VD_MOUSE_LEFT, c.x, c.y);
            rig.MouseUp(VD_MOUSE_LEFT, c.x, c.y);
            rig.MouseDown(VD_MOUSE_RIGHT, c.x, c.y);
            rig.MouseUp(VD_MOUSE_RIGHT, c.x, c.y);
            ASSERT_TRUE(rig.WaitUntilSent()) << "row " << i;
        } else {
            for (int press = 0; press < 2; ++press) {
                rig.KeyDown(VD_VK_RETURN);
                Hold(60);
                rig.KeyUp(VD_VK_RETURN);
                Hold(100);
            }
        }
        ASSERT_TRUE(CStationRig::WaitUntil([&] { return !rig.Station().GetSerialKeyer()->IsPttRaised(); }))
            << "row " << i;
        const std::vector<tagLineStep> steps = Steps(log, setup);
        ASSERT_EQ(rows[i].steps, StepsText(steps)) << "row " << i;
        EXPECT_NEAR(rows[i].leadMs, Ms(steps[3].when, steps[4].when), TOLERANCE_MS) << "row " << i;
        // The tail runs from the last key-up, by hand and by paddle.
        EXPECT_NEAR(setup.tail, Ms(steps[7].when, steps[8].when), TOLERANCE_MS) << "row " << i;
        // The sidetone starts with the key line, after the lead.
        const std::vector<tagTransition> tone = rig.ToneTransitions();
        ASSERT_FALSE(tone.empty()) << "row " << i;
        EXPECT_NEAR(0.0, Ms(steps[4].when, tone[0].when), TOLERANCE_MS) << "row " << i;
    }
}

TEST(SerialKeying, PauseAndFlushFinishTheCharacterAndItsGapThenDropThePtt) {
    // A long tail: a PTT that waited for it would still be on when checked.
    const tagSerialSetup setup{SERIAL_LINE_DTR, 0, 20, 5000, 0};
    const struct {
        bool flush;
        size_t left;  // records still queued afterwards
    } rows[] = {{false, 3}, {true, 0}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        CStationRig rig(SerialTweak(setup));
        CSerialKeyer* keyer = rig.Station().GetSerialKeyer();
        rig.Station().EnqueueText("AAAA", 4, 0);
        // Asked during the first element of the first A.
        ASSERT_TRUE(CStationRig::WaitUntil([&] { return keyer->IsKeyLineDown() != 0; })) << "row " << i;
        if (rows[i].flush) {
            rig.Station().FlushQueue();
        } else {
            rig.Press(VD_VK_F5);
        }
        ASSERT_TRUE(CStationRig::WaitUntil([&] { return rig.Station().IsSenderWaiting() != 0; })) << "row " << i;
        ASSERT_TRUE(CStationRig::WaitUntil([&] { return !keyer->IsPttRaised(); }, 2000)) << "row " << i;
        EXPECT_EQ(0, keyer->IsKeyLineDown()) << "row " << i;
        EXPECT_EQ(rows[i].left, rig.Station().GetCodeQueueLength()) << "row " << i;
        const std::vector<tagLineStep> steps = Steps(log, setup);
        // The whole A goes out, and the key line follows the sidetone.
        ASSERT_EQ("O k0 p0 p1 k1 k0 k1 k0 p0 ", StepsText(steps)) << "row " << i;
        EXPECT_EQ(4u, rig.ToneTransitions().size()) << "row " << i;
        // The radio leaves the air after the letter gap, not with the last
        // key-up, and not a tail later.
        const tagKeyDurations& d = rig.Station().GetTiming().keys;
        EXPECT_NEAR(d.hitdelay + d.letterdelay, Ms(steps[7].when, steps[8].when), TOLERANCE_MS) << "row " << i;
    }
}

TEST(SerialKeying, StopAndRebuildWhileKeyedReleaseBothLinesAndKeepThePortOpen) {
    const tagSerialSetup setup{SERIAL_LINE_RTS, 1, 20, 5000, 0};
    const struct {
        bool bySender;    // else held down by hand
        int32_t rebuild;  // 0: none; else the port the rebuilt station keys
        const char* after;  // the log of the rebuilt station, built and gone
    } rows[] = {
        {false, 0, ""},
        {true, 0, ""},
        // The same port: not opened again, the lines set released at the
        // start and at the end.
        {false, 7, "k0 p0 k0 p0 "},
        {true, 7, "k0 p0 k0 p0 "},
        // Another port: the old one closes once the new one is open.
        {false, 8, "O k0 p0 C k0 p0 "},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        CStationRig rig(SerialTweak(setup));
        if (rows[i].bySender) {
            rig.Station().EnqueueText("TTTT", 4, 0);
        } else {
            rig.KeyDown(VD_VK_RETURN);
        }
        ASSERT_TRUE(CStationRig::WaitUntil([&] { return rig.Station().GetSerialKeyer()->IsKeyLineDown() != 0; }))
            << "row " << i;
        rig.DestroyStation();
        std::vector<tagLineStep> steps = Steps(log, setup);
        ASSERT_GE(steps.size(), 2u) << "row " << i;
        // Released, and the port left open for the next station.
        EXPECT_EQ("k0 p0 ", StepsText(std::vector<tagLineStep>(steps.end() - 2, steps.end())))
            << "row " << i << ": " << StepsText(steps);
        if (rows[i].rebuild != 0) {
            const size_t before = steps.size();
            CVardoSetting& v = rig.Settings();
            v.serialport = rows[i].rebuild;
            std::unique_ptr<IWindowHost> host = CreateStationHost(v.windowrect);
            {
                CVardoMainWindow again(host.get(), &v);
                EXPECT_TRUE(again.GetSerialKeyer()->IsReady()) << "row " << i;
            }
            steps = Steps(log, setup);
            EXPECT_EQ(rows[i].after, StepsText(std::vector<tagLineStep>(steps.begin() + before, steps.end())))
                << "row " << i;
        }
        // A station without serial keying lets the kept port close.
        rig.Settings().serialkey = 0;
        std::unique_ptr<IWindowHost> host = CreateStationHost(rig.Settings().windowrect);
        { CVardoMainWindow without(host.get(), &rig.Settings()); }
        steps = Steps(log, setup);
        EXPECT_EQ("C ", StepsText(std::vector<tagLineStep>(steps.end() - 1, steps.end()))) << "row " << i;
        EXPECT_EQ(rows[i].rebuild == 8 ? 2 : 1, log.OpenCount()) << "row " << i;
    }
}

TEST(SerialKeying, AFailedLineIsNoticedOnceAndKeyingGoesOn) {
    std::mutex lock;
    std::vector<int> notices;
    SetStationNoticeHook([&](void*, int notice) {
        std::lock_guard<std::mutex> guard(lock);
        notices.push_back(notice);
    });
    const tagSerialSetup setup{SERIAL_LINE_DTR, 0, 10, 50, 40};
    {
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        CStationRig rig(SerialTweak(setup));
        log.SetFailLines(1);
        rig.Station().EnqueueText("EEEE", 4, 0);
        ASSERT_TRUE(rig.WaitUntilSent());
        EXPECT_EQ(4, rig.ToneOnCount()) << "the sidetone keys on";
        EXPECT_TRUE(CStationRig::WaitUntil([&] {
            std::lock_guard<std::mutex> guard(lock);
            return !notices.empty();
        }));
        // The adapter comes back: the port is opened again.
        log.SetFailLines(0);
        EXPECT_TRUE(CStationRig::WaitUntil([&] { return !rig.Station().GetSerialKeyer()->HasFailed(); }, 5000));
        EXPECT_LE(2, log.OpenCount());
        rig.DestroyStation();
    }
    SetStationNoticeHook(StationNoticeHook());
    std::lock_guard<std::mutex> guard(lock);
    ASSERT_EQ(1u, notices.size());
    EXPECT_EQ(NOTICE_SERIAL_FAILED, notices[0]);
}

TEST(SerialKeying, PeerFramesNeverMoveTheLines) {
    const tagSerialSetup setup{SERIAL_LINE_DTR, 0, 20, 100, 0};
    CSerialLineLog log;
    CScopedSerialLog installed(&log);
    CStationRig rig(SerialTweak(setup));
    const size_t before = log.Events().size();
    for (uint32_t key : {1u, 0u, 1u, 0u}) {
        unsigned char frame[8] = {};
        frame[0] = static_cast<unsigned char>(key);
        rig.Station().OnNetworkFrame(nullptr, frame);
    }
    Hold(200);
    EXPECT_EQ(4u, rig.ToneTransitions().size()) << "the frames keyed the sidetone";
    EXPECT_EQ(before, log.Events().size()) << StepsText(Steps(log, setup));
}

TEST(SerialKeying, APortThatDoesNotOpenLeavesTheStationKeying) {
    const int32_t errors[] = {SERIAL_ERROR_NO_PORT, SERIAL_ERROR_BUSY};
    for (size_t i = 0; i < sizeof errors / sizeof errors[0]; ++i) {
        CFakePortDriver driver;
        CScopedPortDriver port(&driver);
        CSerialLineLog log;
        log.SetOpenError(errors[i]);
        CScopedSerialLog installed(&log);
        CStationRig rig([](CVardoSetting& v) {
            v.enableextport = 1;
            v.serialkey = 1;
            v.serialptt = 1;
        });
        ASSERT_NE(nullptr, rig.Station().GetSerialKeyer()) << "row " << i;
        EXPECT_EQ(0, rig.Station().GetSerialKeyer()->IsReady()) << "row " << i;
        EXPECT_EQ(errors[i], rig.Station().GetSerialKeyer()->OpenError()) << "row " << i;
        rig.Station().EnqueueText("EE", 2, 0);
        ASSERT_TRUE(rig.WaitUntilSent()) << "row " << i;
        EXPECT_EQ(2, rig.ToneOnCount()) << "row " << i;
        EXPECT_EQ(5u, driver.Writes().size()) << "row " << i << ": the I/O port keys on";
        EXPECT_TRUE(log.Events().empty()) << "row " << i;
    }
}
