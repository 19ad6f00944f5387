// The serial keyer and the settings page's line test against the recording
// port: the levels put on each line for both lines and both polarities, the
// open errors, one open per port shared by its holders, the test on the
// station's port, failed lines reported and the port reopened, and the PTT
// lead by hand.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "hw/fakeserialline.h"
#include "hw/serialkeyer.h"

namespace {

}  // namespace

TEST(SerialKeyer, LinesAndPolarity) {
    const struct {
        int32_t line, invert, ptt, pttInvert;  // pttInvert -1: as invert
        const char* log;  // open, key down, key up, close
    } rows[] = {
        {SERIAL_LINE_DTR, 0, 0, -1, "O D0 D1 D0 D0 C "},
        {SERIAL_LINE_RTS, 0, 0, -1, "O R0 R1 R0 R0 C "},
        {SERIAL_LINE_DTR, 1, 0, -1, "O D1 D0 D1 D1 C "},
        {SERIAL_LINE_DTR, 0, 1, -1, "O D0 R0 R1 D1 D0 D0 R0 C "},
        {SERIAL_LINE_RTS, 1, 1, -1, "O R1 D1 D0 R0 R1 R1 D1 C "},
        // Key and PTT with polarities of their own.
        {SERIAL_LINE_DTR, 1, 1, 0, "O D1 R0 R1 D0 D1 D1 R0 C "},
        {SERIAL_LINE_RTS, 0, 1, 1, "O R0 D1 D0 R1 R0 R0 D1 C "},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        {
            CSerialKeyer keyer(tagSerialKeyConfig{4, rows[i].line, rows[i].invert, rows[i].ptt, 10, 10000,
                                                  rows[i].pttInvert});
            ASSERT_TRUE(keyer.IsReady()) << "row " << i;
            keyer.KeyDown();
            keyer.KeyUp();
        }
        EXPECT_EQ(rows[i].log, log.Text()) << "row " << i;
    }
}

TEST(SerialKeyer, LineTestReportsWhyAndSharesAnOpenPort) {
    const struct {
        int32_t port, openError, failLines;
        int32_t result, error;
        const char* log;
    } rows[] = {
                // Both lines released (not asserted) before the port closes.
        {3, SERIAL_ERROR_NONE, 0, SERIAL_TEST_PULSED, SERIAL_ERROR_NONE, "O R0 D0 D1 D0 R0 D0 C "},
        {0, SERIAL_ERROR_NONE, 0, SERIAL_TEST_NOT_OPENED, SERIAL_ERROR_BAD_NUMBER, ""},
        {257, SERIAL_ERROR_NONE, 0, SERIAL_TEST_NOT_OPENED, SERIAL_ERROR_BAD_NUMBER, ""},
        {3, SERIAL_ERROR_NO_PORT, 0, SERIAL_TEST_NOT_OPENED, SERIAL_ERROR_NO_PORT, ""},
        {3, SERIAL_ERROR_BUSY, 0, SERIAL_TEST_NOT_OPENED, SERIAL_ERROR_BUSY, ""},
        {3, SERIAL_ERROR_NONE, 1, SERIAL_TEST_LINE_FAILED, SERIAL_ERROR_NONE, "O C "},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CSerialLineLog log;
        log.SetOpenError(rows[i].openError);
        log.SetFailLines(rows[i].failLines);
        CScopedSerialLog installed(&log);
        int32_t error = -1;
        EXPECT_EQ(rows[i].result, SerialKeyTest(rows[i].port, SERIAL_LINE_DTR, 0, 1, &error)) << "row " << i;
        EXPECT_EQ(rows[i].error, error) << "row " << i;
        EXPECT_EQ(rows[i].log, log.Text()) << "row " << i;
    }
    // While the keyer holds the port, the test goes through it: one open,
    // one close, after the last holder, and the keyer's levels put back.
    CSerialLineLog log;
    CScopedSerialLog installed(&log);
    {
        CSerialKeyer keyer(tagSerialKeyConfig{5, SERIAL_LINE_RTS, 0, 0, 0, 0});
        EXPECT_EQ(SERIAL_TEST_PULSED, SerialKeyTest(5, SERIAL_LINE_RTS, 0, 1, nullptr));
        EXPECT_EQ(1, log.OpenCount());
    }
    EXPECT_EQ("O R0 R0 R1 R0 D0 R0 R0 C ", log.Text());
}

namespace {

// The level last put on a line, -1 when none was.
}  // namespace

