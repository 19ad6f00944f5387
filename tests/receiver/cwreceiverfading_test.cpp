// The adaptive receiver on a fading signal in noise: the tone's level
// swings by 10 to 15 dB (a slow sine) or through the deep, quick dips of a
// Rayleigh channel within a word, at +3 dB SNR in 3 kHz. Levels held for a
// whole stretch take the marks in a fade for noise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <random>
#include <string>
#include <vector>

#include "morse/morsecode.h"
#include "receiver/cwreceiver.h"
#include "tests/receiver/receiverkit.h"

namespace {

constexpr int32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

enum eFade { FADE_SINE, FADE_RAYLEIGH };

struct tagFading {
    double wpm;
    double toneHz;
    eFade kind;
    double hz;      // pace of the fading
    double depthDb; // sine: from peak to trough
    unsigned seed;
    double snrDb = 3.0;  // at the fading's mean power
};

// Machine-keyed text with 4 ms raised-cosine edges, peak 1, after half a
// second of silence and followed by a second of it.
std::vector<double> Keyed(const std::string& text, double wpm, double toneHz, const tagMorseCode* table) {
    const double dot = 1.2 / wpm;
    std::vector<double> x(kRate / 2, 0.0);
    const size_t ramp = kRate / 250;
    auto emit = [&](double dots, bool on) {
        const size_t n = static_cast<size_t>(dots * dot * kRate);
        for (size_t i = 0; i < n; ++i) {
            const double edge = std::min({1.0, static_cast<double>(i) / ramp, static_cast<double>(n - i) / ramp});
            const double t = static_cast<double>(x.size()) / kRate;
            x.push_back(on ? (0.5 - 0.5 * std::cos(kPi * edge)) * std::sin(2 * kPi * toneHz * t) : 0.0);
        }
    };
    for (size_t k = 0; k < text.size(); ++k) {
        if (text[k] == ' ') continue;
        int left = MorseElementCount(*FindCode(table, static_cast<signed char>(text[k])));
        ForEachMorseElement(*FindCode(table, static_cast<signed char>(text[k])), [&](bool isDot) {
            emit(isDot ? 1.0 : 3.0, true);
            if (--left > 0) emit(1.0, false);
        });
        emit(k + 1 == text.size() || text[k + 1] == ' ' ? 7.0 : 3.0, false);
    }
    x.resize(x.size() + kRate, 0.0);
    return x;
}

// The channel's gain over time, unit mean power. Rayleigh: the magnitude
// of a sum of equal scatterers whose Doppler shifts spread up to hz (the
// sum of many such paths is a complex Gaussian).
std::vector<double> Gain(size_t n, const tagFading& f) {
    std::mt19937 rng(f.seed);
    std::uniform_real_distribution<double> turn(0.0, 2 * kPi);
    std::vector<double> g(n);
    if (f.kind == FADE_SINE) {
        const double phase = turn(rng);
        for (size_t i = 0; i < n; ++i) {
            const double db = -0.5 * f.depthDb * (1.0 + std::sin(2 * kPi * f.hz * static_cast<double>(i) / kRate + phase));
            g[i] = std::pow(10.0, db / 20.0);
        }
    } else {
        constexpr int kPaths = 12;
        double shift[kPaths], start[kPaths];
        for (int p = 0; p < kPaths; ++p) {
            shift[p] = f.hz * std::cos(turn(rng));
            start[p] = turn(rng);
        }
        // Worked out every kStride samples: the gain moves over tenths of
        // a second.
        constexpr size_t kStride = 32;
        double held = 0.0;
        for (size_t i = 0; i < n; ++i) {
            if (i % kStride == 0) {
                std::complex<double> sum = 0.0;
                for (int p = 0; p < kPaths; ++p) {
                    sum += std::polar(1.0, 2 * kPi * shift[p] * static_cast<double>(i) / kRate + start[p]);
                }
                held = std::abs(sum) / std::sqrt(static_cast<double>(kPaths));
            }
            g[i] = held;
        }
    }
    double power = 0.0;
    for (double v : g) power += v * v;
    const double scale = 1.0 / std::sqrt(power / static_cast<double>(n));
    for (double& v : g) v *= scale;
    return g;
}

// The faded tone with white noise of the power that gives snrDb (tone
// power A^2/2 at unit gain over the noise power in 3 kHz), at -12 dBFS.
std::vector<int16_t> Received(const std::vector<double>& x, const std::vector<double>& gain, double snrDb, unsigned seed) {
    std::mt19937 rng(seed);
    const double inBand = 0.5 / std::pow(10.0, snrDb / 10.0);
    std::normal_distribution<double> noise(0.0, std::sqrt(inBand * (kRate / 2.0) / 3000.0));
    std::vector<double> y(x.size());
    double peak = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        y[i] = x[i] * gain[i] + noise(rng);
        peak = std::max(peak, std::fabs(y[i]));
    }
    std::vector<int16_t> pcm(y.size());
    for (size_t i = 0; i < y.size(); ++i) pcm[i] = static_cast<int16_t>(std::lround(y[i] / peak * 0.25 * 32767.0));
    return pcm;
}

