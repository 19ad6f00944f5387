// Decoder behaviour on hand-made sample sequences, and every record keyed
// with the sender's timing, sampled like the app's key sampler and decoded.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "morse/keyingtiming.h"
#include "morse/morseparser.h"

namespace {

// Counts allocations so that Parse can be shown not to allocate.
int g_nAllocs = 0;

}  // namespace

void* operator new(std::size_t n) {
    ++g_nAllocs;
    if (void* p = std::malloc(n ? n : 1)) {
        return p;
    }
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// Records every report as "<char>@<sample index>", '#' for null.
struct Recorder : IParseEventListener {
    std::string log;
    const void* expectedSender = nullptr;
    int index = 0;
    int wrongSender = 0;
    int OnParse(void* sender, const tagMorseCode* code) override {
        wrongSender += sender != expectedSender;
        if (!log.empty()) {
            log += ' ';
        }
        log += code != nullptr ? static_cast<char>(code->nChar) : '#';
        log += '@' + std::to_string(index);
        return 1;
    }
};

std::string Feed(const tagMorseCode* table, int count, int threshold, const std::string& samples) {
    Recorder rec;
    CMorseParser parser(table, count, threshold, &rec);
    rec.expectedSender = &parser;
    for (rec.index = 0; rec.index < static_cast<int>(samples.size()); ++rec.index) {
        parser.Parse(samples[rec.index] == 'd' ? 1 : 0);
    }
    EXPECT_EQ(0, rec.wrongSender);
    return rec.log;
}

TEST(MorseParser, SampleSequences) {
    tagMorseCode full[MORSE_CODE_COUNT];
    FillDefaultMorseTable(full);
    const tagMorseCode aAndGap[] = {{'A', 2, 3, 0}, {'_', 0, 0, 0}};
    const tagMorseCode twoE[] = {{'E', 1, 1, 0}, {'X', 1, 1, 0}};
    const std::string prefix = "dudu" "ddddu" "ddddu";  // ..-- , no character of its own
    const struct { const tagMorseCode* table; int count; int threshold; std::string in; const char* out; } rows[] = {
        {full, 43, 3, "dduuuuu", "E@6"},
        {full, 43, 3, "dduuuu", ""},                       // count 3 is not past 3
        {full, 43, 3, "ddduuuuu", "E@7"},                  // 3 down: still a dot
        {full, 43, 3, "dddduuuuu", "T@8"},                 // 4 down: a dash
        {full, 43, 3, "duudduuuuu", "I@9"},
        {full, 43, 3, "duuuudu" "uuuu", "I@10"},           // space of 3 keeps the character open
        {full, 43, 3, "dudududududuuuuuu", "5@11"},        // sixth dot: no child, idle after
        {full, 43, 3, prefix + "uuuu", ""},                // 4 is not past 4.5
        {full, 43, 3, prefix + "uuuuu", "#@18"},
        {full, 43, 3, prefix + "uuuu" "dudu" "uuuu", "?@25"},
        {full, 43, 3, "uuuuuuuu", ""},                     // idle ignores key up
        {full, 43, 0, "duuduu", "T@2 T@5"},                // threshold 0: all dashes
        {full, 43, 0, "duduu", "M@4"},
        {full, 43, -2, "dduduu", "T@3 T@5"},               // negative: ends at the next down
        {full, 43, 1, "duduuuduuu", "I@5 E@9"},
        {aAndGap, 2, 3, "ddddu", "_@4"},                   // no dash child: the root's record
        {aAndGap, 1, 3, "ddddu", "#@4"},
        {aAndGap, 1, 3, "duuuuu", ""},                     // prefix waits for 1.5 x 3
        {aAndGap, 1, 3, "duuuuuu", "#@6"},
        {twoE, 2, 3, "duuuuu", "X@5"},                      // a later record replaces an earlier one
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].out, Feed(rows[i].table, rows[i].count, rows[i].threshold, rows[i].in))
            << "row " << i << " samples " << rows[i].in;
    }
}

TEST(MorseParser, ParseNeverAllocates) {
    tagMorseCode t[MORSE_CODE_COUNT];
    FillDefaultMorseTable(t);
    Recorder rec;
    CMorseParser parser(t, MORSE_CODE_COUNT, 3, &rec);
    rec.log.reserve(1 << 16);
    const int before = g_nAllocs;
    for (int i = 0; i < 20000; ++i) {
        parser.Parse((i * 7919 % 13) < 5 ? 1 : 0);
    }
    EXPECT_EQ(before, g_nAllocs);
    EXPECT_FALSE(rec.log.empty());
}

