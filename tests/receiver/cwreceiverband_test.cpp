// The adaptive receiver at its default band (200-3000 Hz): it must find the
// keyed tone wherever it lies, read an over from its first character on
// clean input (exact digital zeros, a DC offset), keep to the wanted
// signal beside a steady carrier or a weaker station 150 Hz and more away,
// follow a tone drifting a few hertz per second, and mark the tone it
// follows.
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

// Samples (full scale 1) of text keyed exactly at wpm, the tone starting
// at hz and moving by drift Hz per second, with its phase running on.
std::vector<double> Keyed(const std::string& text, double wpm, double hz, double drift, const tagMorseCode* table) {
    const double dot = 1.2 / wpm;
    std::vector<char> on;
    auto emit = [&](double dots, bool key) { on.insert(on.end(), static_cast<size_t>(dots * dot * kRate), key); };
    emit(8, false);
    for (char c : text) {
        if (c == ' ') {
            emit(4, false);
            continue;
        }
        ForEachMorseElement(*FindCode(table, static_cast<signed char>(c)), [&](bool isDot) {
            emit(isDot ? 1 : 3, true);
            emit(1, false);
        });
        emit(2, false);
    }
    emit(40, false);
    std::vector<double> x(on.size());
    double phase = 0.0;
    for (size_t i = 0; i < x.size(); ++i) {
        phase += 2.0 * kPi * (hz + drift * static_cast<double>(i) / kRate) / kRate;
        x[i] = on[i] ? std::sin(phase) : 0.0;
    }
    return x;
}

struct tagBandRow {
    const char* what;
    double wpm, hz, drift;   // the wanted signal
    double dc;               // offset, full scale
    double snrDb;            // in 3 kHz; infinite: exact zeros between marks
    double otherHz;          // a second signal this far away (0: none) ...
    double otherDb;          // ... this much stronger (negative: weaker)
    bool otherKeyed;         // keyed (another station) or steady (a carrier)
    size_t allowed;          // character errors
};

class CwReceiverBandTest : public ::testing::Test {
protected:
    void SetUp() override { FillDefaultMorseTable(m_table); }

    // Decodes the row's input as the station does (27 ms chunks, its
    // default band, 200-3000 Hz); *tone: the tone marked at the end.
    std::string Run(const tagBandRow& r, const std::string& text, unsigned seed, double* tone) {
        std::vector<double> x = Keyed(text, r.wpm, r.hz, r.drift, m_table);
        if (r.otherHz != 0) {
            const double a = std::pow(10.0, r.otherDb / 20.0);
            std::vector<double> y;
            if (r.otherKeyed) {
                y = Keyed("QRL? DE K1XYZ TEST TEST PSE QSY", 17, r.hz + r.otherHz, 0.0, m_table);
            } else {
                y.resize(x.size());
                for (size_t i = 0; i < y.size(); ++i) y[i] = std::sin(2.0 * kPi * (r.hz + r.otherHz) * i / kRate);
            }
            for (size_t i = 0; i < x.size(); ++i) x[i] += a * y[i % y.size()];
        }
        std::mt19937 rng(seed);
        // White noise over the whole rate, of the given power in 3 kHz.
        const double sigma = std::isinf(r.snrDb) ? 0.0
                                                 : std::sqrt(0.5 / std::pow(10.0, r.snrDb / 10.0) * (kRate / 2.0) / 3000.0);
        std::normal_distribution<double> noise(0.0, sigma > 0 ? sigma : 1.0);
        double peak = 0.0;
        for (double& v : x) {
            if (sigma > 0) v += noise(rng);
            peak = std::max(peak, std::fabs(v));
        }
        std::vector<int16_t> pcm(x.size());
        const double scale = 0.3 / peak;
        for (size_t i = 0; i < x.size(); ++i) pcm[i] = static_cast<int16_t>(std::lround((x[i] * scale + r.dc) * 32767.0));
        CCwReceiver rx(tagCwReceiverConfig{kRate, 200.0, 3000.0, 0.08}, m_table, false);
        std::string got = FeedInChunks(rx, pcm, kRate, tone);
        while (!got.empty() && got.back() == ' ') got.pop_back();
        return got;
    }
    tagMorseCode m_table[MORSE_CODE_COUNT];
};

TEST_F(CwReceiverBandTest, FindsAndReadsTheToneAnywhereInTheBand) {
    const double inf = INFINITY;
    static const tagBandRow rows[] = {
        {"clean, low", 25, 320, 0, 0, inf, 0, 0, false, 0},
        {"clean, high, fast", 40, 2450, 0, 0, inf, 0, 0, false, 0},
        {"clean, DC offset, slow", 12, 700, 0, -0.2, inf, 0, 0, false, 0},
        {"+30 dB", 30, 1730, 0, 0, 30, 0, 0, false, 0},
        {"carrier 200 Hz above, as strong", 20, 1400, 0, 0, 20, 200, 0, false, 1},
        {"carrier 150 Hz below, 6 dB stronger", 22, 950, 0, 0, 20, -150, 6, false, 1},
        // Nearer in, the low-pass passes the carrier nearly whole: it is taken
        // out once found, and the first word may be lost to it.
        {"carrier 110 Hz above, 4 dB stronger, fast", 40, 1700, 0, 0, 20, 110, 4, false, 3},
        {"carrier 120 Hz below, 6 dB stronger, slow", 15, 1150, 0, 0, 20, -120, 6, false, 3},
        {"station 160 Hz below, 8 dB weaker", 24, 1100, 0, 0, 20, -160, -8, true, 1},
        {"drifting up 4 Hz/s", 20, 900, 4, 0, 20, 0, 0, false, 1},
        {"drifting down 3 Hz/s", 18, 1800, -3, 0, 20, 0, 0, false, 1},
    };
    const std::string text = "CQ DE DL1ABC DL1ABC K RST 599 5NN";
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const tagBandRow& r = rows[i];
        double tone = 0;
        const std::string got = Run(r, text, 700 + static_cast<unsigned>(i), &tone);
        EXPECT_LE(EditDistance(text, got), r.allowed) << r.what << ": decoded '" << got << "'";
        // The tone marked is the wanted one's, where it has drifted to.
        const double seconds = static_cast<double>(Keyed(text, r.wpm, r.hz, 0, m_table).size()) / kRate;
        EXPECT_NEAR(r.hz + r.drift * seconds, tone, 8.0 + 2.0 * std::fabs(r.drift)) << r.what;
    }
}

TEST_F(CwReceiverBandTest, NoiseAloneOverTheWholeBandReadsNothing) {
    std::mt19937 rng(5);
    std::normal_distribution<double> noise(0.0, 0.05 * 32767.0);
    std::vector<int16_t> pcm(static_cast<size_t>(kRate) * 20);
    for (int16_t& v : pcm) v = static_cast<int16_t>(std::lround(noise(rng)));
    CCwReceiver rx(tagCwReceiverConfig{kRate, 200.0, 3000.0, 0.08}, m_table, false);
    const size_t chunk = kRate * 27 / 1000;
    for (size_t at = 0; at < pcm.size(); at += chunk) rx.Feed(pcm.data() + at, std::min(chunk, pcm.size() - at));
    rx.Flush();
    const std::string got = rx.TakeText();
    EXPECT_LE(got.size(), 2u) << "decoded '" << got << "' from noise";
}

}  // namespace
