// The adaptive receiver's timing on clean generated CW: hand-sent keying
// (dashes 2.5 to 4 dots, jitter, long letter and word gaps, a speed that
// drifts, word gaps from barely longer than a letter gap to long pauses),
// the short words machine keying used to split ("599" as "EEE99",
// "R" as "IE"), and how soon the first words of an over are shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "morse/morsecode.h"
#include "receiver/cwreceiver.h"
#include "tests/receiver/receiverkit.h"

namespace {

constexpr int32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// How a sender keys, in dots: a dash, the gaps between characters and
// words; each length scattered by jitter (relative, Gaussian); the speed
// changes by drift (relative) from the first element to the last.
struct tagSender {
    double wpm;
    double toneHz;
    double dash;
    double letterGap;
    double wordGap;
    double jitter;
    double drift;
    bool restartPhase;  // each element at a phase of its own
    unsigned seed;
    // Marks this share longer, and the gaps inside characters as much
    // shorter (a heavy hand; negative: a light one).
    double weight = 0.0;
};

// Keyed text, 5 ms raised-cosine edges, at -6 dBFS, exact zeros between
// marks; returns the sample at which each word ends.
std::vector<size_t> Key(const std::string& text, const tagSender& s, const tagMorseCode* table, std::vector<double>* out) {
    std::mt19937 rng(s.seed);
    std::normal_distribution<double> scatter(0.0, s.jitter);
    std::uniform_real_distribution<double> turn(0.0, 2 * kPi);
    const double amp = 0.5;
    const size_t ramp = kRate / 200;
    size_t elements = 0;
    for (char c : text) {
        if (c != ' ') elements += static_cast<size_t>(MorseElementCount(*FindCode(table, static_cast<signed char>(c))));
    }
    size_t done = 0;
    double phase = turn(rng);
    auto emit = [&](double dots, bool on) {
        const double speed = 1.0 + s.drift * static_cast<double>(done) / std::max<size_t>(1, elements);
        const double seconds = dots * 1.2 / s.wpm / speed * std::max(0.3, 1.0 + scatter(rng));
        const size_t n = static_cast<size_t>(seconds * kRate);
        if (on && s.restartPhase) phase = turn(rng);
        for (size_t i = 0; i < n; ++i) {
            const double edge = std::min({1.0, static_cast<double>(i) / ramp, static_cast<double>(n - i) / ramp});
            const double shape = on ? 0.5 - 0.5 * std::cos(kPi * edge) : 0.0;
            const double t = static_cast<double>(out->size()) / kRate;
            out->push_back(amp * shape * std::sin(2 * kPi * s.toneHz * t + phase));
        }
    };
    std::vector<size_t> wordEnds;
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] == ' ') continue;
        int left = MorseElementCount(*FindCode(table, static_cast<signed char>(text[k])));
        ForEachMorseElement(*FindCode(table, static_cast<signed char>(text[k])), [&](bool isDot) {
            emit((isDot ? 1.0 : s.dash) * (1.0 + s.weight), true);
            ++done;
            if (--left > 0) emit(1.0 - s.weight, false);
        });
        if (k + 1 == text.size() || text[k + 1] == ' ') {
            wordEnds.push_back(out->size());
            emit(s.wordGap, false);
        } else {
            emit(s.letterGap, false);
        }
    }
    return wordEnds;
}

std::vector<int16_t> ToPcm(const std::vector<double>& x) {
    std::vector<int16_t> pcm(x.size());
    for (size_t i = 0; i < x.size(); ++i) pcm[i] = static_cast<int16_t>(std::lround(x[i] * 32767.0));
    return pcm;
}

tagCwReceiverConfig Around(double toneHz) { return tagCwReceiverConfig{kRate, toneHz - 200.0, toneHz + 200.0, 0.08}; }

std::string Trimmed(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    return s;
}

std::string Decode(const std::vector<int16_t>& pcm, const tagCwReceiverConfig& config, const tagMorseCode* table) {
    CCwReceiver rx(config, table);
    return Trimmed(FeedInChunks(rx, pcm, kRate));
}

