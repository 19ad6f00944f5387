// The receive log: lines end on a quiet spell or at a word space past the
// wrap width, each with the time its first character came; the file is
// appended to, never truncated; a file that cannot be written is reported
// once.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/receivelog.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The stamp the log writes for t, in this machine's local time.
std::string Stamp(std::time_t t) {
    char out[32];
    std::tm parts = *std::localtime(&t);
    std::strftime(out, sizeof out, "%Y-%m-%d %H:%M:%S", &parts);
    return out;
}

TEST(ReceiveLog, LinesEndOnSilenceOrWrapAndCarryTheirFirstCharactersTime) {
    struct Step {
        bool tick;  // else text comes
        std::string text;
        double at;  // seconds
    };
    const std::string w20 = "ABCDEFGHIJKLMNOPQRS ";  // 20 characters with the space
    struct Row {
        std::vector<Step> steps;
        std::vector<std::pair<int, std::string>> lines;  // clock tick of the first character, text
    } rows[] = {
        // An over, then silence past the line gap: one line; a tick short
        // of the gap writes nothing.
        {{{0, "CQ CQ ", 0}, {0, "DE VARDO K ", 2}, {1, "", 6.9}, {1, "", 7.1}}, {{0, "CQ CQ DE VARDO K"}}},
        // Two overs: two lines, stamped when each began.
        {{{0, "TEST ", 0}, {1, "", 5.5}, {0, " R R", 9}, {1, "", 20}}, {{0, "TEST"}, {1, "R R"}}},
        // Nothing but blanks writes nothing.
        {{{0, "   ", 0}, {1, "", 30}}, {}},
        // Long text breaks at the first word space past the wrap width.
        {{{0, w20 + w20 + w20 + w20, 0}, {1, "", 10}},
         {{0, (w20 + w20 + w20 + w20.substr(0, 19))}}},
        // No space for a long while: broken hard.
        {{{0, std::string(100, 'E'), 0}, {1, "", 10}},
         {{0, std::string(CReceiveLog::WRAP_HARD, 'E')}, {1, std::string(100 - CReceiveLog::WRAP_HARD, 'E')}}},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::string path = "receivelog_" + std::to_string(i) + ".txt";
        std::remove(path.c_str());
        const std::time_t base = 1700000000;
        int ticks = 0;
        int failures = 0;
        {
            CReceiveLog log(path, [&] { return base + 3600 * ticks++; }, [&] { ++failures; });
            ASSERT_TRUE(log.Open()) << "row " << i;
            for (const Step& s : rows[i].steps) {
                if (s.tick) {
                    log.Tick(s.at);
                } else {
                    log.Add(s.text, s.at);
                }
            }
        }
        std::string want;
        for (const auto& line : rows[i].lines) want += Stamp(base + 3600 * line.first) + " " + line.second + "\r\n";
        EXPECT_EQ(want, ReadAll(path)) << "row " << i;
        EXPECT_EQ(0, failures) << "row " << i;
        std::remove(path.c_str());
    }
}

TEST(ReceiveLog, AppendsToWhatIsThereAndWritesThePartLineAtTheEnd) {
    const std::string path = "receivelog_append.txt";
    {
        std::ofstream old(path, std::ios::binary);
        old << "earlier copy\r\n";
    }
    {
        CReceiveLog log(path, [] { return std::time_t{0}; }, nullptr);
        ASSERT_TRUE(log.Open());
        log.Add("PARIS", 1.0);
        // Written and flushed as soon as the line ends, before the log goes.
        log.Tick(10.0);
        EXPECT_EQ("earlier copy\r\n" + Stamp(0) + " PARIS\r\n", ReadAll(path));
        log.Add("K", 11.0);
    }
    EXPECT_EQ("earlier copy\r\n" + Stamp(0) + " PARIS\r\n" + Stamp(0) + " K\r\n", ReadAll(path));
    std::remove(path.c_str());
}

TEST(ReceiveLog, AFileThatCannotBeOpenedIsReportedOnce) {
    int failures = 0;
    CReceiveLog log("no-such-folder/receive.txt", nullptr, [&] { ++failures; });
    EXPECT_FALSE(log.Open());
    EXPECT_FALSE(log.Open());
    log.Add("CQ", 0);
    log.Tick(100);
    EXPECT_EQ(1, failures);
    EXPECT_TRUE(log.Failed());
}

}  // namespace
