// The serial key line and PTT, and the settings page's line test.
#include "hw/serialkeyer.h"

#include <map>

namespace {

// The keyers that hold a port, by port number, so that the line test goes
// through the keyer instead of moving its lines behind its back. The lock is
// held through a test, so a keyer cannot end under it.
std::mutex g_keyersLock;
std::map<int32_t, CSerialKeyer*> g_keyers;

int32_t Polarised(int32_t level, int32_t invert) { return (level != 0) != (invert != 0) ? 1 : 0; }

}  // namespace

CSerialKeyer::CSerialKeyer(const tagSerialKeyConfig& config) : m_config(config) {
    if (m_config.keyLine != SERIAL_LINE_RTS) {
        m_config.keyLine = SERIAL_LINE_DTR;
    }
    m_config.invert = m_config.invert ? 1 : 0;
    m_config.pttInvert = m_config.pttInvert < 0 ? m_config.invert : (m_config.pttInvert ? 1 : 0);
    if (m_config.pttLeadMs < 0) m_config.pttLeadMs = 0;
    if (m_config.pttTailMs < 0) m_config.pttTailMs = 0;
    m_pLine = OpenSerialLine(m_config.port, &m_nOpenError);
    if (m_pLine == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        SetKeyLine(0);
        if (m_config.ptt) {
            SetPtt(0);
        }
    }
    m_watchThread = std::thread([this] { WatchLoop(); });
    std::lock_guard<std::mutex> guard(g_keyersLock);
    g_keyers[m_config.port] = this;
}

CSerialKeyer::~CSerialKeyer() {
    {
        std::lock_guard<std::mutex> guard(g_keyersLock);
        auto it = g_keyers.find(m_config.port);
        if (it != g_keyers.end() && it->second == this) {
            g_keyers.erase(it);
        }
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bStop = 1;
    }
    m_changed.notify_all();
    if (m_watchThread.joinable()) {
        m_watchThread.join();
    }
    ReleaseAll();
}

void CSerialKeyer::SetFailureListener(std::function<void()> listener) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_onFailure = std::move(listener);
}

void CSerialKeyer::Put(int32_t line, int32_t level) {
    m_nLevel[line == SERIAL_LINE_RTS ? 1 : 0] = level;
    if (!m_pLine->SetLine(line, level) && !m_bFailed) {
        m_bFailed = 1;
        m_changed.notify_all();
    }
}

void CSerialKeyer::SetKeyLine(int32_t down) {
    m_bKeyDown = down;
    Put(m_config.keyLine, Polarised(down, m_config.invert));
}

void CSerialKeyer::SetPtt(int32_t on) {
    m_bPtt = on;
    m_bTailArmed = 0;
    Put(OtherSerialLine(m_config.keyLine), Polarised(on, m_config.pttInvert));
}

void CSerialKeyer::KeyDown() {
    if (!IsReady()) return;
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_config.ptt) {
        m_bTailArmed = 0;
        if (!m_bPtt) {
            SetPtt(1);
            // The key waits for the radio (and an amplifier's relays) to
            // switch over; only the stop cuts the lead short. Meanwhile the
            // key counts as down: the sender's calls leave the PTT alone.
            m_bKeyGoingDown = 1;
            const Clock::time_point end = Clock::now() + std::chrono::milliseconds(m_config.pttLeadMs);
            m_changed.wait_until(lock, end, [&] { return m_bStop != 0; });
            m_bKeyGoingDown = 0;
        }
    }
    SetKeyLine(1);
}

void CSerialKeyer::KeyUp() {
    if (!IsReady()) return;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        SetKeyLine(0);
        m_tLastKeyUp = Clock::now();
        if (!m_config.ptt || !m_bPtt || m_bSenderHold) return;
        ArmTail();
    }
    m_changed.notify_all();
}

void CSerialKeyer::ArmTail() {
    m_bTailArmed = 1;
    m_tTailEnd = m_tLastKeyUp + std::chrono::milliseconds(m_config.pttTailMs);
}

int32_t CSerialKeyer::SenderKeying() {
    if (!IsReady() || !m_config.ptt) return 0;
    std::lock_guard<std::mutex> guard(m_lock);
    m_bSenderHold = 1;
    m_bTailArmed = 0;
    if (m_bPtt) return 0;
    SetPtt(1);
    return m_config.pttLeadMs;
}

void CSerialKeyer::HoldPttForTail() {
    if (!IsReady() || !m_config.ptt) return;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bSenderHold = 0;
        if (!m_bPtt || m_bKeyDown || m_bKeyGoingDown) return;
        ArmTail();
    }
    m_changed.notify_all();
}

void CSerialKeyer::DropPtt() {
    if (!IsReady() || !m_config.ptt) return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_bSenderHold = 0;
    if (m_bPtt && !m_bKeyDown && !m_bKeyGoingDown) {
        SetPtt(0);
    }
}

void CSerialKeyer::ReleaseAll() {
    if (!IsReady()) return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_bSenderHold = 0;
    SetKeyLine(0);
    if (m_config.ptt) {
        SetPtt(0);
    }
}

