// Tests of the capture control: tone decisions against the threshold and
// the band, reading the ring across its end, frame lengths outside the
// usable range, every failure path of the sound input, the memory source
// and WAV input, mouse steps, and analysis racing with painting.
#include <gtest/gtest.h>

#include "tests/audio/capturetestkit.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <thread>

#include "audio/captureanalysis.h"
#include "audio/memorycapturesource.h"
#include "audio/vdwavecapture.h"
#include "audio/wavinput.h"

namespace {

const VdRect kRect{50, 10, 306, 58};
constexpr int32_t kRate = 44100;

// A capture on a memory source that has recorded `recorded` samples of feed.
struct Rig {
    CCaptureTestParent parent;
    CCwRecorder listener;
    std::unique_ptr<CVdWaveCapture> capture;
    CMemoryCaptureSource* source = nullptr;

    Rig(std::vector<int16_t> feed, bool loop, int64_t recorded, int32_t n = 512, int32_t rate = kRate,
        bool surfaces = false)
        : parent(surfaces) {
        capture = std::make_unique<CVdWaveCapture>(&parent, kRect, rate, n, &listener);
        auto src = std::make_unique<CMemoryCaptureSource>(rate, std::move(feed), loop,
                                                          CMemoryCaptureSource::CLOCK_MANUAL);
        source = src.get();
        source->Advance(recorded);
        capture->SetCaptureSource(std::move(src));
        capture->StartCapture();
    }
};

// Largest |X[k]| over the bins the band tests.
int32_t BandPeak(const CVdWaveCapture& c) {
    int32_t peak = 0;
    for (int32_t k = 0; k < c.GetAnalysisSamples(); ++k) {
        const int16_t f = c.GetBinFrequencies()[k];
        if (f >= c.GetBandStart() && f <= c.GetBandEnd()) {
            peak = std::max(peak, std::abs(int32_t{c.GetSpectrum()[k]}));
        }
    }
    return peak;
}

int16_t RampValue(int64_t i) {
    return static_cast<int16_t>((i * 37) % 65521 - 32760);
}

}  // namespace

TEST(CaptureTone, FiresExactlyWhenTheCoefficientReachesTheThreshold) {
    const double amplitudes[] = {0.02, 0.1, 0.3, 0.5, 0.9, 0.999};
    for (size_t i = 0; i < sizeof amplitudes / sizeof amplitudes[0]; ++i) {
        Rig rig(MakeToneSamples(kRate, 1000.0, amplitudes[i], kRate), true, 20000);
        CVdWaveCapture& c = *rig.capture;
        c.SetBand(850, 1250);
        c.SetThreshold(2.0);  // nothing fires: read the coefficient first
        ASSERT_EQ(1, c.Analyse()) << "row " << i;
        const int32_t peak = BandPeak(c);
        // The tone's coefficient is of the order of its amplitude.
        EXPECT_GE(peak, 0.5 * amplitudes[i] * 32767) << "row " << i;
        EXPECT_LE(peak, 1.1 * amplitudes[i] * 32767) << "row " << i;
        struct Step { double level; int32_t want; };
        const Step steps[] = {
            {peak / 32768.0, 1}, {(peak + 1) / 32768.0, 0}, {(peak - 1) / 32768.0, 1}, {0.3, peak >= 9830 ? 1 : 0},
        };
        for (size_t s = 0; s < sizeof steps / sizeof steps[0]; ++s) {
            c.SetThreshold(steps[s].level);
            ASSERT_EQ(1, c.Analyse()) << "row " << i << " step " << s;
            EXPECT_EQ(peak, BandPeak(c)) << "row " << i << " step " << s << ": same frame";
            EXPECT_EQ(steps[s].want, rig.listener.states.back()) << "row " << i << " step " << s;
        }
        EXPECT_EQ(5u, rig.listener.states.size()) << "row " << i;
    }
}

