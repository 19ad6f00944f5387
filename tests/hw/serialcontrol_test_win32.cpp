// The Windows serial port's line codes and handshake settings: each line and
// level gets its own EscapeCommFunction code; the handshake switch-off clears
// every control that moves DTR or RTS or holds output back, and nothing else.
// On a COM port linked to a pseudo-terminal (VARDO_TEST_PTY_COM, set by
// scripts/wine-com-pty) opening the port really leaves the handshake off.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>

#include "hw/serialcontrol_win32.h"
#include "hw/serialline.h"

namespace {

int PtyComPort() {
    const char* text = std::getenv("VARDO_TEST_PTY_COM");
    return text != nullptr ? std::atoi(text) : 0;
}

HANDLE OpenCom(int port) {
    wchar_t name[24];
    std::swprintf(name, sizeof name / sizeof name[0], L"\\\\.\\COM%d", port);
    return CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

}  // namespace

TEST(SerialControl, EachLineAndLevelHasItsOwnFunction) {
    const struct {
        int32_t line, asserted;
        DWORD want;
    } rows[] = {
        {SERIAL_LINE_DTR, 1, SETDTR},
        {SERIAL_LINE_DTR, 0, CLRDTR},
        {SERIAL_LINE_RTS, 1, SETRTS},
        {SERIAL_LINE_RTS, 0, CLRRTS},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const DWORD got = SerialLineFunction(rows[i].line, rows[i].asserted);
        EXPECT_EQ(rows[i].want, got) << "row " << i << ": expected " << rows[i].want << ", got " << got;
    }
}

TEST(SerialControl, HandshakeSwitchOffClearsFlowControlOnly) {
    DCB dcb;
    std::memset(&dcb, 0xFF, sizeof dcb);  // every bit set, as a sentinel
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = 9600;
    SwitchOffHandshake(&dcb);
    const struct {
        const char* field;
        unsigned long got, want;
    } rows[] = {
        {"fDtrControl", dcb.fDtrControl, DTR_CONTROL_DISABLE},
        {"fRtsControl", dcb.fRtsControl, RTS_CONTROL_DISABLE},
        {"fOutxCtsFlow", dcb.fOutxCtsFlow, 0},
        {"fOutxDsrFlow", dcb.fOutxDsrFlow, 0},
        {"fDsrSensitivity", dcb.fDsrSensitivity, 0},
        {"fOutX", dcb.fOutX, 0},
        {"fInX", dcb.fInX, 0},
        // Left alone.
        {"BaudRate", dcb.BaudRate, 9600},
        {"fBinary", dcb.fBinary, 1},
        {"fParity", dcb.fParity, 1},
        {"fNull", dcb.fNull, 1},
        {"ByteSize", dcb.ByteSize, 0xFF},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].want, rows[i].got) << "row " << i << " " << rows[i].field << ": expected " << rows[i].want
                                             << ", got " << rows[i].got;
    }
}

TEST(SerialControl, OpeningALinkedPortSwitchesItsHandshakeOff) {
    const int port = PtyComPort();
    if (!IsSerialPortNumber(port)) {
        GTEST_SKIP() << "no COM port linked to a pseudo-terminal (VARDO_TEST_PTY_COM; scripts/wine-com-pty)";
    }
    // Hardware and software handshake switched on beforehand, as another
    // program may have left the port.
    HANDLE h = OpenCom(port);
    ASSERT_NE(INVALID_HANDLE_VALUE, h) << "COM" << port << " error " << GetLastError();
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(h, &dcb));
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fOutxCtsFlow = TRUE;
    dcb.fOutX = TRUE;
    dcb.fInX = TRUE;
    ASSERT_TRUE(SetCommState(h, &dcb));
    DCB on = {};
    on.DCBlength = sizeof on;
    ASSERT_TRUE(GetCommState(h, &on));
    CloseHandle(h);
    if (!on.fOutxCtsFlow && !on.fOutX) {
        GTEST_SKIP() << "this system does not keep a handshake on a pseudo-terminal";
    }

    int32_t error = -1;
    std::unique_ptr<ISerialLine> line = OpenPlatformSerialLine(port, &error);
    ASSERT_NE(nullptr, line) << "error " << error;
    line.reset();

    h = OpenCom(port);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DCB got = {};
    got.DCBlength = sizeof got;
    ASSERT_TRUE(GetCommState(h, &got));
    CloseHandle(h);
    const struct {
        const char* field;
        unsigned long before, after;
    } rows[] = {
        {"fOutxCtsFlow", on.fOutxCtsFlow, got.fOutxCtsFlow},
        {"fRtsControl is handshake", on.fRtsControl == RTS_CONTROL_HANDSHAKE, got.fRtsControl == RTS_CONTROL_HANDSHAKE},
        {"fOutX", on.fOutX, got.fOutX},
        {"fInX", on.fInX, got.fInX},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        if (rows[i].before) {
            EXPECT_EQ(0ul, rows[i].after) << "row " << i << " " << rows[i].field << ": expected off after the open, got "
                                         << rows[i].after;
        }
    }
}
