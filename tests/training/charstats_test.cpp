// Per-character results of a copy, their sums over sessions, the statistics
// file (whole, cut short, garbled), the lesson rule and weighted practice.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "settings/vardosetting.h"
#include "training/charstats.h"
#include "training/kochlesson.h"
#include "training/kochtext.h"
#include "training/statsfile.h"

namespace {

std::string Outcomes(const std::vector<tagCharResult>& results) {
    std::string s;
    for (const tagCharResult& r : results) {
        s += r.nChar;
        s += "RWM"[r.nOutcome];
        s += ' ';
    }
    return s;
}

std::string ReadAll(const char* path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void WriteAll(const char* path, const std::string& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f << bytes;
}

// Results of one session: every character with the given outcome letters.
std::vector<tagCharResult> Results(const char* pairs) {
    std::vector<tagCharResult> out;
    for (const char* p = pairs; p[0] && p[1]; p += 2) {
        out.push_back({p[0], p[1] == 'R' ? COPY_OUTCOME_RIGHT : p[1] == 'W' ? COPY_OUTCOME_WRONG : COPY_OUTCOME_MISSED});
    }
    return out;
}

CCharStats Sample() {
    CCharStats s;
    s.AddSession("KM", Results("KRMWKRMM"));
    s.AddSession("KM.", Results(".RKW"));
    return s;
}

}  // namespace

TEST(CharStats, EachSentCharacterIsScoredByAlignment) {
    const struct { const char* sent; int sentCount; const char* copy; const char* want; } rows[] = {
        {"KMR K", -1, "kmr k", "KR MR RR KR "},      // spaces are gaps, not characters
        {"KMR K", -1, "KXR", "KR MW RR "},           // unknown send count: copied positions only
        {"KMR K", 5, "KXR", "KR MW RR KM "},         // sent but not copied: missed
        {"KMR K", 2, "", "KM MM "},
        {"KMR K", -1, "K R", "KR MM RR "},           // a blank left for a character: missed
        {"KMR K", -1, "MKR", "KM MR RR "},           // two swapped: one missed, the rest right
        {"KMR K", -1, "MR K", "KM MR RR KR "},       // one dropped: missed, the rest right
        {"KMR K", 5, "KR", "KR MM RR KM "},          // dropped in the middle, then not copied
        {"KMR K", -1, "KMMR K", "KR MR RR KR "},     // one put in: no sent character suffers
        {"KMRSU", -1, "KMXSU", "KR MR RW SR UR "},   // a wrong one stays one wrong
        {"KMR K", 3, "KMRXK", "KR MR RR KR "},       // the copy reaches further than the count
        {"KMR K", -1, "KM\r\nK", "KR MR RW KR "},    // a line break takes positions
        {"KM", 99, "KMRRR", "KR MR "},                // nothing past the sent text
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::vector<tagCharResult> r = ScoreCopyCharacters(
            rows[i].sent, static_cast<int>(strlen(rows[i].sent)), rows[i].sentCount, rows[i].copy,
            static_cast<int>(strlen(rows[i].copy)));
        EXPECT_EQ(rows[i].want, Outcomes(r)) << "row " << i;
    }
}

TEST(CharStats, SessionsAddUpPerCharacter) {
    // Sessions scored from real copies: the tallies are the sums.
    const char sent[] = "KMRKM MRKKR";
    CCharStats stats;
    std::map<char, int64_t[3]> want;
    const struct { const char* copy; int sentCount; } sessions[] = {
        {"KMRKM MRKKR", 11}, {"KXRK  MR", 11}, {"kmr", -1}, {"", 6}, {"MRKKM MRKKR", 11},
    };
    for (size_t i = 0; i < sizeof sessions / sizeof sessions[0]; ++i) {
        const std::vector<tagCharResult> r = ScoreCopyCharacters(sent, 11, sessions[i].sentCount, sessions[i].copy,
                                                                 static_cast<int>(strlen(sessions[i].copy)));
        for (const tagCharResult& c : r) ++want[c.nChar][c.nOutcome];
        stats.AddSession("KMR", r);
    }
    for (const auto& w : want) {
        const tagCharTally* t = stats.Find(w.first);
        ASSERT_NE(nullptr, t) << w.first;
        EXPECT_EQ(w.second[0], t->nRight) << w.first;
        EXPECT_EQ(w.second[1], t->nWrong) << w.first;
        EXPECT_EQ(w.second[2], t->nMissed) << w.first;
        EXPECT_EQ(static_cast<size_t>(w.second[0] + w.second[1] + w.second[2]), t->szRecent.size()) << w.first;
    }
    EXPECT_EQ(nullptr, stats.Find('X'));
    ASSERT_EQ(5u, stats.Sessions().size());
    EXPECT_EQ(10, stats.Sessions()[1].nRight + stats.Sessions()[1].nWrong + stats.Sessions()[1].nMissed);
    // A session's summary and the table agree with the counts.
    const std::vector<tagSessionSummary> sum = SummariseResults(Results("KRKWMMKR"));
    ASSERT_EQ(2u, sum.size());
    EXPECT_TRUE(sum[0].nChar == 'K' && sum[0].nRight == 2 && sum[0].nWrong == 1 && sum[1].nMissed == 1);
    CCharStats two;
    two.AddSession("KM", Results("KRKRKRKW"));
    two.AddSession("KM", Results("KRKWMMKR"));
    EXPECT_EQ("K   2/3    67%   71%\r\nM   0/1     0%    0%\r\n", FormatAccuracyTable(sum, two));
    // Recent outcomes and the session history keep only their newest ends.
    CCharStats many;
    for (int i = 0; i < 30; ++i) many.AddSession("K", Results(i < 28 ? "KWKW" : "KRKR"));
    EXPECT_EQ(static_cast<size_t>(CHAR_RECENT_MAX), many.Find('K')->szRecent.size());
    EXPECT_DOUBLE_EQ(46.0 / 50, many.RecentErrorRate('K'));
    EXPECT_EQ(60, many.Find('K')->nRight + many.Find('K')->nWrong);
    EXPECT_EQ(static_cast<size_t>(SESSION_HISTORY_MAX), many.Sessions().size());
}

TEST(CharStats, TextRoundTripsAndAnyCutOrChangeIsRefused) {
    const CCharStats s = Sample();
    const std::string text = s.Serialize();
    CCharStats back;
    ASSERT_EQ(1, back.Parse(text)) << text;
    EXPECT_EQ(text, back.Serialize());
    EXPECT_DOUBLE_EQ(1.0 / 3, back.RecentErrorRate('K'));
    EXPECT_EQ(1.0, back.RecentErrorRate('M'));
    // Every shorter prefix and every single changed byte is refused and
    // leaves nothing half read.
    for (size_t n = 0; n < text.size(); ++n) {
        CCharStats cut = Sample();
        EXPECT_EQ(0, cut.Parse(text.substr(0, n))) << "cut at " << n;
        EXPECT_EQ(1, cut.IsEmpty()) << "cut at " << n;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        std::string bad = text;
        bad[i] = static_cast<char>(bad[i] ^ 0x04);
        CCharStats changed;
        EXPECT_EQ(0, changed.Parse(bad)) << "byte " << i;
        EXPECT_EQ(1, changed.IsEmpty()) << "byte " << i;
    }
    EXPECT_EQ(0, back.Parse(text + "x\n"));
    EXPECT_EQ(0, back.Parse(std::string(300, '\0')));
}

TEST(StatsFile, DamagedFileIsReportedKeptAsideAndReplacedWithoutTouchingSettings) {
    const char* path = VARDO_STATS_FILE;
    const std::string bad = std::string(path) + ".bad";
    std::remove(path);
    std::remove(bad.c_str());
    // vardo.ini with values of its own; the statistics never change them.
    std::remove("./vardo.ini");
    {
        CVardoSetting s;
        std::strcpy(s.charlist, "KMR");
        s.effectivewpm = 12;
    }
    const std::string ini = ReadAll("./vardo.ini");

    CCharStats stats;
    EXPECT_EQ(STATS_NEW, LoadCharStats(path, &stats));
    ASSERT_EQ(1, SaveCharStats(path, Sample()));
    EXPECT_EQ("", ReadAll((std::string(path) + ".tmp").c_str())) << "the temporary file stays behind";
    EXPECT_EQ(STATS_LOADED, LoadCharStats(path, &stats));
    EXPECT_EQ(Sample().Serialize(), stats.Serialize());

    const std::string whole = Sample().Serialize();
    const struct { const char* what; std::string bytes; } rows[] = {
        {"cut short", whole.substr(0, whole.size() / 2)},
        {"garbled", std::string(whole).replace(20, 4, "@@@@")},
        {"empty", ""},
        {"foreign", "[CW]\r\nshorthit=80\r\n"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        WriteAll(path, rows[i].bytes);
        CCharStats got = Sample();
        EXPECT_EQ(STATS_REPLACED, LoadCharStats(path, &got)) << rows[i].what;
        EXPECT_EQ(1, got.IsEmpty()) << rows[i].what;
        EXPECT_EQ(rows[i].bytes, ReadAll(bad.c_str())) << rows[i].what << ": the damaged file is kept aside";
        EXPECT_EQ(STATS_LOADED, LoadCharStats(path, &got)) << rows[i].what << ": replaced by a whole file";
        CVardoSetting settings;
        EXPECT_STREQ("KMR", settings.charlist) << rows[i].what;
        EXPECT_EQ(12, settings.effectivewpm) << rows[i].what;
    }
    EXPECT_EQ(ini, ReadAll("./vardo.ini"));
    std::remove(path);
    std::remove(bad.c_str());
}

TEST(KochLesson, NextCharacterFollowsTheKochOrder) {
    tagMorseCode table[MORSE_CODE_COUNT];
    FillDefaultMorseTable(table);
    const struct { const char* list; char next; } rows[] = {
        {"", 'K'}, {"KM", 'R'}, {"MK", 'R'}, {"KMRSUAPTLOWI", '.'}, {"KMRSUAPTLOWI.NJEF0", 'Y'},
        {"KMRSUAPTLOWI.NJEF0Y", 'V'},  // ',' has no code in the table: passed over
        {"KMRSUAPTLOWI.NJEF0YVG5/Q9ZH38B?427C1D6X", 0}, {"ABC", 'K'},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].next, NextKochCharacter(rows[i].list, table)) << "row " << i;
    }
}