TEST(CaptureTone, StrongToneOutsideTheBandNeverFires) {
    struct Row { double hz; int32_t start, end; };
    const Row rows[] = {
        {100, 850, 1250}, {400, 850, 1250}, {2500, 850, 1250}, {5000, 850, 1250}, {15000, 850, 1250},
        {1000, 2000, 3000}, {1000, 5000, 20000},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        Rig rig(MakeToneSamples(kRate, rows[i].hz, 0.999, kRate), true, 30000);
        rig.capture->SetBand(rows[i].start, rows[i].end);
        rig.capture->SetThreshold(0.3);
        for (int call = 0; call < 6; ++call) {
            ASSERT_EQ(1, rig.capture->Analyse()) << "row " << i;
            EXPECT_EQ(0, rig.listener.states.back()) << "row " << i << " call " << call;
            rig.source->Advance(331 * (call + 1));
        }
    }
}

TEST(CaptureTone, SilenceFiresOnlyForThresholdsAtOrBelowZero) {
    struct Row { double level; int32_t want; };
    const Row rows[] = {{0.3, 0}, {1.0 / 32768, 0}, {1e-9, 1}, {0.0, 1}, {-0.2, 1}, {1.0, 0}, {1.5, 0}, {100.0, 0}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        Rig rig({}, false, 5000);
        rig.capture->SetThreshold(rows[i].level);
        for (int call = 0; call < 3; ++call) {
            ASSERT_EQ(1, rig.capture->Analyse()) << "row " << i;
            EXPECT_EQ(rows[i].want, rig.listener.states.back()) << "row " << i << " level " << rows[i].level;
            rig.source->Advance(1000);
        }
    }
}

TEST(CaptureRing, WindowJoinsTheEndAndTheStartOfTheRingInOrder) {
    std::vector<int16_t> feed(20 * kRate);
    for (size_t i = 0; i < feed.size(); ++i) feed[i] = RampValue(static_cast<int64_t>(i));
    const int64_t positions[] = {0, 1, 100, 1023, 1024, 1025, 44099, 44100, 44101, 44200, 3 * 44100 + 5,
                                 10 * 44100 + 777};
    for (size_t i = 0; i < sizeof positions / sizeof positions[0]; ++i) {
        const int64_t recorded = positions[i];
        Rig rig(feed, false, recorded);
        ASSERT_EQ(1, rig.capture->Analyse()) << "row " << i;
        const int16_t* w = rig.capture->GetSampleWindow();
        for (int64_t k = 0; k < 1024; ++k) {
            const int64_t at = recorded - 1024 + k;
            const int16_t want = at >= 0 ? RampValue(at) : 0;
            ASSERT_EQ(want, w[k]) << "row " << i << " sample " << k;
        }
        EXPECT_EQ(rig.capture->GetSampleWindow() + rig.capture->GetTrigger(), rig.capture->GetFrame());
    }
}

