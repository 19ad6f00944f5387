// The capture control: tone decisions against threshold and band, reading
// the ring across its end, frame lengths outside the usable range, the
// failure paths of the sound input, mouse steps, and analysis racing paint.
#include <gtest/gtest.h>

#include "tests/audio/capturetestkit.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <memory>
#include <thread>

#include "audio/memorycapturesource.h"
#include "audio/vdwavecapture.h"

namespace {

const VdRect kRect{50, 10, 306, 58};

// A started capture whose memory source has recorded `recorded` samples.
struct Rig {
    CCaptureTestParent parent{false};
    CCwRecorder listener;
    std::unique_ptr<CVdWaveCapture> capture;
    CMemoryCaptureSource* source;
    Rig(std::vector<int16_t> feed, int64_t recorded, bool loop = true) {
        capture = std::make_unique<CVdWaveCapture>(&parent, kRect, 44100, 512, &listener);
        auto src = std::make_unique<CMemoryCaptureSource>(44100, std::move(feed), loop, CMemoryCaptureSource::CLOCK_MANUAL);
        source = src.get();
        source->Advance(recorded);
        capture->SetCaptureSource(std::move(src));
        capture->StartCapture();
    }
    int Pass() { return capture->Analyse() ? listener.states.back() : -1; }
};

int32_t BandPeak(const CVdWaveCapture& c) {
    int32_t peak = 0;
    for (int32_t k = 0; k < c.GetAnalysisSamples(); ++k) {
        const int16_t f = c.GetBinFrequencies()[k];
        if (f >= c.GetBandStart() && f <= c.GetBandEnd()) peak = std::max(peak, std::abs(int32_t{c.GetSpectrum()[k]}));
    }
    return peak;
}

}  // namespace

TEST(CaptureTone, FiresExactlyWhenTheCoefficientReachesTheThreshold) {
    for (double amplitude : {0.02, 0.1, 0.3, 0.5, 0.999}) {
        Rig rig(MakeToneSamples(44100, 1000.0, amplitude, 44100), 20000);
        rig.capture->SetThreshold(2.0);
        ASSERT_EQ(0, rig.Pass()) << amplitude;
        const int32_t peak = BandPeak(*rig.capture);
        EXPECT_GE(peak, 0.5 * amplitude * 32767) << amplitude;  // of the order of the amplitude
        EXPECT_LE(peak, 1.1 * amplitude * 32767) << amplitude;
        const double levels[] = {peak / 32768.0, (peak + 1) / 32768.0, 0.3};
        const int want[] = {1, 0, peak >= 9830};
        for (int s = 0; s < 3; ++s) {
            rig.capture->SetThreshold(levels[s]);
            EXPECT_EQ(want[s], rig.Pass()) << "amplitude " << amplitude << " level " << levels[s];
        }
    }
}

TEST(CaptureTone, ToneOutsideTheBandAndSilenceDoNotFire) {
    struct Row { double hz, amplitude, level; int32_t start, end; int want; };
    const Row rows[] = {{100, 0.999, 0.3, 850, 1250, 0},   {400, 0.999, 0.3, 850, 1250, 0},
                        {2500, 0.999, 0.3, 850, 1250, 0},  {15000, 0.999, 0.3, 850, 1250, 0},
                        {1000, 0.999, 0.3, 2000, 3000, 0}, {1000, 0, 1.0 / 32768, 850, 1250, 0},
                        {1000, 0, 1.0, 850, 1250, 0},      {1000, 0, 7.5, 850, 1250, 0},
                        {1000, 0, 0.0, 850, 1250, 1}};  // threshold 0: every bin in the band
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        Rig rig(MakeToneSamples(44100, rows[i].hz, rows[i].amplitude, 44100), 30000);
        rig.capture->SetBand(rows[i].start, rows[i].end);
        rig.capture->SetThreshold(rows[i].level);
        for (int call = 0; call < 5; ++call, rig.source->Advance(331 * call)) {
            EXPECT_EQ(rows[i].want, rig.Pass()) << "row " << i << " call " << call;
        }
    }
}

