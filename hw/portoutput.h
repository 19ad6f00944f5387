// CPortOutput: the main window's hold on the port driver, writing one byte
// per key transition. It opens the driver and writes the key-up byte when it
// is built; if either fails it stays not ready for its whole life and every
// Write does nothing. PortTest is the driver check of window command 199.
#pragma once

#include <cstdint>

class CPortOutput {
public:
    // Opens the driver and writes `initialByte` to `address`.
    CPortOutput(uint16_t address, uint8_t initialByte);
    ~CPortOutput();
    CPortOutput(const CPortOutput&) = delete;
    CPortOutput& operator=(const CPortOutput&) = delete;

    // 1 if the byte was written; 0 when not ready or the write failed. Any
    // thread: one independent write, no state changes.
    int Write(uint16_t address, uint8_t byte);
    int IsReady() const { return m_bReady; }

private:
    int32_t m_bReady;
};

// The fixed address and byte of the port test.
constexpr uint16_t PORT_TEST_ADDRESS = 0x378;
constexpr uint8_t PORT_TEST_BYTE = 0xFF;

// Shows one message (UTF-8 text, no caption, OK button) owned by the window
// behind `context`.
using PortTestMessageFn = void (*)(void* context, const char* text);

enum : int {
    PORT_TEST_NOT_OPENED = 0,  // nothing shown
    PORT_TEST_OPENED = 1,      // "init ok" shown, the write failed
    PORT_TEST_WRITTEN = 2,     // "init ok" and "write ok" shown
};

// Opens the driver on its own, reports "init ok", writes PORT_TEST_BYTE to
// PORT_TEST_ADDRESS, reports "write ok" if that worked, and closes again.
// The settings play no part. Returns one of PORT_TEST_*.
int PortTest(PortTestMessageFn message, void* context);