TEST(CaptureFrameLength, OutOfRangeCountsAreClampedAndReadInsideTheRing) {
    struct Row { int32_t n, rate, want; };
    const Row rows[] = {
        {-7, kRate, 1}, {0, kRate, 1}, {1, kRate, 1}, {2, kRate, 2}, {3, kRate, 3},
        {1000, 2000, 1000},   // 4N bytes fill the whole ring
        {1001, 2000, 1000}, {std::numeric_limits<int32_t>::max(), 2000, 1000},
        {std::numeric_limits<int32_t>::min(), 2000, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        for (int32_t readPos : {0, 2, 2 * r.rate - 2}) {
            CCaptureTestParent parent(false);
            CCwRecorder listener;
            CVdWaveCapture c(&parent, kRect, r.rate, r.n, &listener);
            EXPECT_EQ(r.want, c.GetAnalysisSamples()) << "row " << i;
            tagSourceScript script;
            script.nBufferBytes = 2 * r.rate;
            script.nReadPos = readPos;
            auto src = std::make_unique<CScriptedCaptureSource>(script);
            CScriptedCaptureSource* s = src.get();
            c.SetCaptureSource(std::move(src));
            ASSERT_EQ(1, c.StartCapture());
            ASSERT_EQ(1, c.Analyse()) << "row " << i << " read " << readPos;
            EXPECT_EQ(4 * r.want, s->nLastBytes) << "row " << i;
            EXPECT_GE(s->nLastOffset, 0) << "row " << i;
            EXPECT_LT(s->nLastOffset, 2 * r.rate) << "row " << i;
            EXPECT_EQ(((readPos - 4 * r.want) % (2 * r.rate) + 2 * r.rate) % (2 * r.rate), s->nLastOffset)
                << "row " << i << " read " << readPos;
            EXPECT_EQ(1u, listener.states.size()) << "row " << i;
        }
    }
}

TEST(CaptureFailures, EveryFailingStepEndsThePassWithoutAListenerCall) {
    struct Row {
        const char* what;
        bool start;
        tagSourceScript script;
        int result;
        int locks;
        int unlocks;
        bool axesDrawn;
    };
    auto script = [](auto edit) {
        tagSourceScript s;
        edit(s);
        return s;
    };
    const Row rows[] = {
        {"not started", false, tagSourceScript(), 0, 0, 0, false},
        {"no buffer", true, script([](tagSourceScript& s) { s.nOpen = 0; s.nStart = 0; }), 0, 0, 0, false},
        {"start failed", true, script([](tagSourceScript& s) { s.nStart = 0; s.nCapturing = 0; }), 0, 0, 0, true},
        {"not capturing", true, script([](tagSourceScript& s) { s.nCapturing = 0; }), 0, 0, 0, true},
        {"position fails", true, script([](tagSourceScript& s) { s.nPosition = 0; }), 0, 0, 0, true},
        {"cursor negative", true, script([](tagSourceScript& s) { s.nReadPos = -2; }), 0, 0, 0, true},
        {"cursor at size", true, script([](tagSourceScript& s) { s.nReadPos = 88200; }), 0, 0, 0, true},
        {"cursor past", true, script([](tagSourceScript& s) { s.nReadPos = 1 << 30; }), 0, 0, 0, true},
        {"ring too small", true, script([](tagSourceScript& s) { s.nBufferBytes = 2046; }), 0, 0, 0, true},
        {"no ring", true, script([](tagSourceScript& s) { s.nBufferBytes = 0; }), 0, 0, 0, true},
        {"lock fails", true, script([](tagSourceScript& s) { s.nLock = 0; }), 0, 1, 0, true},
        {"ok", true, tagSourceScript(), 1, 1, 1, true},
        {"ring exactly 4N", true, script([](tagSourceScript& s) { s.nBufferBytes = 2048; s.nReadPos = 6; }), 1, 1, 1, true},
        {"short lock", true, script([](tagSourceScript& s) { s.nBytes1 = 100; s.nBytes2 = 0; }), 1, 1, 1, true},
        {"oversized lock", true, script([](tagSourceScript& s) { s.nBytes1 = 8192; s.nBytes2 = 8192; }), 1, 1, 1, true},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        CCaptureTestParent parent;
        CCwRecorder listener;
        CVdWaveCapture c(&parent, kRect, kRate, 512, &listener);
        auto src = std::make_unique<CScriptedCaptureSource>(r.script);
        CScriptedCaptureSource* s = src.get();
        ASSERT_EQ(1, c.SetCaptureSource(std::move(src)));
        if (r.start) {
            EXPECT_EQ(r.script.nStart, c.StartCapture()) << r.what;
            EXPECT_EQ(0, c.SetCaptureSource(nullptr)) << r.what << ": source fixed once started";
        }
        for (int call = 0; call < 2; ++call) {
            EXPECT_EQ(r.result, c.Analyse()) << r.what << " call " << call;
        }
        EXPECT_EQ(2 * r.locks, s->nLocks) << r.what;
        EXPECT_EQ(2 * r.unlocks, s->nUnlocks) << r.what;
        EXPECT_EQ(static_cast<size_t>(2 * r.result), listener.states.size()) << r.what;
        EXPECT_EQ(2 * r.result, parent.nInvalidations) << r.what;
        EXPECT_EQ(r.axesDrawn, c.GetDisplay().IsAxesDirty() == 0) << r.what;
        if (r.result) {
            EXPECT_EQ(static_cast<void*>(&c), listener.senders.back()) << r.what;
            EXPECT_EQ(kRect.left, parent.lastInvalid.left) << r.what;
            EXPECT_EQ(kRect.bottom, parent.lastInvalid.bottom) << r.what;
            // Whatever the lock claims, the window holds 2N samples: region
            // samples first, zeros after a short lock.
            const int32_t filled = r.script.nBytes1 == 100 ? 50 : 1024;
            for (int32_t k = 0; k < 1024; ++k) {
                ASSERT_EQ(k < filled ? 0x1111 : 0, c.GetSampleWindow()[k]) << r.what << " sample " << k;
            }
        }
    }
}

TEST(CaptureControl, MouseButtonsStepTheModesAndWrap) {
    CCaptureTestParent parent;
    CVdWaveCapture c(&parent, kRect, kRate, 512, nullptr);
    CSpectrumDisplay& d = c.GetDisplay();
    struct Row { int button; int result; int gain; int spectrum; };
    const Row rows[] = {
        {3, 1, 1, 2}, {3, 1, 1, 3}, {3, 1, 1, 4}, {3, 1, 1, 0}, {3, 1, 1, 1},      // five right clicks
        {1, 1, 2, 1}, {1, 1, 3, 1}, {1, 1, 4, 1}, {1, 1, 5, 1}, {1, 1, 6, 1},
        {1, 1, 0, 1}, {1, 1, 1, 1},                                                // 6 -> 0 -> 1
        {2, 0, 1, 1}, {0, 0, 1, 1}, {4, 0, 1, 1},                                   // no other button
    };
    EXPECT_EQ(1, d.GetGainMode());
    EXPECT_EQ(1, d.GetSpectrumMode());
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        d.DrawAxesIfDirty(c.GetSurface());
        EXPECT_EQ(rows[i].result, c.OnMouseDown(&c, rows[i].button, 5, 5)) << "row " << i;
        EXPECT_EQ(rows[i].gain, d.GetGainMode()) << "row " << i;
        EXPECT_EQ(rows[i].spectrum, d.GetSpectrumMode()) << "row " << i;
        EXPECT_EQ(rows[i].button == 3 ? 1 : 0, d.IsAxesDirty()) << "row " << i;
        EXPECT_EQ(0, c.OnMouseUp(&c, rows[i].button, 5, 5)) << "row " << i;
    }
    EXPECT_EQ(0, c.OnClick(&c));
}

