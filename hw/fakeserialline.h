// A serial port that only records: every open, line change and close, with
// the time it happened. It can be told to refuse the open or to fail line
// changes, so the callers' failure paths can be driven. Used by the tests
// and the sender benchmark.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hw/serialline.h"

enum : int32_t {
    SERIAL_EVENT_OPEN = 0,
    SERIAL_EVENT_SET = 1,
    SERIAL_EVENT_CLOSE = 2,
};

struct tagSerialEvent {
    int32_t kind;   // SERIAL_EVENT_*
    int32_t port;   // COM number
    int32_t line;   // SERIAL_LINE_*, for SERIAL_EVENT_SET
    int32_t level;  // 1 asserted, 0 released, for SERIAL_EVENT_SET
    std::chrono::steady_clock::time_point when;
};

class CSerialLineLog {
public:
    // An opener for SetSerialLineOpener whose ports write into this log.
    SerialLineOpener Opener();

    // Opens fail with this SERIAL_ERROR_* from now on (NONE: they succeed).
    void SetOpenError(int32_t error);
    void SetFailLines(int fail);

    std::vector<tagSerialEvent> Events();
    // Only the line changes of one line.
    std::vector<tagSerialEvent> LineEvents(int32_t line);
    // The level a line was last set to; -1 when it never was.
    int32_t LastLevel(int32_t line);
    // The events as text, for messages and comparisons: "D1 R0 ..." for
    // the line changes, "O"/"C" for open and close.
    std::string Text();
    void Clear();
    int OpenCount();

    // Called by the recording ports.
    int Record(int32_t kind, int32_t port, int32_t line, int32_t level);

private:
    std::mutex m_lock;
    std::vector<tagSerialEvent> m_events;
    int32_t m_nOpenError = SERIAL_ERROR_NONE;
    int m_bFailLines = 0;
    int m_nOpen = 0;
};

// Installs the log's opener for the lifetime of a scope.
class CScopedSerialLog {
public:
    explicit CScopedSerialLog(CSerialLineLog* log) { SetSerialLineOpener(log->Opener()); }
    ~CScopedSerialLog() { SetSerialLineOpener(SerialLineOpener()); }
    CScopedSerialLog(const CScopedSerialLog&) = delete;
    CScopedSerialLog& operator=(const CScopedSerialLog&) = delete;
};