class CwReceiverTimingTest : public ::testing::Test {
protected:
    void SetUp() override { FillDefaultMorseTable(m_table); }
    // The text keyed by the sender after half a second of silence and
    // before a second of it, as the receiver copies it about the pitch.
    std::string Copy(const std::string& text, const tagSender& s) const {
        std::vector<double> x(kRate / 2, 0.0);
        Key(text, s, m_table, &x);
        x.resize(x.size() + kRate, 0.0);
        return Decode(ToPcm(x), Around(s.toneHz), m_table);
    }
    tagMorseCode m_table[MORSE_CODE_COUNT];
};

TEST_F(CwReceiverTimingTest, MachineKeyingOfShortWordsComesOutExactly) {
    // Runs of dots and lone short characters: a dot too many or a gap
    // read as a letter gap shows at once. Some senders start each element
    // at a phase of its own; the phase from mark to mark must not split
    // their marks.
    static const tagSender rows[] = {
        {22, 700, 3, 3, 7, 0, 0, false, 1},
        {18, 700, 3, 3, 7, 0, 0, false, 2},
        {28, 659, 3, 3, 7, 0, 0, true, 3},
        {40, 1791, 3, 3, 7, 0, 0, true, 5},
    };
    const std::string text = "599 R 5NN EEE IE R TU 599 R";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::string got = Copy(text, rows[i]);
        EXPECT_EQ(text, got) << "row " << i << ": " << rows[i].wpm << " WPM, " << rows[i].toneHz << " Hz"
                             << (rows[i].restartPhase ? ", phase restarted per element" : "");
    }
}

TEST_F(CwReceiverTimingTest, HandKeyingIsCopiedOnceTheSenderIsLearnt) {
    // Each sender keys steadily its own way; after the first few words
    // the receiver must copy it with at most one error in the whole text.
    static const tagSender rows[] = {
        // wpm  tone  dash  letter word  jitter drift
        {18, 600, 3.8, 4.0, 9.0, 0.10, 0.10, false, 11},
        {25, 1200, 2.6, 3.0, 6.0, 0.12, -0.10, false, 12},
        {15, 800, 3.5, 3.5, 11.0, 0.15, 0.0, true, 13},
        {30, 2200, 3.0, 4.5, 10.0, 0.08, 0.15, false, 14},
        {12, 400, 4.0, 3.0, 7.0, 0.12, -0.15, false, 15},
    };
    const std::string text = "CQ CQ DE DL1ABC DL1ABC K UR RST 599 NAME ANA QTH OSLO HW? 73 TU";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::string got = Copy(text, rows[i]);
        EXPECT_LE(EditDistance(text, got), 1u)
            << "row " << i << ": " << rows[i].wpm << " WPM, dash " << rows[i].dash << ", letter gap "
            << rows[i].letterGap << ", word gap " << rows[i].wordGap << ", jitter " << rows[i].jitter
            << ", drift " << rows[i].drift << ": expected '" << text << "', decoded '" << got << "'";
    }
}

TEST_F(CwReceiverTimingTest, HeavyAndLightHandsAreCopiedFromTheFirstWord) {
    // Marks keyed long and the gaps inside characters short (or the other
    // way round), letter gaps long and word gaps close to them: read at a
    // wrong speed the first words split or run together, and the speed
    // must be found from the lengths the sender keys. Call signs and
    // groups, where no word gives the next away.
    static const tagSender rows[] = {
        // wpm  tone  dash  letter word  jitter drift phase   seed weight
        {19, 1160, 3.5, 4.2, 6.6, 0.10, 0.0, false, 31, 0.13},
        {27, 940, 3.2, 3.6, 7.5, 0.08, 0.08, true, 32, 0.12},
        {14, 1020, 3.7, 3.1, 9.5, 0.10, -0.08, false, 33, -0.12},
        {33, 1100, 2.8, 3.4, 8.0, 0.07, 0.0, false, 34, 0.15},
    };
    const std::string text = "HA7KDK HP6N XL4YJL/P X6UX H82PQS JS6FO G6EHH Z0Z X44E";
    size_t errors = 0;
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::string got = Copy(text, rows[i]);
        const size_t e = EditDistance(text, got);
        errors += e;
        EXPECT_LE(e, 2u) << "row " << i << ": " << rows[i].wpm << " WPM, dash " << rows[i].dash << ", letter gap "
                         << rows[i].letterGap << ", word gap " << rows[i].wordGap << ", weight " << rows[i].weight
                         << ": expected '" << text << "', decoded '" << got << "'";
    }
    // At most 1 % over the rows.
    EXPECT_LE(errors * 100, text.size() * (sizeof rows / sizeof rows[0])) << errors << " errors over the rows";
}

