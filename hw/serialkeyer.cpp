// The serial key line and PTT, and the settings page's line test.
#include "hw/serialkeyer.h"

CSerialKeyer::CSerialKeyer(const tagSerialKeyConfig& config) : m_config(config) {
    if (m_config.keyLine != SERIAL_LINE_RTS) {
        m_config.keyLine = SERIAL_LINE_DTR;
    }
    if (m_config.pttLeadMs < 0) m_config.pttLeadMs = 0;
    if (m_config.pttTailMs < 0) m_config.pttTailMs = 0;
    m_pLine = OpenSerialLine(m_config.port, &m_nOpenError);
    if (m_pLine == nullptr) {
        return;
    }
    std::lock_guard<std::mutex> guard(m_lock);
    SetKeyLine(0);
    if (m_config.ptt) {
        SetPtt(0);
        m_tailThread = std::thread([this] { TailLoop(); });
    }
}

CSerialKeyer::~CSerialKeyer() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_bStop = 1;
    }
    m_changed.notify_all();
    if (m_tailThread.joinable()) {
        m_tailThread.join();
    }
    ReleaseAll();
}

void CSerialKeyer::SetKeyLine(int32_t down) {
    m_bKeyDown = down;
    m_pLine->SetLine(m_config.keyLine, (down != 0) != (m_config.invert != 0) ? 1 : 0);
}

void CSerialKeyer::SetPtt(int32_t on) {
    m_bPtt = on;
    m_bTailArmed = 0;
    m_pLine->SetLine(OtherSerialLine(m_config.keyLine), (on != 0) != (m_config.invert != 0) ? 1 : 0);
}

void CSerialKeyer::KeyDown() {
    if (!IsReady()) return;
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_config.ptt) {
        if (!m_bPtt) {
            SetPtt(1);
        }
        m_bTailArmed = 0;
    }
    SetKeyLine(1);
}

void CSerialKeyer::KeyUp() {
    if (!IsReady()) return;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        SetKeyLine(0);
        if (!m_config.ptt || !m_bPtt || m_bSenderHold) return;
        m_bTailArmed = 1;
        m_tTailEnd = Clock::now() + std::chrono::milliseconds(m_config.pttTailMs);
    }
    m_changed.notify_all();
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
        if (!m_bPtt || m_bKeyDown) return;
        m_bTailArmed = 1;
        m_tTailEnd = Clock::now() + std::chrono::milliseconds(m_config.pttTailMs);
    }
    m_changed.notify_all();
}

void CSerialKeyer::DropPtt() {
    if (!IsReady() || !m_config.ptt) return;
    std::lock_guard<std::mutex> guard(m_lock);
    m_bSenderHold = 0;
    if (m_bPtt && !m_bKeyDown) {
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

int CSerialKeyer::IsKeyLineDown() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bKeyDown;
}

int CSerialKeyer::IsPttRaised() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_bPtt;
}

void CSerialKeyer::TailLoop() {
    std::unique_lock<std::mutex> lock(m_lock);
    while (!m_bStop) {
        if (!m_bTailArmed) {
            m_changed.wait(lock);
            continue;
        }
        const Clock::time_point end = m_tTailEnd;
        if (Clock::now() < end) {
            // Woken early by a new key-down, a re-armed tail or the stop:
            // everything is looked at again.
            m_changed.wait_until(lock, end);
            continue;
        }
        SetPtt(0);
    }
}

int32_t SerialKeyTest(int32_t port, int32_t keyLine, int32_t invert, int32_t pulseMs, int32_t* error) {
    int32_t dummy = 0;
    int32_t* err = error != nullptr ? error : &dummy;
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
    return ok ? SERIAL_TEST_PULSED : SERIAL_TEST_LINE_FAILED;
}