TEST(KochLesson, RecentSessionsOnTheSetMustReachTheMark) {
    // Each session: set, right, wrong, missed (oldest first).
    struct S { const char* list; int r, w, m; };
    const struct { std::vector<S> sessions; int passed; } rows[] = {
        {{{"KM", 45, 5, 0}, {"KM", 45, 3, 2}, {"KM", 45, 0, 5}}, 1},   // 90.0 % exactly
        {{{"KM", 45, 5, 0}, {"KM", 45, 3, 2}, {"KM", 44, 0, 6}}, 0},   // 89.3 %
        {{{"KM", 45, 5, 0}, {"KM", 45, 3, 2}}, 0},                      // too few sessions
        {{{"K", 50, 0, 0}, {"KM", 50, 0, 0}, {"KM", 50, 0, 0}}, 0},    // one on another set
        {{{"K", 50, 0, 0}, {"KM", 50, 0, 0}, {"KM", 50, 0, 0}, {"KM", 50, 0, 0}}, 1},
        {{{"KM", 50, 0, 0}, {"KM", 50, 0, 0}, {"KM", 50, 0, 0}, {"KM", 1, 9, 0}}, 1},  // a short one passed over
        {{{"KM", 10, 40, 0}, {"KM", 50, 0, 0}, {"KM", 50, 0, 0}, {"KM", 50, 0, 0}}, 1},  // only the last three
        // The 20-character minimum: a session of 19 is passed over, one of
        // 20 counts.
        {{{"KM", 45, 5, 0}, {"KM", 45, 5, 0}, {"KM", 45, 5, 0}, {"KM", 0, 19, 0}}, 1},
        {{{"KM", 45, 5, 0}, {"KM", 45, 5, 0}, {"KM", 45, 5, 0}, {"KM", 0, 20, 0}}, 0},
        {{{"KM", 50, 0, 0}, {"KM", 50, 0, 0}, {"KM", 50, 0, 0}, {"K", 19, 0, 0}}, 1},  // short, on another set
        {{{"KM", 50, 0, 0}, {"KM", 50, 0, 0}, {"KM", 50, 0, 0}, {"K", 20, 0, 0}}, 0},
        {{{"KM", 19, 0, 0}, {"KM", 19, 0, 0}, {"KM", 19, 0, 0}}, 0},                   // all too short
        {{{"KM", 20, 0, 0}, {"KM", 18, 2, 0}, {"KM", 19, 1, 0}}, 1},                   // 57 of 60 = 95 %
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CCharStats stats;
        for (const S& s : rows[i].sessions) {
            std::string pairs;
            for (int k = 0; k < s.r; ++k) pairs += "KR";
            for (int k = 0; k < s.w; ++k) pairs += "KW";
            for (int k = 0; k < s.m; ++k) pairs += "KM";
            stats.AddSession(s.list, Results(pairs.c_str()));
        }
        EXPECT_EQ(rows[i].passed, LessonPassed(stats, "KM")) << "row " << i;
    }
}