TEST_F(CwReceiverTimingTest, WordSpacesFollowTheSendersOwnGaps) {
    // Letter gaps as long as a machine's word gaps and word gaps far
    // longer, even past the longest gap a word space was weighed at (a
    // hand pausing between words); or word gaps barely half again a
    // letter gap. A boundary halfway between 3 and 7 dots splits the
    // first into single letters; a pause read as a gap too long for any
    // space got a stray E in it.
    static const tagSender rows[] = {
        // wpm  tone  dash  letter word  jitter drift phase   seed
        {20, 900, 3.0, 4.8, 12.5, 0.05, 0.0, false, 41},
        {26, 1500, 3.3, 4.6, 14.0, 0.05, 0.05, false, 42},
        {16, 700, 3.2, 4.2, 6.6, 0.04, 0.0, false, 43},
        {30, 2100, 2.8, 2.7, 4.4, 0.04, -0.05, true, 44},
    };
    const std::string text = "S4U3X 577GD YRF0F 8QXWC W7JFI 25U3V YJYNQ CSF7L EJEGA ECHT1 01F8O EKK7G";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::string got = Copy(text, rows[i]);
        EXPECT_EQ(text, got) << "row " << i << ": " << rows[i].wpm << " WPM, letter gap " << rows[i].letterGap
                             << ", word gap " << rows[i].wordGap;
    }
}

TEST_F(CwReceiverTimingTest, SlowLetterGapsBarelyShorterThanWordGapsStayInTheirWords) {
    // A slow hand whose letter gaps are all longer than the boundary a
    // receiver starts with, and whose word gaps are only a little longer
    // again: the gaps show no clear two clusters, and a boundary learnt
    // from whatever lies above it reads every letter gap as a word space.
    // Short overs, where the whole text is the first reading.
    static const tagSender rows[] = {
        // wpm  tone  dash  letter word  jitter drift phase   seed weight
        {15, 1150, 2.7, 4.9, 5.7, 0.03, -0.07, false, 51, 0.11},
        {12.5, 1630, 2.6, 4.0, 5.7, 0.08, 0.1, false, 52, -0.07},
        {12, 1100, 3.3, 5.0, 5.8, 0.04, 0.1, false, 53, 0.05},
    };
    const std::string texts[] = {"E0Q VO0LF C38Z R86K G19LI NN2A SP1EQ", "5NN 599 5NN 1997 602 599",
                                 "B1MTK A96TH G42S IT3F VF6F U4Y"};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::string got = Copy(texts[i], rows[i]);
        // Some of these gaps fall on the other side of any boundary: a
        // word space or two, not one per letter.
        EXPECT_LE(EditDistance(texts[i], got), 2u)
            << "row " << i << ": " << rows[i].wpm << " WPM, letter gap " << rows[i].letterGap << ", word gap "
            << rows[i].wordGap << ": expected '" << texts[i] << "', decoded '" << got << "'";
    }
}

