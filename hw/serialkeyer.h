// CSerialKeyer: keys a radio through a serial port's control lines. One
// line (DTR or RTS) follows the key; optionally the other line is the PTT,
// raised a lead time before the first key-down (by hand and by the sender
// alike, so that an amplifier's relays have settled) and held until a tail
// time after the last key-up, so the radio drops back to receive only when
// keying has paused for the tail. Key line and PTT have a polarity each.
//
// The port is opened when the object is built; a port that cannot be opened
// leaves the keyer not ready, and every call then does nothing, so the
// station keys on without it. Both lines are released when the keyer starts
// and again when it ends. A line change that fails (an adapter unplugged)
// is reported once to the failure listener, and the port is opened again
// every RETRY_MS until it comes back, with the lines put where they belong.
//
// Threads: the key calls come from the window thread (hand keying) and the
// sender thread; the PTT tail and the reopening run on a thread of the
// keyer's own, the failure listener on another. All line changes happen
// under one lock, in the order they were asked for.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "hw/serialline.h"

struct tagSerialKeyConfig {
    int32_t port;            // COMn, 1 to 256
    int32_t keyLine;         // SERIAL_LINE_DTR or SERIAL_LINE_RTS
    int32_t invert;          // nonzero: the key line is asserted while the key is up
    int32_t ptt;             // nonzero: the other line is the PTT
    int32_t pttLeadMs;       // PTT before the first key-down
    int32_t pttTailMs;       // PTT after the last key-up
    int32_t pttInvert = -1;  // nonzero: the PTT is asserted while off; -1: as `invert`
};

class CSerialKeyer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int32_t RETRY_MS = 500;

    explicit CSerialKeyer(const tagSerialKeyConfig& config);
    ~CSerialKeyer();
    CSerialKeyer(const CSerialKeyer&) = delete;
    CSerialKeyer& operator=(const CSerialKeyer&) = delete;

    int IsReady() const { return m_pLine != nullptr; }
    // SERIAL_ERROR_* of the open.
    int32_t OpenError() const { return m_nOpenError; }
    int32_t PttLeadMs() const { return m_config.ptt ? m_config.pttLeadMs : 0; }
    // The open port, shared with whoever else holds it.
    std::shared_ptr<ISerialLine> Line() const { return m_pLine; }

    // Called (on a thread of its own, which the keyer does not wait for)
    // once for each run of failed line changes; set before keying starts.
    // It must hold nothing that ends with the keyer.
    void SetFailureListener(std::function<void()> listener);

    // Key down: the PTT first, then the key line. A PTT that was off is
    // held the lead time before the key goes down (the caller waits).
    void KeyDown();
    // Key up: the key line, then the PTT tail starts.
    void KeyUp();
    // The sender is about to key an element: the PTT is raised if it is
    // not on, and held through the sender's gaps (however long) until
    // HoldPttForTail or DropPtt. Returns the lead to wait before the
    // element: PttLeadMs when the PTT has just gone on, else 0.
    int32_t SenderKeying();
    // The sender has nothing more to key: the PTT drops a tail time after
    // the last key-up (at once, if that time has passed).
    void HoldPttForTail();
    // The sender was paused or flushed: the PTT drops now, unless the key
    // is held down (by hand), whose key-up starts the tail as usual.
    void DropPtt();
    // Key line and PTT released now (stop and rebuild of the station).
    void ReleaseAll();

    // The settings page's test on this keyer's port: unless the keyer is
    // keying (then SERIAL_TEST_BUSY, nothing moves), pulses `keyLine` with
    // the page's polarity for pulseMs while the keyer waits, then puts both
    // lines back where the keyer had them.
    int32_t LineTest(int32_t keyLine, int32_t invert, int32_t pulseMs);

    // States as the keyer last set them, for tests.
    int IsKeyLineDown();
    int IsPttRaised();
    int HasFailed();

private:
    // Levels as keyed (1 down / on); the polarity is applied here.
    void SetKeyLine(int32_t down);
    void SetPtt(int32_t on);
    // Sets a line's level; a refusal marks the port failed.
    void Put(int32_t line, int32_t level);
    void ArmTail();
    void WatchLoop();
    // Reopens a failed port and restores the lines; under m_lock.
    void TryReopen();

    tagSerialKeyConfig m_config;
    std::shared_ptr<ISerialLine> m_pLine;
    int32_t m_nOpenError = SERIAL_ERROR_NONE;
    std::mutex m_lock;
    std::condition_variable m_changed;
    int32_t m_bKeyDown = 0;
    int32_t m_bKeyGoingDown = 0;  // a hand key-down waits out the PTT lead
    int32_t m_bPtt = 0;
    int32_t m_bTailArmed = 0;
    int32_t m_bSenderHold = 0;  // the sender is keying: no tail on key-up
    Clock::time_point m_tTailEnd;
    Clock::time_point m_tLastKeyUp;
    int32_t m_nLevel[2] = {-1, -1};  // levels last put on DTR and RTS
    int32_t m_bFailed = 0;
    int32_t m_bReported = 0;
    int32_t m_bStop = 0;
    std::function<void()> m_onFailure;
    std::thread m_watchThread;
};

// The settings page's test: pulses the key line of COM`port` (with the
// page's line and polarity) once for pulseMs. When a station's keyer holds
// that port the test goes through it (CSerialKeyer::LineTest); otherwise it
// opens the port, and releases both lines (not asserted) before it closes.
enum : int32_t {
    SERIAL_TEST_NOT_OPENED = 0,  // *error tells why
    SERIAL_TEST_LINE_FAILED = 1, // opened, but the line could not be set
    SERIAL_TEST_PULSED = 2,
    SERIAL_TEST_BUSY = 3,        // the station is keying on that port
};
int32_t SerialKeyTest(int32_t port, int32_t keyLine, int32_t invert, int32_t pulseMs, int32_t* error);
