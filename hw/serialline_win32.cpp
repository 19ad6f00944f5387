// The Windows serial port: \\.\COMn opened for exclusive use, its DTR and
// RTS lines set with EscapeCommFunction. The port's own handshaking is
// switched off so that only this program moves the lines.
#include "hw/serialline.h"
#include "hw/serialcontrol_win32.h"

#include <windows.h>

#include <cwchar>

namespace {

// Owns the port handle.
class CSerialLineWin32 : public ISerialLine {
public:
    explicit CSerialLineWin32(HANDLE handle) : m_hPort(handle) {}
    ~CSerialLineWin32() override { CloseHandle(m_hPort); }
    CSerialLineWin32(const CSerialLineWin32&) = delete;
    CSerialLineWin32& operator=(const CSerialLineWin32&) = delete;

    int SetLine(int32_t line, int32_t asserted) override {
        return EscapeCommFunction(m_hPort, SerialLineFunction(line, asserted)) ? 1 : 0;
    }

private:
    HANDLE m_hPort;
};

int32_t OpenError(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return SERIAL_ERROR_NO_PORT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return SERIAL_ERROR_BUSY;
    default:
        return SERIAL_ERROR_OTHER;
    }
}

}  // namespace

DWORD SerialLineFunction(int32_t line, int32_t asserted) {
    if (line == SERIAL_LINE_RTS) {
        return asserted ? SETRTS : CLRRTS;
    }
    return asserted ? SETDTR : CLRDTR;
}

void SwitchOffHandshake(DCB* dcb) {
    dcb->fDtrControl = DTR_CONTROL_DISABLE;
    dcb->fRtsControl = RTS_CONTROL_DISABLE;
    dcb->fOutxCtsFlow = FALSE;
    dcb->fOutxDsrFlow = FALSE;
    dcb->fDsrSensitivity = FALSE;
    dcb->fOutX = FALSE;
    dcb->fInX = FALSE;
}

std::unique_ptr<ISerialLine> OpenPlatformSerialLine(int32_t port, int32_t* error) {
    wchar_t name[24];
    std::swprintf(name, sizeof name / sizeof name[0], L"\\\\.\\COM%d", static_cast<int>(port));
    HANDLE handle = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *error = OpenError(GetLastError());
        return nullptr;
    }
    // Opening may raise DTR and RTS and leave hardware flow control in
    // charge of them; with both controls disabled the lines stay where
    // EscapeCommFunction puts them. A driver that refuses the change still
    // keys, so the result is not looked at.
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    if (GetCommState(handle, &dcb)) {
        SwitchOffHandshake(&dcb);
        SetCommState(handle, &dcb);
    }
    return std::unique_ptr<ISerialLine>(new CSerialLineWin32(handle));
}