TEST_F(CwReceiverTimingTest, LongLetterGapsLeaveNoCharacterOnItsOwn) {
    // Letter gaps near 4.5 dots with a loose hand's scatter: the longest of
    // them reach the boundary learnt, and each one read across it makes two
    // words of one, often a character standing alone ("5 NN", "3 0290"),
    // which text seldom holds.
    static const tagSender rows[] = {
        // wpm  tone  dash  letter word  jitter drift phase   seed weight
        {18, 1120, 2.9, 4.4, 6.4, 0.10, 0.08, false, 71, -0.08},
        {12.5, 960, 3.3, 4.7, 6.9, 0.13, -0.04, false, 72, -0.14},
        {16, 1500, 3.0, 4.5, 6.6, 0.12, 0.0, true, 73, 0.0},
    };
    const std::string texts[] = {"30290 5NN 5NN 68503 710 15952 569 132 5NN", "BK8PDQ/P Y1T I4TOW/P V3PR C42KGU S8XO",
                                 "599 41/9 60/4 5NN 5NN 599 20209 63605 5NN 078"};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::string got = Copy(texts[i], rows[i]);
        EXPECT_LE(EditDistance(texts[i], got), 3u)
            << "row " << i << ": " << rows[i].wpm << " WPM, letter gap " << rows[i].letterGap << ", word gap "
            << rows[i].wordGap << ": expected '" << texts[i] << "', decoded '" << got << "'";
    }
}

TEST_F(CwReceiverTimingTest, DenseKeyingOfAHeavyHandIsNotTakenForNoise) {
    // Long dashes, the marks longer still and the gaps short, on words
    // mostly of dashes: a quarter of the time or less lies between marks,
    // where the noise is measured. Such a stretch was dropped as noise and
    // the words in it lost.
    static const tagSender rows[] = {
        // wpm  tone  dash  letter word  jitter drift phase   seed weight
        {14, 390, 3.9, 2.8, 5.3, 0.08, 0.0, false, 61, 0.14},
        {20, 820, 3.8, 2.6, 5.0, 0.05, 0.0, true, 62, 0.15},
    };
    const std::string text = "NQ2MR ROABG W8XVI ZOIVW YY7NC Y39G0 A2P09 QJ0O9 MOTO0 YQ90J";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::string got = Copy(text, rows[i]);
        EXPECT_LE(EditDistance(text, got), 2u) << "row " << i << ": " << rows[i].wpm << " WPM, dash " << rows[i].dash
                                               << ", weight " << rows[i].weight << ": expected '" << text
                                               << "', decoded '" << got << "'";
    }
}

TEST_F(CwReceiverTimingTest, ShowsTheFirstWordsWithinTwoWords) {
    // Once the second word's gap has gone by, the first word shows, final
    // or provisional; what is shown provisionally is never the final text
    // repeated, and at the end the final text alone is all of it.
    static const tagSender rows[] = {
        {20, 700, 3, 3, 7, 0, 0, false, 21},
        {35, 1500, 3, 3, 7, 0, 0, true, 22},
        {14, 500, 3.4, 3.5, 8, 0.1, 0, false, 23},
    };
    const std::string text = "CQ TEST DE VARDO VARDO K";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        std::vector<double> x(kRate / 2, 0.0);
        const std::vector<size_t> ends = Key(text, rows[i], m_table, &x);
        x.resize(x.size() + kRate, 0.0);
        const std::vector<int16_t> pcm = ToPcm(x);
        CCwReceiver rx(Around(rows[i].toneHz), m_table, false);  // decided as cut: no timing involved
        std::string final;
        std::string shown;
        // The second word's gap over, and a dot's margin.
        const size_t by = ends[1] + static_cast<size_t>((rows[i].wordGap + 1) * 1.2 / rows[i].wpm * kRate);
        const size_t chunk = kRate * 27 / 1000;
        for (size_t at = 0; at < pcm.size(); at += chunk) {
            rx.Feed(pcm.data() + at, std::min(chunk, pcm.size() - at));
            final += rx.TakeText();
            if (at <= by && at + chunk > by) shown = final + rx.ProvisionalText();
        }
        rx.Flush();
        final += rx.TakeText();
        EXPECT_EQ("CQ", Trimmed(shown).substr(0, 2))
            << "row " << i << ": " << rows[i].wpm << " WPM: shown after two words '" << shown << "'";
        EXPECT_EQ(text, Trimmed(final)) << "row " << i;
        EXPECT_EQ("", rx.ProvisionalText()) << "row " << i << ": provisional text left after the end";
    }
}

}  // namespace
