// Tests of the spectrum display at the station's default rectangle
// (256 x 48): layout, column frequencies and ticks, and the pixels of grid,
// ticks, axis labels, bars, peak markers, waveform gain and mode labels.
#include <gtest/gtest.h>

#include "tests/audio/capturetestkit.h"

#include <memory>
#include <string>
#include <vector>

#include "audio/memorycapturesource.h"
#include "audio/spectrumdisplay.h"
#include "audio/vdwavecapture.h"

namespace {

const VdRect kRect{50, 10, 306, 58};

std::unique_ptr<CDrawSurface> BlackSurface() {
    std::unique_ptr<CDrawSurface> s(MakeCaptureTestSurface(256, 48));
    const VdRect all{0, 0, 256, 48};
    s->SetBrushColor(SPECTRUM_BACKGROUND);
    s->FillRect(&all);
    return s;
}

int CountColour(const CDrawSurface& s, VdColor c, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += s.GetPixel(x, y) == c ? 1 : 0;
    return n;
}

// Text is anti-aliased: the on colour (pure green) shows as pixels where
// green clearly dominates, the off colour (grey) never does.
int CountGreenText(const CDrawSurface& s, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const VdColor c = s.GetPixel(x, y);
            const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
            n += (g - (r > b ? r : b)) > 0x60 ? 1 : 0;
        }
    }
    return n;
}

int CountNotBackground(const CDrawSurface& s, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) n += s.GetPixel(x, y) != SPECTRUM_BACKGROUND ? 1 : 0;
    return n;
}

// A silent capture at the default rectangle, analysed once after `right`
// right clicks and `left` left clicks.
struct Station {
    CCaptureTestParent parent;
    CVdWaveCapture capture;
    Station(int right, int left) : capture(&parent, kRect, 44100, 512, nullptr) {
        auto src = std::make_unique<CMemoryCaptureSource>(44100, std::vector<int16_t>(), false,
                                                          CMemoryCaptureSource::CLOCK_MANUAL);
        src->Advance(5000);
        capture.SetCaptureSource(std::move(src));
        capture.StartCapture();
        for (int i = 0; i < right; ++i) capture.OnMouseDown(&capture, 3, 1, 1);
        for (int i = 0; i < left; ++i) capture.OnMouseDown(&capture, 1, 1, 1);
        capture.Analyse();
    }
    const CDrawSurface& s() const { return *capture.GetSurface(); }
};

}  // namespace

TEST(SpectrumLayout, AreasAndDivisions) {
    struct Row { int w, h, plotW, plotH, divisions; VdRect spectrum, bottom, right; };
    const Row rows[] = {
        {256, 48, 238, 37, 4, {1, 1, 239, 38}, {1, 38, 239, 47}, {239, 1, 255, 38}},
        {256, 111, 238, 100, 4, {1, 1, 239, 101}, {1, 101, 239, 110}, {239, 1, 255, 101}},
        {256, 112, 238, 101, 8, {1, 1, 239, 102}, {1, 102, 239, 111}, {239, 1, 255, 102}},
        {10, 5, 0, 0, 4, {1, 1, -7, -5}, {1, -5, -7, 4}, {-7, 1, 9, -5}},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        tagSpectrumLayout l;
        ComputeSpectrumLayout(rows[i].w, rows[i].h, &l);
        EXPECT_EQ(rows[i].plotW, l.nPlotWidth) << "row " << i;
        EXPECT_EQ(rows[i].plotH, l.nPlotHeight) << "row " << i;
        EXPECT_EQ(rows[i].divisions, l.nDivisions) << "row " << i;
        const VdRect* got[] = {&l.spectrumArea, &l.bottomAxisArea, &l.rightAxisArea};
        const VdRect* want[] = {&rows[i].spectrum, &rows[i].bottom, &rows[i].right};
        for (int a = 0; a < 3; ++a) {
            EXPECT_EQ(want[a]->left, got[a]->left) << "row " << i << " area " << a;
            EXPECT_EQ(want[a]->top, got[a]->top) << "row " << i << " area " << a;
            EXPECT_EQ(want[a]->right, got[a]->right) << "row " << i << " area " << a;
            EXPECT_EQ(want[a]->bottom, got[a]->bottom) << "row " << i << " area " << a;
        }
    }
}

