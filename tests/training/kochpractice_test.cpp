// Weighted practice as the copy dialog draws it: from the statistics file
// and the settings, a character never sent or often missed comes up more
// than a well-known one; with the setting off the draw is uniform.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "settings/vardosetting.h"
#include "training/charstats.h"
#include "training/copyscore.h"
#include "training/kochpractice.h"
#include "training/kochtext.h"
#include "training/statsfile.h"

namespace {

std::vector<tagCharResult> Repeat(char c, CopyOutcome o, int n) {
    return std::vector<tagCharResult>(static_cast<size_t>(n), tagCharResult{c, o});
}

struct KochPractice : ::testing::Test {
    void SetUp() override {
        std::remove(VARDO_STATS_FILE);
        store.reset(new CVardoSetting());
        g_pSetting = store.get();
    }
    void TearDown() override {
        g_pSetting = nullptr;
        std::remove(VARDO_STATS_FILE);
    }
    std::unique_ptr<CVardoSetting> store;
};

std::map<char, int> Drawn() {
    std::map<char, int> seen;
    for (char c : g_szKochText) {
        if (c != ' ') ++seen[c];
    }
    return seen;
}

}  // namespace

TEST(PracticeErrorRate, NewAndSeldomSentCharactersCountAsHard) {
    CCharStats stats;
    stats.AddSession("KMR", Repeat('K', COPY_OUTCOME_RIGHT, 4));
    stats.AddSession("KMR", Repeat('M', COPY_OUTCOME_RIGHT, 50));
    stats.AddSession("KMR", Repeat('W', COPY_OUTCOME_WRONG, 6));
    const struct { char c; double rate; } rows[] = {
        {'R', 1.0},           // never sent
        {'K', 4.0 / 8},       // four right so far
        {'M', 4.0 / 54},      // known well
        {'W', 10.0 / 10},     // always wrong
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_DOUBLE_EQ(rows[i].rate, stats.PracticeErrorRate(rows[i].c)) << "row " << i << " " << rows[i].c;
    }
    EXPECT_GT(KochWeight(stats.PracticeErrorRate('R')), KochWeight(stats.PracticeErrorRate('K')));
    EXPECT_GT(KochWeight(stats.PracticeErrorRate('K')), KochWeight(stats.PracticeErrorRate('M')));
}

TEST_F(KochPractice, TheWeightsFromTheFileShapeTheText) {
    // K and M copied right fifty times each; R just joined the set.
    CCharStats stats;
    stats.AddSession("KM", Repeat('K', COPY_OUTCOME_RIGHT, 50));
    stats.AddSession("KM", Repeat('M', COPY_OUTCOME_RIGHT, 50));
    ASSERT_EQ(1, SaveCharStats(VARDO_STATS_FILE, stats));
    std::strcpy(store->charlist, "KMR");
    store->koch_wordlen = 5;
    // Each row: the setting, and the least and most share of R among the
    // 214 letters. Weighted, R is drawn with 400 / (400 + 2 x 122): 62 %
    // (sd 3.3 %); uniform, 33 % (sd 3.2 %).
    const struct { int weighted; int loaded; double least, most; } rows[] = {
        {1, STATS_LOADED, 0.46, 1.0},
        {0, 0, 0.0, 0.49},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        store->koch_weighted = rows[i].weighted;
        std::memset(g_szKochText, 0, sizeof g_szKochText);
        EXPECT_EQ(rows[i].loaded, GeneratePracticeText()) << "row " << i;
        std::map<char, int> seen = Drawn();
        int letters = 0;
        for (const auto& s : seen) letters += s.second;
        EXPECT_EQ(214, letters) << "row " << i;
        EXPECT_EQ(3u, seen.size()) << "row " << i << ": every character comes up, no other";
        const double share = static_cast<double>(seen['R']) / letters;
        EXPECT_GE(share, rows[i].least) << "row " << i;
        EXPECT_LE(share, rows[i].most) << "row " << i;
    }
}

TEST(SentCharacterCount, TheOneBeingKeyedCountsAsSent) {
    const struct { int len; size_t waiting; int sent; } rows[] = {
        {256, 256, 0}, {256, 255, 1}, {256, 1, 255}, {256, 0, 256}, {256, 1000, 0}, {0, 0, 0}, {5, 2, 3},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].sent, SentCharacterCount(rows[i].len, rows[i].waiting)) << "row " << i;
    }
}