TEST(CaptureControl, HitTestIsTheRectangleAndConstructionSizesTheSurface) {
    CCaptureTestParent parent;
    CVdWaveCapture c(&parent, kRect, kRate, 512, nullptr);
    EXPECT_EQ(256, parent.nWidth);
    EXPECT_EQ(48, parent.nHeight);
    ASSERT_NE(nullptr, c.GetSurface());
    struct Row { int x, y, hit; };
    const Row rows[] = {{50, 10, 1}, {305, 57, 1}, {200, 30, 1}, {306, 10, 0}, {49, 10, 0}, {50, 58, 0},
                        {50, 9, 0}, {-50, -10, 0}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].hit, c.HitTest(rows[i].x, rows[i].y)) << "row " << i;
    }
    VdRect r{0, 0, 0, 0};
    c.GetRect(&r);
    EXPECT_EQ(kRect.left, r.left);
    EXPECT_EQ(kRect.top, r.top);
    EXPECT_EQ(kRect.right, r.right);
    EXPECT_EQ(kRect.bottom, r.bottom);
    // Degenerate rectangles make no negative sizes.
    CCaptureTestParent small;
    CVdWaveCapture tiny(&small, VdRect{10, 10, 5, 12}, kRate, 512, nullptr);
    EXPECT_EQ(0, small.nWidth);
    EXPECT_EQ(2, small.nHeight);
    EXPECT_EQ(0, tiny.GetDisplay().GetLayout().nPlotWidth);
}

