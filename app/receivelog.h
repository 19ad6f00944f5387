// CReceiveLog: the receive log, the decoded text appended to a file beside
// vardo.ini one line at a time, each line starting with the local time its
// first character came. A line ends when the band has been quiet for a
// while (the end of an over) or when it grows long, at a word space; each
// finished line is written and flushed at once, so the file holds what was
// copied even if the program is killed. The file is only ever appended to.
// The first failed write is reported through the failure callback; later
// ones are dropped silently.
#pragma once

#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

// The station's receive log, beside vardo.ini.
extern const char* const RECEIVE_LOG_FILE;

class CReceiveLog {
public:
    // Seconds of silence that end a line; characters at which a line is
    // broken at its next word space, and at which it is broken anyway.
    static constexpr double LINE_GAP_SECONDS = 5.0;
    static constexpr size_t WRAP_AT = 64;
    static constexpr size_t WRAP_HARD = 96;

    using Clock = std::function<std::time_t()>;
    using FailureFn = std::function<void()>;

    // path: the file (UTF-8 or ASCII, relative to the working directory).
    CReceiveLog(std::string path, Clock clock, FailureFn failed);
    ~CReceiveLog();
    CReceiveLog(const CReceiveLog&) = delete;
    CReceiveLog& operator=(const CReceiveLog&) = delete;

    // Opens the file for appending; false (and the failure reported) if it
    // cannot be.
    bool Open();
    // Decoded text; now: seconds on any steady clock.
    void Add(const std::string& text, double now);
    // Called now and then: ends the line after a quiet spell.
    void Tick(double now);
    // Writes the line in progress, if any.
    void Finish();

    bool Failed() const { return m_bFailed; }

private:
    struct tagCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    void EndLine();
    void Report();

    std::string m_path;
    Clock m_clock;
    FailureFn m_failed;
    std::unique_ptr<std::FILE, tagCloser> m_file;
    std::string m_line;
    std::time_t m_lineStart = 0;
    double m_dLastText = 0;
    bool m_bFailed = false;
};
