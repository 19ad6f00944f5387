// CSerialKeyer: keys a radio through a serial port's control lines. One
// line (DTR or RTS) follows the key; optionally the other line is the PTT,
// asserted before the first element and held until a tail time after the
// last one, so the radio is transmitting before the key closes and drops
// back to receive only when keying has paused for the tail.
//
// The port is opened when the object is built; a port that cannot be opened
// leaves the keyer not ready, and every call then does nothing, so the
// station keys on without it. Both lines are released when the port opens
// and again before it closes.
//
// Threads: the key calls come from the window thread (hand keying) and the
// sender thread; the PTT tail runs out on a thread of the keyer's own. All
// line changes happen under one lock, in the order they were asked for.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "hw/serialline.h"

struct tagSerialKeyConfig {
    int32_t port;       // COMn, 1 to 256
    int32_t keyLine;    // SERIAL_LINE_DTR or SERIAL_LINE_RTS
    int32_t invert;     // nonzero: a line is asserted while the key is up
    int32_t ptt;        // nonzero: the other line is the PTT
    int32_t pttLeadMs;  // PTT before the sender's first element
    int32_t pttTailMs;  // PTT after the last element
};

class CSerialKeyer {
public:
    using Clock = std::chrono::steady_clock;

    explicit CSerialKeyer(const tagSerialKeyConfig& config);
    ~CSerialKeyer();
    CSerialKeyer(const CSerialKeyer&) = delete;
    CSerialKeyer& operator=(const CSerialKeyer&) = delete;

    int IsReady() const { return m_pLine != nullptr; }
    // SERIAL_ERROR_* of the open.
    int32_t OpenError() const { return m_nOpenError; }
    int32_t PttLeadMs() const { return m_config.ptt ? m_config.pttLeadMs : 0; }

    // Key down: the PTT first (at once, for hand keying; the sender has
    // raised it a lead time earlier), then the key line.
    void KeyDown();
    // Key up: the key line, then the PTT tail starts.
    void KeyUp();
    // The sender is about to key an element: the PTT is raised if it is
    // not on, and held through the sender's gaps (however long) until
    // HoldPttForTail or DropPtt. Returns the lead to wait before the
    // element: PttLeadMs when the PTT has just gone on, else 0.
    int32_t SenderKeying();
    // The sender's queue ran empty: the PTT drops a tail time from now.
    // (By hand, the tail starts at every key-up.)
    void HoldPttForTail();
    // The sender was paused or flushed: the PTT drops now, unless the key
    // is held down (by hand), whose key-up starts the tail as usual.
    void DropPtt();
    // Key line and PTT released now (stop and rebuild of the station).
    void ReleaseAll();

    // States as the keyer last set them, for tests.
    int IsKeyLineDown();
    int IsPttRaised();

private:
    // Levels as keyed (1 down / on); the polarity is applied here.
    void SetKeyLine(int32_t down);
    void SetPtt(int32_t on);
    void TailLoop();

    tagSerialKeyConfig m_config;
    std::shared_ptr<ISerialLine> m_pLine;
    int32_t m_nOpenError = SERIAL_ERROR_NONE;
    std::mutex m_lock;
    std::condition_variable m_changed;
    int32_t m_bKeyDown = 0;
    int32_t m_bPtt = 0;
    int32_t m_bTailArmed = 0;
    int32_t m_bSenderHold = 0;  // the sender is keying: no tail on key-up
    Clock::time_point m_tTailEnd;
    int32_t m_bStop = 0;
    std::thread m_tailThread;
};

// The settings page's test: opens COM`port`, releases both lines, asserts
// the key line (with the polarity) for pulseMs, releases it and closes.
enum : int32_t {
    SERIAL_TEST_NOT_OPENED = 0,  // *error tells why
    SERIAL_TEST_LINE_FAILED = 1, // opened, but the line could not be set
    SERIAL_TEST_PULSED = 2,
};
int32_t SerialKeyTest(int32_t port, int32_t keyLine, int32_t invert, int32_t pulseMs, int32_t* error);