TEST(CaptureRing, WindowJoinsTheEndAndTheStartOfTheRingInOrder) {
    auto ramp = [](int64_t i) { return static_cast<int16_t>((i * 37) % 65521 - 32760); };
    std::vector<int16_t> feed(12 * 44100);
    for (size_t i = 0; i < feed.size(); ++i) feed[i] = ramp(static_cast<int64_t>(i));
    for (int64_t recorded : {0, 1, 100, 1023, 1024, 44099, 44100, 44101, 44200, 10 * 44100 + 777}) {
        Rig rig(feed, recorded, false);
        ASSERT_EQ(0, rig.Pass());
        for (int64_t k = 0; k < 1024; ++k) {
            const int64_t at = recorded - 1024 + k;
            ASSERT_EQ(at >= 0 ? ramp(at) : 0, rig.capture->GetSampleWindow()[k]) << recorded << " sample " << k;
        }
    }
}

TEST(CaptureFrameLength, OutOfRangeCountsAreClampedAndReadInsideTheRing) {
    const int32_t rows[][3] = {{-7, 44100, 1}, {0, 44100, 1}, {3, 44100, 3}, {1000, 2000, 1000},  // 4N = the ring
                               {1001, 2000, 1000}, {std::numeric_limits<int32_t>::max(), 2000, 1000}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const int32_t rate = rows[i][1], n = rows[i][2];
        for (int32_t readPos : {0, 2, 2 * rate - 2}) {
            CCwRecorder listener;
            CVdWaveCapture c(nullptr, kRect, rate, rows[i][0], &listener);
            EXPECT_EQ(n, c.GetAnalysisSamples()) << "row " << i;
            tagSourceScript script;
            script.nBufferBytes = 2 * rate;
            script.nReadPos = readPos;
            auto src = std::make_unique<CScriptedCaptureSource>(script);
            CScriptedCaptureSource* s = src.get();
            c.SetCaptureSource(std::move(src));
            c.StartCapture();
            ASSERT_EQ(1, c.Analyse()) << "row " << i;
            EXPECT_EQ(4 * n, s->nLastBytes) << "row " << i;
            EXPECT_EQ(((readPos - 4 * n) % (2 * rate) + 2 * rate) % (2 * rate), s->nLastOffset) << "row " << i;
            EXPECT_EQ(1u, listener.states.size()) << "row " << i;
        }
    }
}

TEST(CaptureFailures, EveryFailingStepEndsThePassWithoutAListenerCall) {
    struct Row { const char* what; tagSourceScript s; int result, locks; bool axes; int32_t filled; };
    auto with = [](void (*edit)(tagSourceScript&)) { tagSourceScript s; edit(s); return s; };
    const Row rows[] = {
        {"no buffer", with([](tagSourceScript& s) { s.nOpen = s.nStart = 0; }), 0, 0, false, 0},
        {"not capturing", with([](tagSourceScript& s) { s.nCapturing = s.nStart = 0; }), 0, 0, true, 0},
        {"position fails", with([](tagSourceScript& s) { s.nPosition = 0; }), 0, 0, true, 0},
        {"cursor negative", with([](tagSourceScript& s) { s.nReadPos = -2; }), 0, 0, true, 0},
        {"cursor at the end", with([](tagSourceScript& s) { s.nReadPos = 88200; }), 0, 0, true, 0},
        {"ring below 4N", with([](tagSourceScript& s) { s.nBufferBytes = 2046; }), 0, 0, true, 0},
        {"lock fails", with([](tagSourceScript& s) { s.nLock = 0; }), 0, 1, true, 0},
        {"ok", tagSourceScript(), 1, 1, true, 1024},
        {"short lock", with([](tagSourceScript& s) { s.nBytes1 = 100; s.nBytes2 = 0; }), 1, 1, true, 50},
        {"oversized lock", with([](tagSourceScript& s) { s.nBytes1 = s.nBytes2 = 8192; }), 1, 1, true, 1024},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CCaptureTestParent parent;
        CCwRecorder listener;
        CVdWaveCapture c(&parent, kRect, 44100, 512, &listener);
        EXPECT_EQ(0, c.Analyse()) << rows[i].what << ": before StartCapture";
        auto src = std::make_unique<CScriptedCaptureSource>(rows[i].s);
        CScriptedCaptureSource* s = src.get();
        c.SetCaptureSource(std::move(src));
        EXPECT_EQ(rows[i].s.nStart, c.StartCapture()) << rows[i].what;
        EXPECT_EQ(0, c.SetCaptureSource(nullptr)) << rows[i].what << ": fixed once started";
        EXPECT_EQ(rows[i].result, c.Analyse()) << rows[i].what;
        EXPECT_EQ(rows[i].locks, s->nLocks) << rows[i].what;
        EXPECT_EQ(rows[i].result, s->nUnlocks) << rows[i].what;
        EXPECT_EQ(static_cast<size_t>(rows[i].result), listener.states.size()) << rows[i].what;
        EXPECT_EQ(rows[i].result, parent.nInvalidations) << rows[i].what;
        EXPECT_EQ(rows[i].axes, !c.GetDisplay().IsAxesDirty()) << rows[i].what;
        if (rows[i].result) {
            EXPECT_EQ(static_cast<void*>(&c), listener.senders[0]) << rows[i].what;
        }
        for (int32_t k = 0; rows[i].result && k < 1024; ++k) {
            ASSERT_EQ(k < rows[i].filled ? 0x1111 : 0, c.GetSampleWindow()[k]) << rows[i].what << " sample " << k;
        }
    }
}