TEST(SpectrumLayout, ColumnFrequenciesAndTicksOfTheDefaultPlot) {
    struct Col { int column, hz; };
    const Col cols[] = {{0, 100}, {1, 102}, {2, 104}, {100, 843}, {101, 861}, {237, 15662}};
    for (size_t i = 0; i < sizeof cols / sizeof cols[0]; ++i) {
        EXPECT_EQ(cols[i].hz, ColumnFrequency(cols[i].column, 238)) << "row " << i;
    }
    const VdRect axis{1, 38, 239, 47};
    struct Tick { int x; const char* label; int top, bottom; };
    const Tick want[] = {
        {0, "100Hz", 0, 46}, {32, "2", 39, 45}, {51, "3", 39, 45}, {65, "4", 39, 45}, {75, "5", 39, 45},
        {107, "1K", 39, 46}, {140, "2", 39, 45}, {159, "3", 39, 45}, {172, "4", 39, 45}, {183, "5", 39, 45},
        {215, "10K", 39, 46}, {248, "2", 39, 45},
    };
    tagFrequencyTick got[32];
    const int32_t n = ComputeFrequencyTicks(238, axis, got, 32);
    ASSERT_EQ(12, n);
    for (int32_t i = 0; i < n; ++i) {
        EXPECT_EQ(want[i].x, got[i].x) << "tick " << i;
        EXPECT_STREQ(want[i].label, got[i].szLabel) << "tick " << i;
        EXPECT_EQ(want[i].top, got[i].yTop) << "tick " << i;
        EXPECT_EQ(want[i].bottom, got[i].yBottom) << "tick " << i;
        EXPECT_EQ(want[i].x + 2, got[i].labelRect.left) << "tick " << i;
        EXPECT_EQ(39, got[i].labelRect.top) << "tick " << i;
        EXPECT_EQ(239, got[i].labelRect.right) << "tick " << i;
    }
    EXPECT_EQ(5, ComputeFrequencyTicks(238, axis, got, 5)) << "capacity is respected";
}

TEST(SpectrumLayout, BarHeightsPeakFallAndWaveformMapping) {
    struct Bar { int16_t x; int32_t log, linear; };
    const Bar bars[] = {
        {32767, 37, 37}, {-32767, 37, 37}, {1000, 23, 1}, {-1000, 23, 1}, {16384, 35, 19},
        {3, 0, 0}, {4, 0, 0}, {0, 0, 0}, {100, 14, 0}, {10, 4, 0},
    };
    for (size_t i = 0; i < sizeof bars / sizeof bars[0]; ++i) {
        EXPECT_EQ(bars[i].log, LogBarHeight(bars[i].x, 38)) << "row " << i;
        EXPECT_EQ(bars[i].linear, LinearBarHeight(bars[i].x, 38)) << "row " << i;
    }
    const int32_t falls[][2] = {{0, 0}, {5, 0}, {6, 1}, {8, 2}, {10, 5}, {13, 10}, {20, 40}, {32767, 1000000000}};
    for (size_t i = 0; i < sizeof falls / sizeof falls[0]; ++i) {
        EXPECT_EQ(falls[i][1], PeakFall(falls[i][0])) << "row " << i;
    }
    struct Wave { int16_t s; int gain; int32_t v, y; };
    const Wave waves[] = {
        {1000, 1, 1000, 19}, {1000, 6, 32000, 1}, {1000, 5, 16000, 10}, {2000, 6, 32767, 1},
        {-32768, 1, -32767, 37}, {-1000, 6, -32000, 37}, {-2000, 6, -32767, 37}, {0, 6, 0, 19},
    };
    for (size_t i = 0; i < sizeof waves / sizeof waves[0]; ++i) {
        const int32_t v = WaveformValue(waves[i].s, waves[i].gain);
        EXPECT_EQ(waves[i].v, v) << "row " << i;
        EXPECT_EQ(waves[i].y, WaveformY(v, 1, 38)) << "row " << i;
    }
    EXPECT_EQ(1, WaveformX(0, 512, 238));
    EXPECT_EQ(238, WaveformX(511, 512, 238));
    const char* labels[] = {"W", "W", "W +6dB", "W +12dB", "W +18dB", "W +24dB", "W +30dB"};
    for (int g = 0; g < 7; ++g) {
        char text[16];
        FormatGainLabel(g, text, sizeof text);
        EXPECT_STREQ(labels[g], text) << "gain " << g;
    }
}

