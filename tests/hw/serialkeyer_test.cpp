// The serial keyer and the settings page's line test against the recording
// port: the levels put on each line for both lines and polarities, the open
// errors, one open per port shared by its holders, and the native port's
// mapping of COMn to a device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hw/fakeserialline.h"
#include "hw/serialkeyer.h"

namespace {

// "D1 R0 ..." for the line changes, "O"/"C" for open and close.
std::string LogText(CSerialLineLog& log) {
    std::string text;
    for (const tagSerialEvent& e : log.Events()) {
        if (e.kind == SERIAL_EVENT_SET) {
            text += e.line == SERIAL_LINE_RTS ? 'R' : 'D';
            text += static_cast<char>('0' + e.level);
        } else {
            text += e.kind == SERIAL_EVENT_OPEN ? 'O' : 'C';
        }
        text += ' ';
    }
    return text;
}

}  // namespace

TEST(SerialKeyer, LinesAndPolarity) {
    const struct {
        int32_t line, invert, ptt;
        const char* log;  // open, key down, key up, close
    } rows[] = {
        {SERIAL_LINE_DTR, 0, 0, "O D0 D1 D0 D0 C "},
        {SERIAL_LINE_RTS, 0, 0, "O R0 R1 R0 R0 C "},
        {SERIAL_LINE_DTR, 1, 0, "O D1 D0 D1 D1 C "},
        {SERIAL_LINE_DTR, 0, 1, "O D0 R0 R1 D1 D0 D0 R0 C "},
        {SERIAL_LINE_RTS, 1, 1, "O R1 D1 D0 R0 R1 R1 D1 C "},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        {
            CSerialKeyer keyer(tagSerialKeyConfig{4, rows[i].line, rows[i].invert, rows[i].ptt, 10, 10000});
            ASSERT_TRUE(keyer.IsReady()) << "row " << i;
            keyer.KeyDown();
            keyer.KeyUp();
        }
        EXPECT_EQ(rows[i].log, LogText(log)) << "row " << i;
    }
}

TEST(SerialKeyer, LineTestReportsWhyAndSharesAnOpenPort) {
    const struct {
        int32_t port, openError, failLines;
        int32_t result, error;
        const char* log;
    } rows[] = {
        {3, SERIAL_ERROR_NONE, 0, SERIAL_TEST_PULSED, SERIAL_ERROR_NONE, "O R0 D0 D1 D0 C "},
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
        EXPECT_EQ(rows[i].log, LogText(log)) << "row " << i;
    }
    // While the keyer holds the port, the test shares it: one open, one
    // close, after the last holder.
    CSerialLineLog log;
    CScopedSerialLog installed(&log);
    {
        CSerialKeyer keyer(tagSerialKeyConfig{5, SERIAL_LINE_RTS, 0, 0, 0, 0});
        EXPECT_EQ(SERIAL_TEST_PULSED, SerialKeyTest(5, SERIAL_LINE_RTS, 0, 1, nullptr));
        EXPECT_EQ(1, log.OpenCount());
    }
    EXPECT_EQ("O R0 D0 R0 R1 R0 R0 C ", LogText(log));
}
