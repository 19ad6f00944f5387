// The sample-counting sidetone renderer on a simulated clock: tone lengths
// follow the key to the sample whatever the period and however late the
// render thread wakes, fast keying is neither dropped nor split, the tone
// is the player's loop from its first sample, and edges rise and fall over
// the raised cosine. Also the edge arithmetic itself.
#include "audio/sidetonerenderer.h"
#include "audio/toneedge.h"
#include "audio/toneloop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

using Clock = CSidetoneRenderer::Clock;
using us = std::chrono::microseconds;

struct tagRun {
    int64_t nStart, nLength;  // samples
};

// Runs of nonzero output; gaps shorter than the tone's own zero crossings
// (a few samples) do not split a run.
std::vector<tagRun> Runs(const std::vector<int16_t>& s, int64_t bridge = 8) {
    std::vector<tagRun> runs;
    int64_t last = -1000000;
    for (int64_t i = 0; i < static_cast<int64_t>(s.size()); ++i) {
        if (s[static_cast<size_t>(i)] == 0) {
            continue;
        }
        if (!runs.empty() && i - last <= bridge) {
            runs.back().nLength = i - runs.back().nStart + 1;
        } else {
            runs.push_back({i, 1});
        }
        last = i;
    }
    return runs;
}

// Keys the pattern (alternating down and up durations in microseconds,
// starting with a down after 20 ms of silence) against a render thread
// that wakes `late` microseconds after each boundary of `period` samples
// (a repeating pattern) and, as a device does, is given as many samples as
// have been played since its last wake. Returns the output.
std::vector<int16_t> Simulate(CSidetoneRenderer& r, const std::vector<int64_t>& pattern, uint32_t period,
                              const std::vector<int64_t>& late) {
    const Clock::time_point t0{};
    std::vector<Clock::time_point> events;
    int64_t t = 20000;
    for (int64_t d : pattern) {
        events.push_back(t0 + us(t));
        t += d;
    }
    const int64_t periodUs = static_cast<int64_t>(period) * 1000000 / r.GetSampleRate();
    std::vector<int16_t> out;
    std::vector<int16_t> chunk;
    size_t next = 0;
    for (int64_t k = 0; static_cast<int64_t>(k * periodUs) < t + 100000; ++k) {
        const int64_t wakeUs = (k + 1) * periodUs + late[static_cast<size_t>(k) % late.size()];
        const Clock::time_point wake = t0 + us(wakeUs);
        while (next < events.size() && events[next] <= wake) {
            if (next % 2 == 0) {
                r.KeyDown(events[next]);
            } else {
                r.KeyUp(events[next]);
            }
            ++next;
        }
        const int64_t frames = wakeUs * r.GetSampleRate() / 1000000 - static_cast<int64_t>(out.size());
        if (frames <= 0) {
            continue;
        }
        chunk.assign(static_cast<size_t>(frames), 0x5A5A);
        r.Render(chunk.data(), static_cast<uint32_t>(frames), wake);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

TEST(SidetoneRenderer, ToneLengthsFollowTheKey) {
    const std::vector<int64_t> dots40 = {30000, 30000, 30000, 30000, 90000, 30000, 30000, 90000};
    const std::vector<int64_t> held300 = {300000, 200000, 300000, 200000};
    const std::vector<int64_t> uneven = {47123, 11000, 183400, 5000, 61234, 29876};
    struct tagRow {
        const std::vector<int64_t>* pattern;
        uint32_t nPeriod;
        std::vector<int64_t> late;  // microseconds after the period boundary
    };
    const tagRow rows[] = {
        {&held300, 441, {0}},
        {&dots40, 441, {0}},
        {&dots40, 441, {9000, 0, 4000, 7000}},  // the render thread wakes late, unevenly
        {&dots40, 480, {2500}},
        {&uneven, 441, {0, 9500}},
        {&uneven, 128, {1000, 0, 2500}},
        {&held300, 1323, {20000, 5000}},  // 30 ms periods
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CSidetoneRenderer r;
        r.SetTone(1000.0, 0.25, 0.0, TONE_SAMPLE_RATE);
        const std::vector<int64_t>& p = *rows[i].pattern;
        const std::vector<tagRun> runs = Runs(Simulate(r, p, rows[i].nPeriod, rows[i].late));
        ASSERT_EQ(p.size() / 2, runs.size()) << "row " << i << ": tones dropped or split";
        for (size_t k = 0; k < runs.size(); ++k) {
            const int64_t want = p[2 * k] * TONE_SAMPLE_RATE / 1000000;
            // The last samples of a tone may be zero crossings of the sine.
            EXPECT_LE(std::llabs(runs[k].nLength - want), 3)
                << "row " << i << " tone " << k << ": expected " << want << " samples, got " << runs[k].nLength;
            if (k > 0) {
                const int64_t gap = runs[k].nStart - (runs[k - 1].nStart + runs[k - 1].nLength);
                const int64_t wantGap = p[2 * k - 1] * TONE_SAMPLE_RATE / 1000000;
                EXPECT_LE(std::llabs(gap - wantGap), 3) << "row " << i << " gap " << k << ": expected " << wantGap
                                                        << " samples, got " << gap;
            }
        }
    }
}

TEST(SidetoneRenderer, ToneIsThePlayersLoop) {
    struct tagRow {
        double fHz, fVolume;
    } const rows[] = {{1000.0, 0.25}, {800.0, 1.0}, {440.0, 0.5}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CSidetoneRenderer r;
        r.SetTone(rows[i].fHz, rows[i].fVolume, 0.0, TONE_SAMPLE_RATE);
        const int32_t bytes = ToneLoopBytes(ToneLoopBufferMs(rows[i].fHz));
        std::vector<int16_t> loop(static_cast<size_t>(bytes / 2));
        FillToneSamples(loop.data(), bytes, rows[i].fHz, rows[i].fVolume, TONE_SAMPLE_RATE);
        ASSERT_EQ(loop.size(), r.GetLoopSamples()) << "row " << i;
        // Held for one and a half loops from the start of a period.
        const Clock::time_point t0{};
        std::vector<int16_t> out(loop.size() * 3, 0x5A5A);
        r.KeyDown(t0);
        r.Render(out.data(), static_cast<uint32_t>(out.size()), t0 + us(static_cast<int64_t>(out.size()) * 1000000 / TONE_SAMPLE_RATE));
        for (size_t k = 0; k < loop.size() + loop.size() / 2; ++k) {
            ASSERT_EQ(loop[k % loop.size()], out[k]) << "row " << i << " sample " << k;
        }
    }
}

TEST(SidetoneRenderer, RepeatedKeyDownRestartsOnlyAbruptTones) {
    struct tagRow {
        double fEdgeMs;
        bool bRestarts;
    } const rows[] = {{0.0, true}, {5.0, false}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CSidetoneRenderer r;
        r.SetTone(1000.0, 1.0, rows[i].fEdgeMs, TONE_SAMPLE_RATE);
        const Clock::time_point t0{};
        std::vector<int16_t> a(441), b(441);
        r.KeyDown(t0 + us(1));
        r.Render(a.data(), 441, t0 + us(10000));
        r.KeyDown(t0 + us(15000));  // auto-repeat: 661 samples after the first
        r.Render(b.data(), 441, t0 + us(20000));
        const int16_t restarted = ToneSample(1, 1000.0, 1.0, TONE_SAMPLE_RATE);
        const int16_t continued = ToneSample(662, 1000.0, 1.0, TONE_SAMPLE_RATE);
        ASSERT_NE(restarted, continued);
        EXPECT_EQ(rows[i].bRestarts ? restarted : continued, b[221]) << "row " << i;
    }
}

TEST(SidetoneRenderer, EdgesRiseAndFallOverTheRaisedCosine) {
    struct tagRow {
        double fEdgeMs;
        int32_t nEdge;  // samples
    } const rows[] = {{0.0, 0}, {1.0, 44}, {5.0, 221}, {10.0, 441}, {25.0, 441}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CSidetoneRenderer r;
        r.SetTone(1000.0, 1.0, rows[i].fEdgeMs, TONE_SAMPLE_RATE);
        ASSERT_EQ(rows[i].nEdge, r.GetEdgeSamples()) << "row " << i;
        const std::vector<int16_t> out = Simulate(r, {100000, 100000}, 441, {0});
        const int32_t n = rows[i].nEdge;
        // The key goes down at 20 ms (sample 882) and up 100 ms later; the
        // rise starts at the one, the fall at the other, and each sample is
        // the loop's sample times the edge gain.
        const int64_t s0 = 882;
        const int64_t up = s0 + 4410;
        EXPECT_EQ(0, out[static_cast<size_t>(s0 - 1)]) << "row " << i;
        double worst = 0.0;
        for (int64_t k = 0; k < 4410 + n; ++k) {
            const double gain = k < 4410 ? ToneEdgeGain(k, n) : ToneEdgeGain(n - 1 - (k - 4410), n);
            const double want = gain * ToneSample(k % 4410, 1000.0, 1.0, TONE_SAMPLE_RATE);
            worst = std::max(worst, std::fabs(out[static_cast<size_t>(s0 + k)] - want));
        }
        EXPECT_LE(worst, 1.0) << "row " << i << ": tone off the raised cosine by " << worst;
        EXPECT_EQ(0, out[static_cast<size_t>(up + n)]) << "row " << i << ": silence after the fall";
    }
}

TEST(SidetoneRenderer, KeyUpDuringTheRiseFallsFromWhereItIs) {
    CSidetoneRenderer r;
    r.SetTone(1000.0, 1.0, 10.0, TONE_SAMPLE_RATE);
    const std::vector<int16_t> out = Simulate(r, {2000, 50000}, 441, {0});
    const std::vector<tagRun> runs = Runs(out);
    ASSERT_EQ(1u, runs.size());
    // 88 samples up, 88 back down from sample 882: no jump to full level
    // or to silence.
    EXPECT_LE(runs[0].nStart + runs[0].nLength, 882 + 2 * 88);
    EXPECT_GE(runs[0].nLength, 2 * 88 - 8);
    int peak = 0;
    for (int16_t v : out) {
        peak = std::max(peak, std::abs(static_cast<int>(v)));
    }
    EXPECT_LT(peak, static_cast<int>(32767 * ToneEdgeGain(88, 441)) + 2);
}

TEST(ToneEdge, SamplesAndGains) {
    struct tagRow {
        double fMs;
        int32_t nRate, nSamples;
    } const rows[] = {
        {0.0, 44100, 0}, {-3.0, 44100, 0}, {std::nan(""), 44100, 0}, {5.0, 44100, 221},
        {5.0, 8000, 40}, {10.0, 48000, 480}, {11.0, 44100, 441}, {2.5, 8000, 20},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        EXPECT_EQ(rows[i].nSamples, ToneEdgeSamples(rows[i].fMs, rows[i].nRate)) << "row " << i;
    }
    const double pi = 3.14159265358979323846;
    for (int32_t n : {1, 2, 40, 221, 441}) {
        EXPECT_EQ(0.0, ToneEdgeGain(-1, n)) << n;
        EXPECT_EQ(1.0, ToneEdgeGain(n, n)) << n;
        double prev = 0.0;
        for (int32_t i = 0; i <= n; ++i) {
            const double g = ToneEdgeGain(i, n);
            EXPECT_GE(g, prev) << "n " << n << " i " << i;
            EXPECT_LE(g - prev, pi / (2.0 * n) + 1e-12) << "n " << n << " i " << i << ": step too large";
            if (i < n) {
                EXPECT_NEAR(1.0, g + ToneEdgeGain(n - 1 - i, n), 1e-12) << "n " << n << " i " << i << ": not symmetric";
            }
            prev = g;
        }
    }
    EXPECT_EQ(1.0, ToneEdgeGain(0, 0));
}

}  // namespace