TEST(SpectrumLayout, HeldPeakFallsByTheCubeOfItsAge) {
    // A peak of 37 pixels, then bars of height 0.
    int16_t held = 0, age = 0;
    int32_t y = -1;
    EXPECT_EQ(0, StepPeakHold(&held, &age, 37, 38, &y));
    EXPECT_EQ(37, held);
    struct Row { int marker; int32_t y; int16_t ageAfter; };
    std::vector<Row> rows;
    for (int a = 0; a <= 19; ++a) {
        rows.push_back({1, 38 - (37 - PeakFall(a)), static_cast<int16_t>(a + 1)});
    }
    rows.push_back({0, -1, 0});  // 37 - 40 < 0: the peak is taken over by the bar
    for (size_t i = 0; i < rows.size(); ++i) {
        y = -1;
        EXPECT_EQ(rows[i].marker, StepPeakHold(&held, &age, 0, 38, &y)) << "call " << i;
        if (rows[i].marker) {
            EXPECT_EQ(rows[i].y, y) << "call " << i;
        }
        EXPECT_EQ(rows[i].ageAfter, age) << "call " << i;
    }
    EXPECT_EQ(0, held);
    EXPECT_EQ(38 - 32, rows[10].y) << "fallen 5 pixels after 10 calls";
    // Within one pixel of the bottom the marker is no longer drawn.
    held = 1;
    age = 0;
    EXPECT_EQ(0, StepPeakHold(&held, &age, 0, 38, &y));
    EXPECT_EQ(0, age);
}

TEST(SpectrumPixels, BorderIsDrawnOnceAtConstruction) {
    CCaptureTestParent parent;
    CVdWaveCapture c(&parent, kRect, 44100, 512, nullptr);
    const CDrawSurface& s = *c.GetSurface();
    struct Row { int x, y; VdColor c; };
    const Row rows[] = {{0, 0, 0x808080}, {0, 30, 0x808080}, {200, 0, 0x808080}, {255, 0, 0xFFFFFF},
                        {255, 30, 0xFFFFFF}, {0, 47, 0xFFFFFF}, {128, 47, 0xFFFFFF}, {255, 47, 0xFFFFFF}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].c, s.GetPixel(rows[i].x, rows[i].y)) << "row " << i << " ";
    }
}

TEST(SpectrumPixels, GridRowsTicksAndAxisLinesAtTheDefaultRectangle) {
    Station st(0, 6);  // gain 0: no waveform over the grid
    const CDrawSurface& s = st.s();
    for (int y : {10, 19, 28}) {
        EXPECT_GT(CountColour(s, SPECTRUM_GRID, 200, y, 239, y + 1), 5) << "grid row " << y;
        EXPECT_EQ(39, CountColour(s, SPECTRUM_GRID, 200, y, 239, y + 1) +
                          CountColour(s, SPECTRUM_BACKGROUND, 200, y, 239, y + 1)) << "grid row " << y;
    }
    for (int y = 16; y < 38; ++y) {
        if (y == 19 || y == 28) continue;
        EXPECT_EQ(0, CountNotBackground(s, 1, y, 239, y + 1)) << "row " << y << " should be background";
    }
    EXPECT_EQ(238, CountColour(s, SPECTRUM_AXIS, 1, 38, 239, 39)) << "bottom axis line";
    EXPECT_EQ(46, CountColour(s, SPECTRUM_AXIS, 0, 0, 1, 46)) << "the 100Hz tick runs up column 0";
    EXPECT_EQ(0x808080u, s.GetPixel(0, 46));
    // (The tick at 248, past the plot, lies under the "-80" label here.)
    const int ticks[] = {0, 32, 51, 65, 75, 107, 140, 159, 172, 183, 215};
    for (size_t i = 0; i < sizeof ticks / sizeof ticks[0]; ++i) {
        EXPECT_EQ(6, CountColour(s, SPECTRUM_AXIS, ticks[i], 39, ticks[i] + 1, 45)) << "tick at x " << ticks[i];
    }
    // Right axis in mode 1: its edge line, and level labels in their colour.
    EXPECT_GT(CountColour(s, SPECTRUM_AXIS, 239, 1, 240, 38), 0);
    EXPECT_GT(CountNotBackground(s, 240, 20, 255, 38), 0) << "-40 ... -80";
}

