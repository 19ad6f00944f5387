// Access to a hardware I/O port driver. The driver itself lies outside the
// program (on Windows a user-installed port I/O library loaded at run time,
// portdriver_win32.cpp); everything here goes through IPortDriver so that
// tests put a recording fake in its place.
//
// The process-wide access is counted: the main window's port object and the
// port test each open and close it, the driver is initialised by the first
// open and shut down only by the last close, so the test cannot pull the
// driver from under the port object.
#pragma once

#include <cstdint>

class IPortDriver {
public:
    virtual ~IPortDriver() = default;
    // Opens the driver; nonzero on success.
    virtual int Initialize() = 0;
    // Writes the low `size` bytes of `value` to port `address`; nonzero on
    // success. Only called while the driver is open; any thread.
    virtual int SetPortVal(uint16_t address, uint32_t value, uint8_t size) = 0;
    // Closes the driver opened by Initialize.
    virtual void Shutdown() = 0;
};

// The platform's own driver: the run-time loaded library on Windows, a
// driver that never opens elsewhere.
IPortDriver* DefaultPortDriver();

// Puts `driver` in place of the platform's (null restores it). Only while
// the access is closed; returns 0 and changes nothing while it is open.
int SetPortDriver(IPortDriver* driver);

// Counted access. OpenPortDriver returns 1 if the driver is open for this
// caller (the first caller initialises it), 0 if it could not be opened; each
// successful open needs one ClosePortDriver.
int OpenPortDriver();
void ClosePortDriver();
// Writes through the open driver; 0 when it is not open or the write fails.
int WritePortDriver(uint16_t address, uint32_t value, uint8_t size);
// Number of open holders, for tests.
int32_t PortDriverOpenCount();

// Installs a driver for the lifetime of a scope, for tests.
class CScopedPortDriver {
public:
    explicit CScopedPortDriver(IPortDriver* driver) { m_bInstalled = SetPortDriver(driver); }
    ~CScopedPortDriver() {
        if (m_bInstalled) SetPortDriver(nullptr);
    }
    CScopedPortDriver(const CScopedPortDriver&) = delete;
    CScopedPortDriver& operator=(const CScopedPortDriver&) = delete;
    int IsInstalled() const { return m_bInstalled; }

private:
    int m_bInstalled;
};
