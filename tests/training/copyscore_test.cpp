// Scoring of a copy against the sent text and the figures shown for it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "training/copyscore.h"

TEST(CopyScore, Table) {
    struct Row {
        const char* sent;
        const char* copy;
        int copied, wrong, lastWrong;
        const char* accuracy;
    };
    const Row rows[] = {
        {"ABABA BBAAB", "ababa", 5, 0, 0, "100.0%"},
        {"ABABA BBAAB", "ABX", 3, 1, 1, "66.7%"},
        {"ABABA BBAAB", "", 0, 0, 0, "%"},
        {"ABABA BBAAB", "ABA\r\n", 5, 2, 1, "60.0%"},      // line break where letters stand
        {"ABABA BBAAB", "ABABA\r\nA", 8, 2, 0, "75.0%"},   // and where the space stands: it is a gap
        {"ABABA BBAAB", "ABABA B", 7, 0, 0, "100.0%"},      // typed space matches the space
        {"ABABA BBAAB", "BABAB", 5, 1, 0, "80.0%"},         // one extra character costs one
        {"ABABA BBAAB", "BABA", 4, 0, 0, "100.0%"},         // a missed first character costs nothing more
        {"ABABA BBAAB", "ABBA BBAAB", 10, 0, 0, "100.0%"},  // one dropped: the rest still scores
        {"ABABA BBAAB", "ABAXBA BBAAB", 12, 1, 0, "91.7%"}, // one put in
        {"ABABA BBAAB", "ABABABBAAB", 10, 0, 0, "100.0%"},  // the group gap not typed
        {"ABABA BBAAB", "ABABX", 5, 1, 1, "80.0%"},
        {"ABABA BBAAB", "XBABA", 5, 1, 0, "80.0%"},
        {"abab", "abab", 4, 4, 1, "0.0%"},                  // lower case in the set never scores
        {"AB", "ABAB", 4, 2, 1, "50.0%"},                   // past the sent text: wrong
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        tagCopyScore s = ScoreCopy(r.sent, static_cast<int>(strlen(r.sent)), r.copy,
                                   static_cast<int>(strlen(r.copy)));
        EXPECT_EQ(r.copied, s.nCopied) << "row " << i;
        EXPECT_EQ(r.wrong, s.nWrong) << "row " << i;
        EXPECT_EQ(r.copied - r.wrong, s.nCorrect) << "row " << i;
        EXPECT_EQ(r.lastWrong, s.bLastWrong) << "row " << i;
        char buf[32];
        memset(buf, 'x', sizeof buf);
        FormatAccuracy(s, buf, sizeof buf);
        EXPECT_STREQ(r.accuracy, buf) << "row " << i;
    }
}

TEST(CopyScore, LongCopyIsCutAt255) {
    std::string sent(256, 'K');
    std::string copy(400, 'k');
    tagCopyScore s = ScoreCopy(sent.data(), 256, copy.data(), 400);
    EXPECT_EQ(255, s.nCopied);
    EXPECT_EQ(0, s.nWrong);
    // Non-ASCII units arrive as zero bytes and never match.
    const char withZero[] = {'K', 0, 'K'};
    s = ScoreCopy(sent.data(), 256, withZero, 3);
    EXPECT_EQ(3, s.nCopied);
    EXPECT_EQ(1, s.nWrong);
    EXPECT_EQ(0, s.bLastWrong);
}

TEST(CopyScore, ElapsedClock) {
    struct Row { uint32_t start, now; const char* want; };
    const Row rows[] = {
        {1000, 1000, "00:00:00"},
        {1000, 1999, "00:00:00"},
        {1000, 2000, "00:00:01"},
        {0, 59999, "00:00:59"},
        {0, 60000, "00:01:00"},
        {0, 3599999, "00:59:59"},
        {0, 3600000, "01:00:00"},
        {0xFFFFFC18u, 0x000003E8u, "00:00:02"},  // the tick counter wrapped
        {0, 360000000, "100:00:00"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        char buf[32];
        memset(buf, 'x', sizeof buf);
        FormatElapsed(rows[i].start, rows[i].now, buf, sizeof buf);
        EXPECT_STREQ(rows[i].want, buf) << "row " << i;
    }
    char buf[16];
    FormatCopyCount(42, buf, sizeof buf);
    EXPECT_STREQ("42", buf);
}
