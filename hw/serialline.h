// A serial port's modem control lines (DTR, RTS), used as a key line and a
// PTT line for a radio: a USB serial adapter's DTR or RTS drives the radio's
// key input through a transistor. Only the two output lines are used; no
// byte is ever sent or read.
//
// Ports are named by their number n (COMn, 1 to 256). The platform's opener
// is in serialline_win32.cpp (\\.\COMn) and serialline_posix.cpp (a tty
// device); tests put a recording opener in its place.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

enum : int32_t {
    SERIAL_LINE_DTR = 0,
    SERIAL_LINE_RTS = 1,
};

constexpr int32_t SERIAL_PORT_FIRST = 1;
constexpr int32_t SERIAL_PORT_LAST = 256;

// Why a port could not be opened.
enum : int32_t {
    SERIAL_ERROR_NONE = 0,
    SERIAL_ERROR_BAD_NUMBER = 1,  // not 1 to 256
    SERIAL_ERROR_NO_PORT = 2,     // no such port on this machine
    SERIAL_ERROR_BUSY = 3,        // held by another program, or no rights
    SERIAL_ERROR_OTHER = 4,
};

class ISerialLine {
public:
    // Closes the port (the lines are left as they were last set).
    virtual ~ISerialLine() = default;
    // Sets `line` (SERIAL_LINE_*) to asserted (1) or released (0); nonzero
    // on success. Callers serialise their calls.
    virtual int SetLine(int32_t line, int32_t asserted) = 0;
    // Closes the port and opens it again (an adapter that was unplugged
    // and has come back); nonzero on success. Only shared ports can.
    virtual int Reopen(int32_t* /*error*/) { return 0; }
};

// Opens port n; on failure returns null and stores a SERIAL_ERROR_* in
// *error (error may be null).
using SerialLineOpener = std::function<std::unique_ptr<ISerialLine>(int32_t port, int32_t* error)>;

// Opens through the installed opener, else the platform's. A port is
// opened once per process: while one holder has it (the station's keyer),
// another (the settings page's test) shares it instead of being refused
// by the system's exclusive open. Shared ports serialise SetLine.
std::shared_ptr<ISerialLine> OpenSerialLine(int32_t port, int32_t* error);
// The platform's own opener.
std::unique_ptr<ISerialLine> OpenPlatformSerialLine(int32_t port, int32_t* error);
// Holds `line` open past the life of its holders, so that a station
// rebuilt on the same port finds it open instead of opening it again (many
// drivers pulse DTR and RTS on open and drop them on close). Replaces the
// one kept before; null lets it close with its last holder.
void KeepSerialLineOpen(std::shared_ptr<ISerialLine> line);
// Puts an opener in place of the platform's; an empty one restores it.
// The port kept open is let go.
void SetSerialLineOpener(SerialLineOpener opener);

// 1 for a usable port number.
inline int IsSerialPortNumber(int32_t port) { return port >= SERIAL_PORT_FIRST && port <= SERIAL_PORT_LAST; }
// The line that is not `line`: PTT goes on the line the key leaves free.
inline int32_t OtherSerialLine(int32_t line) { return line == SERIAL_LINE_RTS ? SERIAL_LINE_DTR : SERIAL_LINE_RTS; }