TEST(CaptureThreshold, DefaultsAndLevels) {
    CVdWaveCapture c(nullptr, kRect, kRate, 512, nullptr);
    EXPECT_EQ(16384, c.GetThreshold());
    EXPECT_EQ(850, c.GetBandStart());
    EXPECT_EQ(1250, c.GetBandEnd());
    EXPECT_EQ(0, c.Analyse()) << "no capture before StartCapture";
    c.SetThreshold(0.3);
    EXPECT_EQ(9830, c.GetThreshold());
    c.SetThreshold(1.0);
    EXPECT_EQ(32768, c.GetThreshold());
    c.SetBand(1250, 850);
    EXPECT_EQ(1250, c.GetBandStart());
    EXPECT_EQ(850, c.GetBandEnd());
}

TEST(MemorySource, ManualAndSteadyClocks) {
    CMemoryCaptureSource manual(kRate, {5, 6, 7}, true, CMemoryCaptureSource::CLOCK_MANUAL);
    int32_t cap = -1, read = -1;
    EXPECT_EQ(0, manual.GetCurrentPosition(&cap, &read)) << "no cursor before Start";
    EXPECT_EQ(0, manual.IsOpen());
    manual.Start();
    struct Row { int64_t advance; int32_t pos; };
    const Row rows[] = {{0, 0}, {1, 2}, {44098, 88198}, {1, 0}, {1, 2}, {-5, 2}, {10 * 44100 + 3, 8}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        manual.Advance(rows[i].advance);
        ASSERT_EQ(1, manual.GetCurrentPosition(&cap, &read)) << "row " << i;
        EXPECT_EQ(rows[i].pos, read) << "row " << i;
        EXPECT_EQ(read, cap) << "row " << i;
    }
    // The looping feed continues across skipped seconds: sample index
    // 11 x 44100 + 4 - 1 holds feed[(index) % 3].
    tagCaptureLock lk{};
    ASSERT_EQ(1, manual.Lock(6, 2, &lk));
    int16_t v = 0;
    std::memcpy(&v, lk.pData1, 2);
    EXPECT_EQ(int16_t{5} + static_cast<int16_t>((11 * 44100 + 3) % 3), v);
    manual.Unlock(lk);
    EXPECT_EQ(0, manual.Lock(1, 2, &lk)) << "odd offset";
    EXPECT_EQ(0, manual.Lock(0, 88202, &lk)) << "more than the ring";
    EXPECT_EQ(0, manual.Lock(88200, 2, &lk)) << "offset past the ring";

    CMemoryCaptureSource steady(kRate, {}, false, CMemoryCaptureSource::CLOCK_STEADY);
    EXPECT_EQ(0, steady.GetRecordedSamples()) << "the clock runs from Start";
    steady.Start();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_GT(steady.GetRecordedSamples(), 0);
}