// Key state over time from the sender's segments, read every period ms from
// phase on through the sampler's idle limit, as the app's sampler does.
std::string Decode(const std::vector<tagKeySegment>& line, int period, int phase, int idle,
                   int threshold, const tagMorseCode* table) {
    struct Out : IParseEventListener {
        std::string text;
        int OnParse(void*, const tagMorseCode* c) override {
            text += c ? static_cast<char>(c->nChar) : '#';
            return 1;
        }
    } out;
    CMorseParser parser(table, MORSE_CODE_COUNT, threshold, &out);
    CIdleSampler sampler(period, idle);
    int64_t end = 0;
    for (const tagKeySegment& s : line) {
        end += s.ms;
    }
    for (int64_t t = phase; t < end + idle + 2 * period; t += period) {
        int down = 0;
        int64_t at = 0;
        for (const tagKeySegment& s : line) {
            if (t >= at && t < at + s.ms) {
                down = s.down;
            }
            at += s.ms;
        }
        if (sampler.Step(down)) {
            parser.Parse(down);
        }
    }
    return out.text;
}

int CeilDiv(int a, int b) { return (a + b - 1) / b; }

// The settings decode reliably when, for every sampling phase, a dot stays
// within the threshold, a dash exceeds it, the gap inside a character stays
// within it, the gap after a character exceeds it, and the idle limit lets
// that many up samples through.
bool Allows(const tagKeyDurations& d, int period, int idle) {
    const int t = ParserThreshold(d.longhit, period);
    return t >= 1 && CeilDiv(d.shorthit, period) <= t && d.longhit / period >= t + 1 &&
           CeilDiv(d.hitdelay, period) <= t + 1 && (d.hitdelay + d.letterdelay) / period >= t + 2 &&
           CeilDiv(idle, period) - 1 >= t + 2;
}

TEST(MorseParser, EveryRecordRoundTrips) {
    tagMorseCode t[MORSE_CODE_COUNT];
    FillDefaultMorseTable(t);
    const int idle = 750;
    std::string allowed;
    for (int wpm : {5, 16, 40}) {
        for (int period : {10, 27, 50}) {
            tagKeyDurations d{};
            SpeedToDurations(wpm, &d);
            if (!Allows(d, period, idle)) {
                continue;
            }
            allowed += std::to_string(wpm) + "/" + std::to_string(period) + " ";
            const int threshold = ParserThreshold(d.longhit, period);
            std::vector<tagKeySegment> all;
            std::string sent;
            for (int i = 0; i < MORSE_CODE_COUNT; ++i) {
                tagKeySegment seg[MAX_KEY_SEGMENTS];
                const int n = LayoutKeyTimeline(t[i], d, seg, MAX_KEY_SEGMENTS);
                std::vector<tagKeySegment> one(seg, seg + n);
                all.insert(all.end(), one.begin(), one.end());
                const std::string want = i == MORSE_WORD_GAP_INDEX ? "" : std::string(1, static_cast<char>(t[i].nChar));
                sent += want;
                for (int phase = 0; phase < period; phase += 7) {
                    EXPECT_EQ(want, Decode(one, period, phase, idle, threshold, t))
                        << wpm << " WPM, period " << period << ", phase " << phase << ", record " << i;
                }
            }
            for (int phase = 0; phase < period; phase += 3) {
                EXPECT_EQ(sent, Decode(all, period, phase, idle, threshold, t))
                    << wpm << " WPM, period " << period << ", phase " << phase;
            }
        }
    }
    EXPECT_EQ("5/27 5/50 16/10 16/27 40/10 ", allowed);
}

// At 5 WPM sampled every 10 ms, a character needs 75 up samples to end but
// the 750 ms idle limit passes only 74: the first E stays pending, joins
// the next dot, and that I is still pending when the samples stop.
TEST(MorseParser, IdleLimitShorterThanCharacterEnd) {
    tagMorseCode t[MORSE_CODE_COUNT];
    FillDefaultMorseTable(t);
    tagKeyDurations d{};
    SpeedToDurations(5, &d);
    std::vector<tagKeySegment> line{{1, d.shorthit}, {0, 5000}, {1, d.shorthit}, {0, 5000}};
    EXPECT_EQ("", Decode(line, 10, 0, 750, ParserThreshold(d.longhit, 10), t));
    EXPECT_EQ("EE", Decode(line, 10, 0, 760, ParserThreshold(d.longhit, 10), t));
}

}  // namespace
