// Decoder behaviour on hand-made sample sequences, and every record keyed
// with the sender's timing, sampled like the app's key sampler and decoded.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "morse/keyingtiming.h"
#include "morse/morseparser.h"

namespace {

// Keeps every report as its character ('#' for null), with "@<sample>" when
// the sample index is wanted.
struct Recorder : IParseEventListener {
    std::string log;
    const void* parser = nullptr;
    int index = -1;
    int wrongSender = 0;
    int OnParse(void* sender, const tagMorseCode* code) override {
        wrongSender += sender != parser;
        log += code != nullptr ? static_cast<char>(code->nChar) : '#';
        if (index >= 0) log += "@" + std::to_string(index) + " ";
        return 1;
    }
};

TEST(MorseParser, SampleSequences) {
    tagMorseCode full[MORSE_CODE_COUNT];
    FillDefaultMorseTable(full);
    const tagMorseCode aAndGap[] = {{'A', 2, 3, 0}, {'_', 0, 0, 0}};
    const tagMorseCode twoE[] = {{'E', 1, 1, 0}, {'X', 1, 1, 0}};
    const std::string prefix = "dudu" "ddddu" "ddddu";  // ..-- has no character of its own
    const struct { const tagMorseCode* table; int count, threshold; std::string in; const char* out; } rows[] = {
        {full, 43, 3, "dduuuuu", "E@6 "},         {full, 43, 3, "dduuuu", ""},  // 3 is not past 3
        {full, 43, 3, "ddduuuuu", "E@7 "},        {full, 43, 3, "dddduuuuu", "T@8 "},
        {full, 43, 3, "duudduuuuu", "I@9 "},      {full, 43, 3, "duuuuduuuuu", "I@10 "},
        {full, 43, 3, "dudududududuuuuuu", "5@11 "},  // sixth dot: no child, idle after
        {full, 43, 3, prefix + "uuuu", ""},       {full, 43, 3, prefix + "uuuuu", "#@18 "},
        {full, 43, 3, prefix + "uuuududuuuuu", "?@25 "},
        {full, 43, 3, "uuuuuuuu", ""},            {full, 43, 1, "duduuuduuu", "I@5 E@9 "},
        {full, 43, 0, "duuduu", "T@2 T@5 "},      {full, 43, 0, "duduu", "M@4 "},
        {full, 43, -2, "dduduu", "T@3 T@5 "},     // negative: ends at the next down sample
        {aAndGap, 2, 3, "ddddu", "_@4 "},         // no dash child: the root's record
        {aAndGap, 1, 3, "ddddu", "#@4 "},         {aAndGap, 1, 3, "duuuuu", ""},
        {aAndGap, 1, 3, "duuuuuu", "#@6 "},       // the prefix waits past 1.5 x 3
        {twoE, 2, 3, "duuuuu", "X@5 "},           // a later record replaces an earlier one
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        Recorder rec;
        CMorseParser parser(rows[i].table, rows[i].count, rows[i].threshold, &rec);
        rec.parser = &parser;
        for (rec.index = 0; rec.index < static_cast<int>(rows[i].in.size()); ++rec.index) {
            parser.Parse(rows[i].in[rec.index] == 'd' ? 1 : 0);
        }
        EXPECT_EQ(rows[i].out, rec.log) << "row " << i << " samples " << rows[i].in;
        EXPECT_EQ(0, rec.wrongSender) << "row " << i;
    }
}

// Reads the key line every period ms from phase on, through the sampler's
// idle limit, as the app's sampler does, and decodes what passes.
std::string Decode(const std::vector<tagKeySegment>& line, int period, int phase, int idle,
                   int threshold, const tagMorseCode* table) {
    Recorder rec;
    CMorseParser parser(table, MORSE_CODE_COUNT, threshold, &rec);
    rec.parser = &parser;
    CIdleSampler sampler(period, idle);
    std::vector<int64_t> edges{0};  // edges[k]: start of segment k
    for (const tagKeySegment& s : line) edges.push_back(edges.back() + s.ms);
    size_t k = 0;
    for (int64_t t = phase; t < edges.back() + idle + 2 * period; t += period) {
        while (k < line.size() && t >= edges[k + 1]) ++k;
        const int down = k < line.size() ? line[k].down : 0;
        if (sampler.Step(down)) parser.Parse(down);
    }
    return rec.log;
}

int CeilDiv(int a, int b) { return (a + b - 1) / b; }

// Whatever the sampling phase: a dot stays within the threshold and a dash
// exceeds it, the gap inside a character stays within it and the gap after
// one exceeds it, and the idle limit lets that many up samples through.
bool Allows(const tagKeyDurations& d, int period, int idle) {
    const int t = ParserThreshold(d.longhit, period);
    return t >= 1 && CeilDiv(d.shorthit, period) <= t && d.longhit / period >= t + 1 &&
           CeilDiv(d.hitdelay, period) <= t + 1 && (d.hitdelay + d.letterdelay) / period >= t + 2 &&
           CeilDiv(idle, period) - 1 >= t + 2;
}

TEST(MorseParser, EveryRecordRoundTrips) {
    tagMorseCode t[MORSE_CODE_COUNT];
    FillDefaultMorseTable(t);
    std::string allowed;
    for (int wpm : {5, 16, 40}) {
        for (int period : {10, 27, 50}) {
            tagKeyDurations d{};
            SpeedToDurations(wpm, &d);
            if (!Allows(d, period, 750)) continue;
            allowed += std::to_string(wpm) + "/" + std::to_string(period) + " ";
            const int threshold = ParserThreshold(d.longhit, period);
            std::vector<tagKeySegment> all;
            std::string sent;
            for (int i = 0; i < MORSE_CODE_COUNT; ++i) {
                tagKeySegment seg[MAX_KEY_SEGMENTS];
                const std::vector<tagKeySegment> one(seg, seg + LayoutKeyTimeline(t[i], d, seg, MAX_KEY_SEGMENTS));
                all.insert(all.end(), one.begin(), one.end());
                const std::string want = i == MORSE_WORD_GAP_INDEX ? "" : std::string(1, static_cast<char>(t[i].nChar));
                sent += want;
                for (int phase = 0; phase < period; phase += 7) {
                    EXPECT_EQ(want, Decode(one, period, phase, 750, threshold, t))
                        << wpm << " WPM, period " << period << ", phase " << phase << ", record " << i;
                }
            }
            for (int phase = 0; phase < period; phase += 3) {
                EXPECT_EQ(sent, Decode(all, period, phase, 750, threshold, t))
                    << wpm << " WPM, period " << period << ", phase " << phase;
            }
        }
    }
    EXPECT_EQ("5/27 5/50 16/10 16/27 40/10 ", allowed);
}

}  // namespace