int32_t CSerialKeyer::LineTest(int32_t keyLine, int32_t invert, int32_t pulseMs) {
    if (!IsReady()) return SERIAL_TEST_LINE_FAILED;
    std::unique_lock<std::mutex> lock(m_lock);
    if (m_bKeyDown || m_bKeyGoingDown || m_bPtt || m_bSenderHold) {
        return SERIAL_TEST_BUSY;
    }
    const int32_t key = keyLine == SERIAL_LINE_RTS ? SERIAL_LINE_RTS : SERIAL_LINE_DTR;
    const int32_t released = invert ? 1 : 0;
    // The keyer's own levels are put back as they were; its record of them
    // is not touched by the pulse.
    const int32_t before[2] = {m_nLevel[0], m_nLevel[1]};
    int ok = m_pLine->SetLine(key, released);
    ok = m_pLine->SetLine(key, 1 - released) && ok;
    m_changed.wait_for(lock, std::chrono::milliseconds(pulseMs > 0 ? pulseMs : 0), [&] { return m_bStop != 0; });
    ok = m_pLine->SetLine(key, released) && ok;
    for (int32_t line : {SERIAL_LINE_DTR, SERIAL_LINE_RTS}) {
        const int32_t level = before[line == SERIAL_LINE_RTS ? 1 : 0];
        ok = m_pLine->SetLine(line, level > 0 ? 1 : 0) && ok;
    }
    return ok ? SERIAL_TEST_PULSED : SERIAL_TEST_LINE_FAILED;
}

int CSerialKeyer::IsKeyLineDown() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bKeyDown;
}

int CSerialKeyer::IsPttRaised() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bPtt;
}

int CSerialKeyer::HasFailed() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bFailed;
}

void CSerialKeyer::TryReopen() {
    int32_t error = SERIAL_ERROR_NONE;
    if (!m_pLine->Reopen(&error)) {
        return;
    }
    m_bFailed = 0;
    SetKeyLine(m_bKeyDown);
    if (m_config.ptt) {
        const int32_t armed = m_bTailArmed;
        SetPtt(m_bPtt);
        m_bTailArmed = armed;
    }
    if (!m_bFailed) {
        m_bReported = 0;
    }
}

void CSerialKeyer::WatchLoop() {
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_bStop) {
        if (m_bFailed && !m_bReported) {
            m_bReported = 1;
            if (m_onFailure) {
                // The listener may show a modal notice: it runs apart, so
                // the tail and the reopening go on meanwhile, and the keyer
                // may end while the notice is still open (the listener owns
                // a copy of what it needs).
                std::thread(m_onFailure).detach();
            }
        }
        Clock::time_point until = Clock::time_point::max();
        if (m_bFailed) {
            until = Clock::now() + std::chrono::milliseconds(RETRY_MS);
        }
        if (m_bTailArmed) {
            if (Clock::now() >= m_tTailEnd) {
                SetPtt(0);
                continue;
            }
            if (m_tTailEnd < until) until = m_tTailEnd;
        }
        if (until == Clock::time_point::max()) {
            m_changed.wait(lock);
            continue;
        }
        // Woken early by a new key-down, a re-armed tail, a failure or the
        // stop: everything is looked at again.
        const int32_t failedBefore = m_bFailed;
        if (m_changed.wait_until(lock, until) == std::cv_status::timeout && failedBefore && m_bFailed && !m_bStop) {
            TryReopen();
        }
    }
}

int32_t SerialKeyTest(int32_t port, int32_t keyLine, int32_t invert, int32_t pulseMs, int32_t* error) {
    int32_t dummy = 0;
    int32_t* err = error != nullptr ? error : &dummy;
    *err = SERIAL_ERROR_NONE;
    {
        std::lock_guard<std::mutex> guard(g_keyersLock);
        auto it = g_keyers.find(port);
        if (it != g_keyers.end()) {
            return it->second->LineTest(keyLine, invert, pulseMs);
        }
    }
    std::shared_ptr<ISerialLine> line = OpenSerialLine(port, err);
    if (line == nullptr) {
        return SERIAL_TEST_NOT_OPENED;
    }
    const int32_t key = keyLine == SERIAL_LINE_RTS ? SERIAL_LINE_RTS : SERIAL_LINE_DTR;
    const int32_t released = invert ? 1 : 0;
    int ok = line->SetLine(OtherSerialLine(key), released);
    ok = line->SetLine(key, released) && ok;
    ok = line->SetLine(key, 1 - released) && ok;
    std::this_thread::sleep_for(std::chrono::milliseconds(pulseMs > 0 ? pulseMs : 0));
    ok = line->SetLine(key, released) && ok;
    // Nothing is left asserted, whatever the page's polarity.
    ok = line->SetLine(OtherSerialLine(key), 0) && ok;
    ok = line->SetLine(key, 0) && ok;
    return ok ? SERIAL_TEST_PULSED : SERIAL_TEST_LINE_FAILED;
}