TEST(CaptureControl, MouseButtonsStepTheModesAndWrap) {
    CCaptureTestParent parent;
    CVdWaveCapture c(&parent, kRect, 44100, 512, nullptr);
    CSpectrumDisplay& d = c.GetDisplay();
    const int rows[][4] = {  // button, result, gain, spectrum mode
        {3, 1, 1, 2}, {3, 1, 1, 3}, {3, 1, 1, 4}, {3, 1, 1, 0}, {3, 1, 1, 1}, {1, 1, 2, 1}, {1, 1, 3, 1},
        {1, 1, 4, 1}, {1, 1, 5, 1}, {1, 1, 6, 1}, {1, 1, 0, 1}, {1, 1, 1, 1}, {2, 0, 1, 1}, {0, 0, 1, 1}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        d.DrawAxesIfDirty(c.GetSurface());
        EXPECT_EQ(rows[i][1], c.OnMouseDown(&c, rows[i][0], 5, 5)) << "row " << i;
        EXPECT_EQ(rows[i][2], d.GetGainMode()) << "row " << i;
        EXPECT_EQ(rows[i][3], d.GetSpectrumMode()) << "row " << i;
        EXPECT_EQ(rows[i][0] == 3, d.IsAxesDirty() != 0) << "row " << i;
        EXPECT_EQ(0, c.OnMouseUp(&c, rows[i][0], 5, 5)) << "row " << i;
    }
    EXPECT_EQ(1, c.HitTest(305, 57) + c.HitTest(306, 57));
    const int32_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
    CVdWaveCapture huge(nullptr, VdRect{lo, lo, hi, hi}, 44100, 512, nullptr);  // from an unchecked INI
    EXPECT_EQ(4096, huge.GetDisplay().GetLayout().nWidth);
    EXPECT_EQ(4096 - 18, huge.GetDisplay().GetLayout().nPlotWidth);
    EXPECT_EQ(1, huge.HitTest(0, 0));
}

TEST(CaptureThreads, AnalysisDrawsWhileTheWindowThreadPaintsAndClicks) {
    CCaptureTestParent parent;
    CCwRecorder listener;
    CVdWaveCapture c(&parent, kRect, 44100, 256, &listener);
    auto src = std::make_unique<CMemoryCaptureSource>(44100, MakeToneSamples(44100, 1000, 0.5, 44100), true,
                                                      CMemoryCaptureSource::CLOCK_STEADY);
    CMemoryCaptureSource* s = src.get();
    c.SetCaptureSource(std::move(src));
    ASSERT_EQ(1, c.StartCapture());
    std::unique_ptr<CDrawSurface> window(MakeCaptureTestSurface(400, 100));
    std::atomic<int> analysed{0};
    std::thread receiver([&] {
        for (int i = 0; i < 150; ++i, s->Advance(97)) analysed += c.Analyse();
    });
    for (int i = 0; i < 150; ++i) {
        c.OnPaint(&c, window.get(), nullptr);
        c.OnMouseDown(&c, (i % 3) == 0 ? 3 : 1, 0, 0);
    }
    receiver.join();
    EXPECT_EQ(150, analysed.load());
    EXPECT_EQ(150u, listener.states.size());
}
