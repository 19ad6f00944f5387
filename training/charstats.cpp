// Per-character copy statistics and their checksummed text form (see
// charstats.h).
#include "training/charstats.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace {

const char* const STATS_HEADER = "vardo-stats 1";

char OutcomeLetter(CopyOutcome o) {
    switch (o) {
    case COPY_OUTCOME_RIGHT:
        return 'R';
    case COPY_OUTCOME_WRONG:
        return 'W';
    default:
        return 'M';
    }
}

// FNV-1a: enough to tell a damaged file from a whole one.
uint32_t Checksum(const char* p, size_t n) {
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < n; ++i) {
        h ^= static_cast<unsigned char>(p[i]);
        h *= 16777619u;
    }
    return h;
}

std::string Hex(const std::string& s) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : s) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out.empty() ? "-" : out;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool Unhex(const std::string& s, std::string* out) {
    out->clear();
    if (s == "-") {
        return true;
    }
    if (s.empty() || s.size() % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < s.size(); i += 2) {
        const int hi = HexValue(s[i]), lo = HexValue(s[i + 1]);
        if (hi < 0 || lo < 0) {
            return false;
        }
        out->push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

// A count: decimal digits only, no sign, within 18 digits.
bool Count(const std::string& s, int64_t* out) {
    if (s.empty() || s.size() > 18) {
        return false;
    }
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
        v = v * 10 + (c - '0');
    }
    *out = v;
    return true;
}

bool RecentText(const std::string& s, std::string* out) {
    if (s == "-") {
        out->clear();
        return true;
    }
    if (s.empty() || s.size() > static_cast<size_t>(CHAR_RECENT_MAX)) {
        return false;
    }
    for (char c : s) {
        if (c != 'R' && c != 'W' && c != 'M') {
            return false;
        }
    }
    *out = s;
    return true;
}

std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    std::string w;
    while (in >> w) {
        words.push_back(w);
    }
    return words;
}

}  // namespace

void CCharStats::AddSession(const char* charList, const std::vector<tagCharResult>& results) {
    tagSessionTally session{charList ? std::string(charList) : std::string(), 0, 0, 0};
    for (const tagCharResult& r : results) {
        const unsigned char c = static_cast<unsigned char>(r.nChar);
        tagCharTally& t = m_chars[c];
        m_bUsed[c] = true;
        int64_t* counts[] = {&t.nRight, &t.nWrong, &t.nMissed};
        int64_t* sessionCounts[] = {&session.nRight, &session.nWrong, &session.nMissed};
        const int k = r.nOutcome == COPY_OUTCOME_RIGHT ? 0 : (r.nOutcome == COPY_OUTCOME_WRONG ? 1 : 2);
        ++*counts[k];
        ++*sessionCounts[k];
        t.szRecent += OutcomeLetter(r.nOutcome);
        if (t.szRecent.size() > static_cast<size_t>(CHAR_RECENT_MAX)) {
            t.szRecent.erase(0, t.szRecent.size() - CHAR_RECENT_MAX);
        }
    }
    m_sessions.push_back(session);
    if (m_sessions.size() > static_cast<size_t>(SESSION_HISTORY_MAX)) {
        m_sessions.erase(m_sessions.begin(), m_sessions.end() - SESSION_HISTORY_MAX);
    }
}

const tagCharTally* CCharStats::Find(char c) const {
    const unsigned char i = static_cast<unsigned char>(c);
    return m_bUsed[i] ? &m_chars[i] : nullptr;
}

double CCharStats::RecentErrorRate(char c) const {
    const tagCharTally* t = Find(c);
    if (!t || t->szRecent.empty()) {
        return 0.0;
    }
    size_t errors = 0;
    for (char o : t->szRecent) {
        errors += o != 'R';
    }
    return static_cast<double>(errors) / t->szRecent.size();
}

double CCharStats::PracticeErrorRate(char c) const {
    const tagCharTally* t = Find(c);
    size_t errors = CHAR_PRIOR_ATTEMPTS, attempts = CHAR_PRIOR_ATTEMPTS;
    if (t) {
        for (char o : t->szRecent) {
            errors += o != 'R';
        }
        attempts += t->szRecent.size();
    }
    return static_cast<double>(errors) / attempts;
}

int CCharStats::IsEmpty() const {
    if (!m_sessions.empty()) {
        return 0;
    }
    for (bool used : m_bUsed) {
        if (used) {
            return 0;
        }
    }
    return 1;
}

void CCharStats::Clear() {
    for (int i = 0; i < 256; ++i) {
        m_chars[i] = tagCharTally{};
        m_bUsed[i] = false;
    }
    m_sessions.clear();
}

