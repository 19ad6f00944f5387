// Per-character copy statistics kept across Koch sessions: for every
// character how often it was copied right, wrong or missed, the outcomes of
// its most recent attempts (for the error rate that weighted practice
// uses), and a short history of whole sessions (for the lesson check).
// The text form written to the statistics file carries a checksum, so a
// file cut short or changed by hand is recognised rather than half read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "training/copyscore.h"

// Outcomes remembered per character for its recent error rate.
constexpr int CHAR_RECENT_MAX = 50;
// Imagined wrong attempts in front of every character's record.
constexpr int CHAR_PRIOR_ATTEMPTS = 4;
// Sessions remembered for the lesson check.
constexpr int SESSION_HISTORY_MAX = 20;

struct tagCharTally {
    int64_t nRight;
    int64_t nWrong;
    int64_t nMissed;
    // The last outcomes, oldest first: 'R' right, 'W' wrong, 'M' missed.
    std::string szRecent;
};

struct tagSessionTally {
    std::string szCharList;  // the character set the session was drawn from
    int64_t nRight;
    int64_t nWrong;
    int64_t nMissed;
};

// Right, wrong and missed per character of one list of results.
struct tagSessionSummary {
    char nChar;
    int64_t nRight;
    int64_t nWrong;
    int64_t nMissed;
};

class CCharStats {
public:
    // Adds one session's results, drawn from charList.
    void AddSession(const char* charList, const std::vector<tagCharResult>& results);
    // The tally of a character; null when it has never been sent.
    const tagCharTally* Find(char c) const;
    // Wrong and missed share of the character's recent attempts, 0 when it
    // has none.
    double RecentErrorRate(char c) const;
    // The error rate that weighted practice draws by: the recent attempts
    // with CHAR_PRIOR_ATTEMPTS wrong ones added in front, so a character
    // never sent counts as hard (1) and one sent a few times is still
    // drawn often until its record shows it is known.
    double PracticeErrorRate(char c) const;
    // Oldest first, at most SESSION_HISTORY_MAX.
    const std::vector<tagSessionTally>& Sessions() const { return m_sessions; }
    int IsEmpty() const;
    void Clear();

    // The file's text: a header line, one line per session and per
    // character, and a last line with the checksum of everything before it.
    std::string Serialize() const;
    // Replaces the statistics by those of text. Returns 1 when text is a
    // complete, unchanged statistics text; otherwise 0 and the statistics
    // are left empty.
    int Parse(const std::string& text);

private:
    // Indexed by the character's byte; m_bUsed marks those ever sent.
    tagCharTally m_chars[256] = {};
    bool m_bUsed[256] = {};
    std::vector<tagSessionTally> m_sessions;
};

// Per-character counts of one session's results, in order of first
// appearance.
std::vector<tagSessionSummary> SummariseResults(const std::vector<tagCharResult>& results);

// Accuracy of counts in percent (right of all), or -1 when there are none.
double AccuracyPercent(int64_t right, int64_t wrong, int64_t missed);

// The lines of the copy dialog's accuracy table, one per character of the
// session in order of first appearance: the character, its right and sent
// counts in this session, its accuracy in this session and over every
// session in stats (which already holds this one), "--" where nothing was
// scored. Lines end with CR LF.
std::string FormatAccuracyTable(const std::vector<tagSessionSummary>& session, const CCharStats& stats);