TEST(WavInput, ReadsPcm16AndRefusesOtherFiles) {
    auto le16 = [](std::string& s, uint32_t v) { s.push_back(char(v & 0xFF)); s.push_back(char((v >> 8) & 0xFF)); };
    auto le32 = [&](std::string& s, uint32_t v) { le16(s, v & 0xFFFF); le16(s, v >> 16); };
    auto wav = [&](uint16_t tag, uint16_t channels, uint16_t bits, uint32_t dataSize, const std::vector<int16_t>& d,
                   bool extraChunk) {
        std::string s = "RIFF";
        le32(s, 0);
        s += "WAVE";
        if (extraChunk) {
            s += "LIST";
            le32(s, 3);
            s += "abc";
            s.push_back(0);  // odd chunks are padded
        }
        s += "fmt ";
        le32(s, 16);
        le16(s, tag);
        le16(s, channels);
        le32(s, 22050);
        le32(s, 22050u * channels * bits / 8);
        le16(s, static_cast<uint16_t>(channels * bits / 8));
        le16(s, bits);
        s += "data";
        le32(s, dataSize);
        for (int16_t v : d) le16(s, static_cast<uint16_t>(v));
        return s;
    };
    const std::vector<int16_t> mono = {1, -2, 300, -32768, 32767};
    const std::vector<int16_t> stereo = {1, 9, -2, 9, 300, 9};
    struct Row { std::string bytes; int ok; std::vector<int16_t> want; };
    const Row rows[] = {
        {wav(1, 1, 16, 10, mono, false), 1, mono},
        {wav(1, 1, 16, 10, mono, true), 1, mono},
        {wav(1, 2, 16, 12, stereo, false), 1, {1, -2, 300}},
        {wav(1, 1, 16, 0xFFFFFFFFu, mono, false), 1, mono},   // streamed size: what is there
        {wav(1, 1, 16, 7, mono, false), 1, {1, -2, 300}},      // whole samples only
        {wav(1, 1, 8, 10, mono, false), 0, {}},
        {wav(3, 1, 16, 10, mono, false), 0, {}},
        {"RIFX", 0, {}},
        {"", 0, {}},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::string path = "input" + std::to_string(i) + ".wav";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(nullptr, f);
        std::fwrite(rows[i].bytes.data(), 1, rows[i].bytes.size(), f);
        std::fclose(f);
        std::vector<int16_t> got = {42};
        int32_t rate = -1;
        EXPECT_EQ(rows[i].ok, LoadWavSamples(path.c_str(), &got, &rate)) << "row " << i;
        if (rows[i].ok) {
            EXPECT_EQ(rows[i].want, got) << "row " << i;
            EXPECT_EQ(22050, rate) << "row " << i;
        }
    }
    std::vector<int16_t> got;
    int32_t rate = 0;
    EXPECT_EQ(0, LoadWavSamples("no-such-file.wav", &got, &rate));
}

#ifndef _WIN32
TEST(WavInput, SoxToneIsDetectedInItsBandOnly) {
    if (std::system("sox --version >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "sox is not installed";
    }
    struct Row { int hz; int fires; };
    const Row rows[] = {{1000, 1}, {1100, 1}, {600, 0}, {3000, 0}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const std::string path = "sox" + std::to_string(rows[i].hz) + ".wav";
        const std::string cmd = "sox -n -r 44100 -c 1 -b 16 " + path + " synth 0.5 sine " +
                                std::to_string(rows[i].hz) + " vol 0.6 2>/dev/null";
        ASSERT_EQ(0, std::system(cmd.c_str())) << "row " << i;
        std::vector<int16_t> samples;
        int32_t rate = 0;
        ASSERT_EQ(1, LoadWavSamples(path.c_str(), &samples, &rate)) << "row " << i;
        ASSERT_EQ(kRate, rate);
        Rig rig(samples, false, 15000);
        rig.capture->SetThreshold(0.3);
        for (int call = 0; call < 4; ++call) {
            ASSERT_EQ(1, rig.capture->Analyse());
            EXPECT_EQ(rows[i].fires, rig.listener.states.back()) << "row " << i << " call " << call;
            rig.source->Advance(2000);
        }
    }
}
#endif

TEST(CaptureThreads, AnalysisDrawsWhileTheWindowThreadPaintsAndClicks) {
    CCaptureTestParent parent;
    CCwRecorder listener;
    CVdWaveCapture c(&parent, kRect, kRate, 256, &listener);
    auto src = std::make_unique<CMemoryCaptureSource>(kRate, MakeToneSamples(kRate, 1000, 0.5, kRate), true,
                                                      CMemoryCaptureSource::CLOCK_STEADY);
    CMemoryCaptureSource* s = src.get();
    c.SetCaptureSource(std::move(src));
    ASSERT_EQ(1, c.StartCapture());
    std::unique_ptr<CDrawSurface> window(MakeCaptureTestSurface(400, 100));
    std::atomic<int> analysed{0};
    std::thread receiver([&] {
        for (int i = 0; i < 150; ++i) {
            analysed += c.Analyse();
            s->Advance(97);
        }
    });
    for (int i = 0; i < 150; ++i) {
        c.OnPaint(&c, window.get(), nullptr);
        c.OnMouseDown(&c, (i % 3) == 0 ? 3 : 1, 0, 0);
    }
    receiver.join();
    EXPECT_EQ(150, analysed.load());
    EXPECT_EQ(150u, listener.states.size());
}