TEST(SpectrumPixels, SpectrumModesSetRightAxisLabelsAndModeLabels) {
    struct Row { int right; int holdOn, logOn, linearOn; bool levels; };
    const Row rows[] = {
        {0, 1, 1, 0, true},   // mode 1
        {1, 0, 1, 0, true},   // mode 2
        {2, 1, 0, 1, true},   // mode 3
        {3, 0, 0, 1, true},   // mode 4
        {4, 0, 0, 0, false},  // mode 0
        {5, 1, 1, 0, true},   // back to mode 1
    };
    std::vector<std::vector<VdColor>> rightAxes;
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        Station st(rows[i].right, 0);
        const CDrawSurface& s = st.s();
        EXPECT_EQ(rows[i].holdOn, CountGreenText(s, 103, 3, 135, 15) > 0) << "row " << i << " ~~~";
        EXPECT_EQ(rows[i].logOn, CountGreenText(s, 135, 3, 167, 15) > 0) << "row " << i << " LOG";
        EXPECT_EQ(rows[i].linearOn, CountGreenText(s, 167, 3, 199, 15) > 0) << "row " << i << " LINEAR";
        EXPECT_GT(CountNotBackground(s, 167, 3, 199, 15), 0) << "row " << i << " LINEAR drawn off or on";
        EXPECT_GT(CountGreenText(s, 3, 3, 35, 15), 0) << "row " << i << " gain label on";
        EXPECT_EQ(rows[i].levels, CountNotBackground(s, 240, 1, 255, 38) > 0) << "row " << i;
        if (!rows[i].levels) {
            EXPECT_EQ(37, CountColour(s, SPECTRUM_AXIS, 239, 1, 240, 38)) << "row " << i << " edge line";
            EXPECT_EQ(6, CountColour(s, SPECTRUM_AXIS, 248, 39, 249, 45)) << "row " << i << " the 2 past the plot";
        }
        std::vector<VdColor> axis;
        for (int y = 1; y < 38; ++y)
            for (int x = 239; x < 255; ++x) axis.push_back(s.GetPixel(x, y));
        rightAxes.push_back(axis);
    }
    EXPECT_EQ(rightAxes[0], rightAxes[1]) << "modes 1 and 2 share the dB labels";
    EXPECT_EQ(rightAxes[2], rightAxes[3]) << "modes 3 and 4 share the % labels";
    EXPECT_NE(rightAxes[0], rightAxes[2]);
    EXPECT_EQ(rightAxes[0], rightAxes[5]);
}

TEST(SpectrumPixels, GainLabelOffAtGainZero) {
    Station off(0, 6);
    EXPECT_EQ(0, CountGreenText(off.s(), 3, 3, 35, 15));
    EXPECT_GT(CountNotBackground(off.s(), 3, 3, 35, 15), 0);
    Station on(0, 7);  // 6 -> 0 -> 1
    EXPECT_GT(CountGreenText(on.s(), 3, 3, 35, 15), 0);
}

TEST(SpectrumPixels, BarsLandInTheirColumns) {
    struct Row {
        int32_t n;
        std::vector<std::pair<int32_t, int16_t>> bins;  // bin, coefficient
        int mode;
        int column;      // the column expected to carry the tallest bar, -1 none
        int32_t top;     // first bar pixel in that column
    };
    const Row rows[] = {
        {512, {{20, 32767}}, 3, 101, 1},              // 860 Hz
        {512, {{0, 32767}}, 4, 1, 1},                 // 0 Hz stands in column 1
        {512, {{29, 16384}}, 4, 119, 19},             // 1247 Hz
        {512, {{511, 32767}}, 4, -1, 0},              // past 15662 Hz: not drawn
        {512, {{20, 1000}}, 1, 101, 15},              // log: 23 pixels
        {2048, {{85, 30000}, {86, 8000}}, 4, 101, 4}, // two bins in one column: tallest shows
        {2048, {{85, 8000}, {86, 30000}}, 4, 101, 4},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        CSpectrumDisplay d(256, 48, r.n);
        while (d.GetSpectrumMode() != r.mode) d.StepSpectrumMode();
        std::vector<int16_t> x(static_cast<size_t>(r.n), 0), f(static_cast<size_t>(r.n));
        for (int32_t k = 0; k < r.n; ++k) f[static_cast<size_t>(k)] = static_cast<int16_t>((22050 / r.n) * k);
        for (auto& b : r.bins) x[static_cast<size_t>(b.first)] = b.second;
        auto s = BlackSurface();
        d.DrawBins(s.get(), x.data(), f.data(), r.n);
        const int drawn = CountColour(*s, SPECTRUM_BAR, 0, 0, 256, 48);
        if (r.column < 0) {
            EXPECT_EQ(0, drawn) << "row " << i;
            continue;
        }
        EXPECT_EQ(38 - r.top, CountColour(*s, SPECTRUM_BAR, r.column, r.top, r.column + 1, 38)) << "row " << i;
        EXPECT_EQ(SPECTRUM_BACKGROUND, s->GetPixel(r.column, r.top - 1)) << "row " << i;
        EXPECT_EQ(38 - r.top, drawn) << "row " << i << ": nothing else";
    }
}