std::string Decode(const std::vector<int16_t>& pcm, double toneHz, const tagMorseCode* table) {
    CCwReceiver rx(tagCwReceiverConfig{kRate, toneHz - 200.0, toneHz + 200.0, 0.08}, table);
    const std::string text = FeedInChunks(rx, pcm, kRate);
    // Spaces collapsed and trimmed, as the reference is written.
    std::string out;
    for (char c : text) {
        if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

class CwReceiverFadingTest : public ::testing::Test {
protected:
    void SetUp() override { FillDefaultMorseTable(m_table); }
    tagMorseCode m_table[MORSE_CODE_COUNT];
};

TEST_F(CwReceiverFadingTest, CopiesThroughFadesAtPlusThreeDb) {
    // At +3 dB in 3 kHz a dot stands some 25 dB over the noise in its own
    // bandwidth, and still 10 dB in the troughs of the fades: the text must
    // come through with at most 5 % character errors over the rows, and no
    // row may lose more than a word's worth.
    static const tagFading rows[] = {
        // wpm  tone  kind            Hz    depth seed
        {17, 760, FADE_SINE, 0.22, 12.0, 41},
        {24, 1380, FADE_SINE, 0.45, 15.0, 42},
        {21, 1050, FADE_RAYLEIGH, 0.25, 0.0, 43},
        {16, 610, FADE_RAYLEIGH, 0.4, 0.0, 44},
        // Some +3 dB at the peaks of the fades (-3 dB on average): read at
        // its mean level, a first stretch across several fades is lost.
        {24, 1030, FADE_SINE, 0.34, 12.8, 45, -3.0},
    };
    const std::string text = "QRL? CQ DE OK2VX OK2VX PSE K GM TNX RST 469 469 NAME IVO QTH BRNO";
    size_t errors = 0;
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::vector<double> x = Keyed(text, rows[i].wpm, rows[i].toneHz, m_table);
        const std::string got = Decode(Received(x, Gain(x.size(), rows[i]), rows[i].snrDb, rows[i].seed + 100), rows[i].toneHz, m_table);
        const size_t e = EditDistance(text, got);
        errors += e;
        EXPECT_LE(e, text.size() / 10) << "row " << i << ": " << rows[i].wpm << " WPM, "
                                       << (rows[i].kind == FADE_SINE ? "sine" : "Rayleigh") << " fading at "
                                       << rows[i].hz << " Hz: expected '" << text << "', decoded '" << got << "'";
    }
    EXPECT_LE(errors * 20, text.size() * (sizeof rows / sizeof rows[0]))
        << errors << " character errors in " << sizeof rows / sizeof rows[0] << " rows";
}

}  // namespace