std::string CCharStats::Serialize() const {
    std::string body = std::string(STATS_HEADER) + "\n";
    char line[128];
    for (const tagSessionTally& s : m_sessions) {
        std::snprintf(line, sizeof line, " %" PRId64 " %" PRId64 " %" PRId64 "\n", s.nRight, s.nWrong, s.nMissed);
        body += "session " + Hex(s.szCharList) + line;
    }
    for (int c = 0; c < 256; ++c) {
        if (!m_bUsed[c]) {
            continue;
        }
        const tagCharTally& t = m_chars[c];
        std::snprintf(line, sizeof line, "char %02X %" PRId64 " %" PRId64 " %" PRId64 " ", c, t.nRight, t.nWrong,
                      t.nMissed);
        body += line + (t.szRecent.empty() ? std::string("-") : t.szRecent) + "\n";
    }
    std::snprintf(line, sizeof line, "end %08X\n", static_cast<unsigned>(Checksum(body.data(), body.size())));
    return body + line;
}

int CCharStats::Parse(const std::string& text) {
    Clear();
    // The last line is the checksum of everything before it, and nothing
    // may follow it.
    if (text.size() < 2 || text.back() != '\n') {
        return 0;
    }
    const size_t endLine = text.rfind('\n', text.size() - 2);
    if (endLine == std::string::npos) {
        return 0;
    }
    const std::string body = text.substr(0, endLine + 1);
    unsigned sum = 0;
    char tail = 0;
    const std::string last = text.substr(endLine + 1);
    if (std::sscanf(last.c_str(), "end %8X%c", &sum, &tail) != 2 || tail != '\n' || last.size() != 13 ||
        sum != Checksum(body.data(), body.size())) {
        return 0;
    }
    std::istringstream in(body);
    std::string line;
    if (!std::getline(in, line) || line != STATS_HEADER) {
        return 0;
    }
    while (std::getline(in, line)) {
        const std::vector<std::string> w = Words(line);
        if (w.size() == 5 && w[0] == "session") {
            tagSessionTally s{};
            if (!Unhex(w[1], &s.szCharList) || !Count(w[2], &s.nRight) || !Count(w[3], &s.nWrong) ||
                !Count(w[4], &s.nMissed) || m_sessions.size() >= static_cast<size_t>(SESSION_HISTORY_MAX)) {
                Clear();
                return 0;
            }
            m_sessions.push_back(s);
        } else if (w.size() == 6 && w[0] == "char") {
            std::string code;
            tagCharTally t{};
            if (!Unhex(w[1], &code) || code.size() != 1 || m_bUsed[static_cast<unsigned char>(code[0])] ||
                !Count(w[2], &t.nRight) || !Count(w[3], &t.nWrong) || !Count(w[4], &t.nMissed) ||
                !RecentText(w[5], &t.szRecent)) {
                Clear();
                return 0;
            }
            const unsigned char c = static_cast<unsigned char>(code[0]);
            m_chars[c] = t;
            m_bUsed[c] = true;
        } else {
            Clear();
            return 0;
        }
    }
    return 1;
}

std::vector<tagSessionSummary> SummariseResults(const std::vector<tagCharResult>& results) {
    std::vector<tagSessionSummary> out;
    for (const tagCharResult& r : results) {
        size_t i = 0;
        while (i < out.size() && out[i].nChar != r.nChar) {
            ++i;
        }
        if (i == out.size()) {
            out.push_back(tagSessionSummary{r.nChar, 0, 0, 0});
        }
        tagSessionSummary& s = out[i];
        (r.nOutcome == COPY_OUTCOME_RIGHT ? s.nRight : r.nOutcome == COPY_OUTCOME_WRONG ? s.nWrong : s.nMissed) += 1;
    }
    return out;
}

double AccuracyPercent(int64_t right, int64_t wrong, int64_t missed) {
    const int64_t all = right + wrong + missed;
    return all > 0 ? right * 100.0 / all : -1.0;
}

std::string FormatAccuracyTable(const std::vector<tagSessionSummary>& session, const CCharStats& stats) {
    std::string out;
    auto percent = [](double p, char* buf, size_t size) {
        if (p < 0) {
            std::snprintf(buf, size, "  --");
        } else {
            std::snprintf(buf, size, "%3.0f%%", p);
        }
    };
    for (const tagSessionSummary& s : session) {
        char now[16], all[16], line[96];
        percent(AccuracyPercent(s.nRight, s.nWrong, s.nMissed), now, sizeof now);
        const tagCharTally* t = stats.Find(s.nChar);
        percent(t ? AccuracyPercent(t->nRight, t->nWrong, t->nMissed) : -1.0, all, sizeof all);
        const char shown = static_cast<unsigned char>(s.nChar) >= 0x21 && static_cast<unsigned char>(s.nChar) < 0x7F
                               ? s.nChar
                               : '?';
        std::snprintf(line, sizeof line, "%c %3" PRId64 "/%-3" PRId64 " %s  %s\r\n", shown, s.nRight,
                      s.nRight + s.nWrong + s.nMissed, now, all);
        out += line;
    }
    return out;
}