TEST(KochPractice, WeakCharacterComesUpMoreAndEveryCharacterStays) {
    // Ten characters; K was wrong or missed in half of its recent attempts,
    // the others never.
    const char list[] = "KMRSUAPTLO";
    CCharStats stats;
    std::string history;
    for (const char* c = list; *c; ++c)
        for (int k = 0; k < 20; ++k) history += std::string(1, *c) + (*c == 'K' && k % 2 ? (k % 4 == 1 ? "W" : "M") : "R");
    stats.AddSession(list, Results(history.c_str()));
    ASSERT_DOUBLE_EQ(0.5, stats.RecentErrorRate('K'));
    int32_t weights[10];
    for (int k = 0; k < 10; ++k) weights[k] = KochWeight(stats.RecentErrorRate(list[k]));
    EXPECT_EQ(250, weights[0]);
    EXPECT_EQ(KOCH_WEIGHT_BASE, weights[1]);

    constexpr int COUNT = 10000;
    std::vector<char> text(COUNT, 0);
    for (unsigned seed : {1u, 7u, 12345u}) {
        srand(seed);
        FillWeightedKochText(text.data(), COUNT, list, -1, weights);
        std::map<char, int> seen;
        for (char c : text) ++seen[c];
        ASSERT_EQ(10u, seen.size()) << "seed " << seed << ": a character never came up, or a stranger did";
        // Uniform is 1000 each (binomial sd 30); weighted, K is expected
        // 10000 x 250 / 1150 = 2174 and each other character 870.
        EXPECT_GT(seen['K'], 1900) << "seed " << seed;
        EXPECT_LT(seen['K'], 2450) << "seed " << seed;
        for (const char* c = list + 1; *c; ++c) EXPECT_GT(seen[*c], 700) << "seed " << seed << " " << *c;
    }
    // Groups keep their spaces where the unweighted text has them.
    char groups[64];
    FillWeightedKochText(groups, 64, "AB", 5, weights);
    for (int i = 0; i < 64; ++i) EXPECT_EQ((i + 1) % 6 == 0, groups[i] == ' ') << i;
}
