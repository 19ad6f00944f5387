// The receive log (see receivelog.h).
#include "app/receivelog.h"

#include <utility>

const char* const RECEIVE_LOG_FILE = "./vardorecv.txt";

CReceiveLog::CReceiveLog(std::string path, Clock clock, FailureFn failed)
    : m_path(std::move(path)), m_clock(std::move(clock)), m_failed(std::move(failed)) {}

CReceiveLog::~CReceiveLog() { Finish(); }

bool CReceiveLog::Open() {
    // Binary append: the file is never truncated, and lines end in CR LF on
    // every platform so that the file reads the same everywhere.
    m_file.reset(std::fopen(m_path.c_str(), "ab"));
    if (!m_file) Report();
    return static_cast<bool>(m_file);
}

void CReceiveLog::Add(const std::string& text, double now) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20) continue;
        if (m_line.empty()) {
            if (c == ' ') continue;  // a line never starts with a word space
            m_lineStart = m_clock ? m_clock() : std::time(nullptr);
        }
        m_line.push_back(c);
        if ((c == ' ' && m_line.size() >= WRAP_AT) || m_line.size() >= WRAP_HARD) EndLine();
    }
    if (!text.empty()) m_dLastText = now;
}

void CReceiveLog::Tick(double now) {
    if (!m_line.empty() && now - m_dLastText >= LINE_GAP_SECONDS) EndLine();
}

void CReceiveLog::Finish() { EndLine(); }

void CReceiveLog::EndLine() {
    while (!m_line.empty() && m_line.back() == ' ') m_line.pop_back();
    if (m_line.empty()) return;
    if (m_file) {
        char stamp[32] = "";
        std::tm parts{};
#ifdef _WIN32
        const bool ok = localtime_s(&parts, &m_lineStart) == 0;
#else
        const bool ok = localtime_r(&m_lineStart, &parts) != nullptr;
#endif
        if (!ok || std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &parts) == 0) {
            std::snprintf(stamp, sizeof stamp, "%lld", static_cast<long long>(m_lineStart));
        }
        const int written = std::fprintf(m_file.get(), "%s %s\r\n", stamp, m_line.c_str());
        if (written < 0 || std::fflush(m_file.get()) != 0) Report();
    }
    m_line.clear();
}

void CReceiveLog::Report() {
    if (m_bFailed) return;
    m_bFailed = true;
    if (m_failed) m_failed();
}