TEST(SpectrumPixels, FewBinsLeaveColumnsEmpty) {
    CSpectrumDisplay d(256, 48, 64);
    std::vector<int16_t> x(64, 32767), f(64);
    for (int k = 0; k < 64; ++k) f[static_cast<size_t>(k)] = static_cast<int16_t>(344 * k);
    auto s = BlackSurface();
    d.DrawBins(s.get(), x.data(), f.data(), 64);
    int columns = 0, gaps = 0;
    for (int col = 1; col < 238; ++col) {
        const bool bar = s->GetPixel(col, 30) == SPECTRUM_BAR;
        columns += bar ? 1 : 0;
        gaps += bar ? 0 : 1;
    }
    EXPECT_EQ(46, columns) << "bins 0 ... 45 lie below 15662 Hz, each in a column of its own";
    EXPECT_GT(gaps, 150);
}

TEST(SpectrumPixels, PeakMarkerFallsAfterTheBarDrops) {
    CSpectrumDisplay d(256, 48, 512);
    std::vector<int16_t> x(512, 0), f(512);
    for (int k = 0; k < 512; ++k) f[static_cast<size_t>(k)] = static_cast<int16_t>(43 * k);
    // Mode 1: log bars with peak hold. One call with a full bar, then silence.
    x[20] = 32767;
    auto first = BlackSurface();
    d.DrawBins(first.get(), x.data(), f.data(), 512);
    EXPECT_EQ(0, CountColour(*first, SPECTRUM_PEAK, 0, 0, 256, 48)) << "a new peak has no marker";
    x[20] = 0;
    for (int call = 0; call <= 19; ++call) {
        auto s = BlackSurface();
        d.DrawBins(s.get(), x.data(), f.data(), 512);
        const int32_t y = 38 - (37 - PeakFall(call));
        EXPECT_EQ(2, CountColour(*s, SPECTRUM_PEAK, 101, y, 102, y + 2)) << "call " << call;
        EXPECT_EQ(2, CountColour(*s, SPECTRUM_PEAK, 0, 0, 256, 48)) << "call " << call;
    }
    auto last = BlackSurface();
    d.DrawBins(last.get(), x.data(), f.data(), 512);
    EXPECT_EQ(0, CountColour(*last, SPECTRUM_PEAK, 0, 0, 256, 48));
    // Mode 2 keeps no peaks.
    d.StepSpectrumMode();
    x[20] = 32767;
    auto logOnly = BlackSurface();
    d.DrawBins(logOnly.get(), x.data(), f.data(), 512);
    EXPECT_EQ(0, d.GetHeldPeaks()[20]);
}

TEST(SpectrumPixels, WaveformRowFollowsTheGain) {
    struct Row { int16_t sample; int gain; int y; };
    const Row rows[] = {{1000, 1, 19}, {1000, 6, 1}, {1000, 5, 10}, {-32768, 1, 37}, {1000, 0, -1}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CSpectrumDisplay d(256, 48, 512);
        while (d.GetGainMode() != rows[i].gain) d.StepGainMode();
        std::vector<int16_t> frame(512, rows[i].sample);
        auto s = BlackSurface();
        d.DrawFrame(s.get(), frame.data(), 512);
        const int wave = CountColour(*s, SPECTRUM_WAVEFORM, 0, 0, 256, 48);
        if (rows[i].y < 0) {
            EXPECT_EQ(0, wave) << "row " << i;
            continue;
        }
        EXPECT_EQ(237, CountColour(*s, SPECTRUM_WAVEFORM, 1, rows[i].y, 238, rows[i].y + 1)) << "row " << i;
        EXPECT_EQ(237, wave) << "row " << i;
    }
}

TEST(SpectrumPixels, PaintCopiesTheWholeControlSurface) {
    Station st(0, 0);
    std::unique_ptr<CDrawSurface> window(MakeCaptureTestSurface(400, 100));
    const VdRect all{0, 0, 400, 100};
    window->SetBrushColor(0xFFFFFF);
    window->FillRect(&all);
    window->SetOrigin(kRect.left, kRect.top);
    EXPECT_EQ(1, st.capture.OnPaint(&st.capture, window.get(), nullptr));
    int differ = 0;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 256; ++x) differ += window->GetPixel(50 + x, 10 + y) != st.s().GetPixel(x, y) ? 1 : 0;
    EXPECT_EQ(0, differ);
    EXPECT_EQ(0xFFFFFFu, window->GetPixel(49, 10));
    EXPECT_EQ(0xFFFFFFu, window->GetPixel(306, 58));
}
