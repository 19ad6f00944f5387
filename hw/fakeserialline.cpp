// The recording serial port of the tests.
#include "hw/fakeserialline.h"

namespace {

class CRecordingSerialLine : public ISerialLine {
public:
    CRecordingSerialLine(CSerialLineLog* log, int32_t port) : m_pLog(log), m_nPort(port) {}
    ~CRecordingSerialLine() override { m_pLog->Record(SERIAL_EVENT_CLOSE, m_nPort, 0, 0); }
    int SetLine(int32_t line, int32_t asserted) override {
        return m_pLog->Record(SERIAL_EVENT_SET, m_nPort, line, asserted ? 1 : 0);
    }

private:
    CSerialLineLog* m_pLog;
    int32_t m_nPort;
};

}  // namespace

SerialLineOpener CSerialLineLog::Opener() {
    return [this](int32_t port, int32_t* error) -> std::unique_ptr<ISerialLine> {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_nOpenError != SERIAL_ERROR_NONE) {
                *error = m_nOpenError;
                return nullptr;
            }
        }
        Record(SERIAL_EVENT_OPEN, port, 0, 0);
        return std::unique_ptr<ISerialLine>(new CRecordingSerialLine(this, port));
    };
}

int CSerialLineLog::Record(int32_t kind, int32_t port, int32_t line, int32_t level) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (kind == SERIAL_EVENT_OPEN) ++m_nOpen;
    if (kind == SERIAL_EVENT_SET && m_bFailLines) return 0;
    m_events.push_back(tagSerialEvent{kind, port, line, level, std::chrono::steady_clock::now()});
    return 1;
}

void CSerialLineLog::SetOpenError(int32_t error) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_nOpenError = error;
}

void CSerialLineLog::SetFailLines(int fail) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_bFailLines = fail;
}

std::vector<tagSerialEvent> CSerialLineLog::Events() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_events;
}

int32_t CSerialLineLog::LastLevel(int32_t line) {
    const std::vector<tagSerialEvent> events = LineEvents(line);
    return events.empty() ? -1 : events.back().level;
}

std::string CSerialLineLog::Text() {
    std::string text;
    for (const tagSerialEvent& e : Events()) {
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

std::vector<tagSerialEvent> CSerialLineLog::LineEvents(int32_t line) {
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<tagSerialEvent> out;
    for (const tagSerialEvent& e : m_events) {
        if (e.kind == SERIAL_EVENT_SET && e.line == line) out.push_back(e);
    }
    return out;
}

void CSerialLineLog::Clear() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_events.clear();
}

int CSerialLineLog::OpenCount() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nOpen;
}
