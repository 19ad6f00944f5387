// Splitting a sender's gaps between characters into letter and word gaps:
// machine and hand timing, clusters close together, and gap sets that hold
// no clear second cluster (one cluster, too few gaps, misread gaps inside
// characters, more word gaps than letter gaps).
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "receiver/cwgapsplit.h"

namespace {

// letters letter gaps of about letter dots and words word gaps of about
// word dots, each scattered by jitter (relative, Gaussian), in the order a
// text of five-letter groups keys them.
std::vector<double> Gaps(double letter, int letters, double word, int words, double jitter, unsigned seed) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> scatter(0.0, jitter);
    std::vector<double> out;
    while (letters > 0 || words > 0) {
        for (int k = 0; k < 4 && letters > 0; ++k, --letters) out.push_back(letter * (1.0 + scatter(rng)));
        if (words-- > 0) out.push_back(word * (1.0 + scatter(rng)));
    }
    return out;
}

TEST(CwGapSplitTest, FindsTheSendersTwoClustersAndABoundaryBetween) {
    struct tagRow {
        double letter, word;
        int letters, words;
        double jitter;
        double boundaryLo, boundaryHi;  // where the boundary must lie
    };
    static const tagRow rows[] = {
        {3.0, 7.0, 24, 6, 0.0, 4.0, 6.0},     // a machine
        {4.8, 12.5, 32, 8, 0.10, 6.5, 10.0},  // slow letter gaps, long pauses
        {2.7, 5.0, 40, 10, 0.10, 3.4, 4.6},   // a quick hand
        // Close together: the boundary sits nearer the word gaps, which
        // are the fewer, than halfway on a log scale (5.29).
        {4.3, 6.5, 40, 10, 0.05, 5.29, 6.2},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const tagRow& r = rows[i];
        const tagCwGapSplit split = SplitCwGaps(Gaps(r.letter, r.letters, r.word, r.words, r.jitter, 7 + i));
        ASSERT_TRUE(split.found) << "row " << i;
        EXPECT_NEAR(r.letter, split.character, 0.1 * r.letter) << "row " << i;
        EXPECT_NEAR(r.word, split.word, 0.1 * r.word) << "row " << i;
        EXPECT_GT(split.boundary, r.boundaryLo) << "row " << i;
        EXPECT_LT(split.boundary, r.boundaryHi) << "row " << i;
    }
}

TEST(CwGapSplitTest, FindsNothingWhereTheGapsShowNoSecondCluster) {
    struct tagRow {
        const char* what;
        std::vector<double> gaps;
    };
    std::vector<double> misread = Gaps(4.0, 30, 0, 0, 0.08, 3);
    misread.push_back(1.6);  // an element gap read as a letter gap
    misread.push_back(1.8);
    const tagRow rows[] = {
        {"letter gaps alone", Gaps(4.0, 40, 0, 0, 0.12, 1)},
        {"letter gaps alone, a loose hand", Gaps(4.0, 40, 0, 0, 0.22, 5)},
        {"five gaps", {3.0, 3.0, 7.0, 3.0, 7.0}},
        {"misread gaps inside characters", misread},
        {"word gaps too close to split off", Gaps(4.6, 40, 5.5, 10, 0.12, 2)},
        {"more word gaps than letter gaps", {3.0, 3.1, 2.9, 3.0, 7.0, 7.1, 6.9, 7.0, 7.2, 6.8, 7.0, 7.1}},
        {"no gaps", {}},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_FALSE(SplitCwGaps(rows[i].gaps).found) << "row " << i << ": " << rows[i].what;
    }
}

}  // namespace

namespace {

TEST(CwGapSplitTest, GivesABestGuessWhereManyGapsSplitUnclearly) {
    // Word gaps barely longer than letter gaps: not a clear split, but from
    // many gaps the guess lies between the two; from few it is not made.
    struct tagRow {
        std::vector<double> gaps;
        bool likely;
        double boundaryLo, boundaryHi;
    };
    const tagRow rows[] = {
        {Gaps(4.6, 40, 5.5, 10, 0.05, 2), true, 4.8, 5.5},
        {Gaps(4.9, 36, 5.7, 12, 0.04, 4), true, 5.0, 5.7},
        {Gaps(4.6, 8, 5.5, 2, 0.05, 6), false, 0, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const tagCwGapSplit split = SplitCwGaps(rows[i].gaps);
        EXPECT_EQ(rows[i].likely, split.found || split.likely) << "row " << i;
        if (!rows[i].likely) continue;
        EXPECT_GT(split.boundary, rows[i].boundaryLo) << "row " << i;
        EXPECT_LT(split.boundary, rows[i].boundaryHi) << "row " << i;
    }
}

}  // namespace