TEST(SerialKeyer, LineTestOnTheStationsPortPutsItsLinesBack) {
    // The page's polarity and line may differ from the station's (unsaved
    // edits); whatever the pulse does, the lines end where the station's
    // keyer had them, and the keyer keys on as before.
    const struct {
        int32_t keyLine, invert, pttInvert;  // the station's
        int32_t testLine, testInvert;        // the page's
    } rows[] = {
        {SERIAL_LINE_DTR, 0, -1, SERIAL_LINE_DTR, 1},
        {SERIAL_LINE_DTR, 0, -1, SERIAL_LINE_RTS, 1},
        {SERIAL_LINE_RTS, 1, -1, SERIAL_LINE_RTS, 0},
        {SERIAL_LINE_RTS, 1, 0, SERIAL_LINE_DTR, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        CSerialKeyer keyer(tagSerialKeyConfig{6, rows[i].keyLine, rows[i].invert, 1, 0, 0, rows[i].pttInvert});
        const int32_t key = rows[i].keyLine, ptt = OtherSerialLine(key);
        const int32_t keyUp = log.LastLevel(key), pttOff = log.LastLevel(ptt);
        log.Clear();
        EXPECT_EQ(SERIAL_TEST_PULSED, SerialKeyTest(6, rows[i].testLine, rows[i].testInvert, 1, nullptr))
            << "row " << i;
        EXPECT_EQ(1, log.OpenCount()) << "row " << i << ": the test shares the station's port";
        EXPECT_EQ(keyUp, log.LastLevel(key)) << "row " << i << " key line: " << log.Text();
        EXPECT_EQ(pttOff, log.LastLevel(ptt)) << "row " << i << " PTT: " << log.Text();
        EXPECT_EQ(0, keyer.IsKeyLineDown()) << "row " << i;
        EXPECT_EQ(0, keyer.IsPttRaised()) << "row " << i;
        // The keyer's own polarity still holds afterwards.
        keyer.KeyDown();
        EXPECT_EQ(1 - keyUp, log.LastLevel(key)) << "row " << i;
        EXPECT_EQ(1 - pttOff, log.LastLevel(ptt)) << "row " << i;
        keyer.ReleaseAll();
    }
}

TEST(SerialKeyer, LineTestWaitsItsTurnWhileTheStationKeys) {
    const struct {
        const char* what;
        std::function<void(CSerialKeyer&)> keying;
    } rows[] = {
        {"key held down", [](CSerialKeyer& k) { k.KeyDown(); }},
        {"PTT in its tail", [](CSerialKeyer& k) { k.KeyDown(), k.KeyUp(); }},
        {"sender between elements", [](CSerialKeyer& k) { k.SenderKeying(); }},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        CSerialKeyer keyer(tagSerialKeyConfig{6, SERIAL_LINE_DTR, 0, 1, 0, 60000, -1});
        rows[i].keying(keyer);
        const size_t before = log.Events().size();
        EXPECT_EQ(SERIAL_TEST_BUSY, SerialKeyTest(6, SERIAL_LINE_DTR, 1, 1, nullptr)) << "row " << i << " " << rows[i].what;
        EXPECT_EQ(before, log.Events().size()) << "row " << i << ": " << log.Text();
    }
}

TEST(SerialKeyer, AFailedLineIsReportedOnceAndThePortReopenedWhenItReturns) {
    CSerialLineLog log;
    CScopedSerialLog installed(&log);
    std::mutex lock;
    std::condition_variable reported;
    int reports = 0;
    {
        CSerialKeyer keyer(tagSerialKeyConfig{8, SERIAL_LINE_RTS, 0, 1, 0, 60000, -1});
        keyer.SetFailureListener([&] {
            std::lock_guard<std::mutex> guard(lock);
            ++reports;
            reported.notify_all();
        });
        EXPECT_EQ(0, keyer.HasFailed());
        // The adapter is pulled out while the key is down.
        keyer.KeyDown();
        log.SetFailLines(1);
        keyer.KeyUp();
        EXPECT_EQ(1, keyer.HasFailed());
        for (int k = 0; k < 3; ++k) {
            keyer.KeyDown();
            keyer.KeyUp();
        }
        {
            std::unique_lock<std::mutex> wait(lock);
            EXPECT_TRUE(reported.wait_for(wait, std::chrono::seconds(10), [&] { return reports > 0; }));
        }
        // Reopening is tried while the port is still gone, and fails.
        const int opensGone = log.OpenCount();
        std::this_thread::sleep_for(std::chrono::milliseconds(3 * CSerialKeyer::RETRY_MS));
        EXPECT_EQ(1, keyer.HasFailed());
        EXPECT_LT(opensGone, log.OpenCount()) << "no reopening was tried";
        // It comes back: reopened, the key up and the PTT as the keyer has it.
        log.SetFailLines(0);
        for (int k = 0; k < 100 && keyer.HasFailed(); ++k) {
            std::this_thread::sleep_for(std::chrono::milliseconds(CSerialKeyer::RETRY_MS / 5));
        }
        EXPECT_EQ(0, keyer.HasFailed());
        const std::string text = log.Text();
        const std::string want = "C O R0 D1 ";
        EXPECT_TRUE(text.size() >= want.size() && text.compare(text.size() - want.size(), want.size(), want) == 0)
            << "reopened with the key up and the PTT on; want the log to end in \"" << want << "\", got \"" << text
            << "\"";
        keyer.KeyDown();
        EXPECT_EQ(1, log.LastLevel(SERIAL_LINE_RTS));
    }
    std::lock_guard<std::mutex> guard(lock);
    EXPECT_EQ(1, reports) << "one report for one run of failures";
}

TEST(SerialKeyer, HandKeyingWaitsThePttLeadBeforeTheKey) {
    const int32_t leads[] = {0, 80};
    for (size_t i = 0; i < sizeof leads / sizeof leads[0]; ++i) {
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        CSerialKeyer keyer(tagSerialKeyConfig{4, SERIAL_LINE_DTR, 0, 1, leads[i], 60000, -1});
        log.Clear();
        keyer.KeyDown();
        keyer.KeyUp();
        keyer.KeyDown();  // the PTT is still on: no second lead
        const std::vector<tagSerialEvent> e = log.Events();
        ASSERT_EQ("R1 D1 D0 D1 ", log.Text()) << "row " << i;
        const double lead = std::chrono::duration<double, std::milli>(e[1].when - e[0].when).count();
        const double again = std::chrono::duration<double, std::milli>(e[3].when - e[2].when).count();
        EXPECT_LE(leads[i], lead) << "row " << i << ": PTT to key-down";
        EXPECT_LT(again, 40.0) << "row " << i << ": a second key-down under the PTT waits no lead";
        keyer.ReleaseAll();
    }
}
