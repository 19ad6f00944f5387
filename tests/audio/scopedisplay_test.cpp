// The spectrum display at the station's default rectangle (256 x 48): column
// frequencies and ticks, and the pixels of grid, ticks, axis labels, bars,
// peak markers, waveform gain and mode labels.
#include <gtest/gtest.h>

#include "tests/audio/capturetestkit.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "audio/memorycapturesource.h"
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

// Pixels of colour c in [x0, x1) x [y0, y1); c = ~0u counts non-background.
// Text is anti-aliased: TEXT_ON counts pixels where green clearly
// dominates, which the on colour gives and the grey off colour never does.
constexpr VdColor NOT_BG = ~0u, TEXT_ON = ~1u;
int Count(const CDrawSurface& s, VdColor c, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            const VdColor p = s.GetPixel(x, y);
            const int r = p & 0xFF, g = (p >> 8) & 0xFF, b = (p >> 16) & 0xFF;
            n += c == NOT_BG ? p != SPECTRUM_BACKGROUND : c == TEXT_ON ? g - std::max(r, b) > 0x60 : p == c;
        }
    }
    return n;
}

std::vector<VdColor> Snapshot(const CDrawSurface& s, int x0, int y0, int x1, int y1) {
    std::vector<VdColor> out;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) out.push_back(s.GetPixel(x, y));
    return out;
}

// A silent capture at the default rectangle, analysed once after the clicks.
struct Station {
    CCaptureTestParent parent;
    CVdWaveCapture capture{&parent, kRect, 44100, 512, nullptr};
    Station(int right, int left) {
        auto src = std::make_unique<CMemoryCaptureSource>(44100, std::vector<int16_t>(), false,
                                                          CMemoryCaptureSource::CLOCK_MANUAL);
        src->Advance(5000);
        capture.SetCaptureSource(std::move(src));
        capture.StartCapture();
        for (int i = 0; i < right + left; ++i) capture.OnMouseDown(&capture, i < right ? 3 : 1, 1, 1);
        capture.Analyse();
    }
    const CDrawSurface& s() const { return *capture.GetSurface(); }
};

}  // namespace

TEST(SpectrumLayout, ColumnFrequenciesAndTicksOfTheDefaultPlot) {
    CSpectrumDisplay d(256, 48, 512);
    EXPECT_EQ(238, d.GetLayout().nPlotWidth);
    EXPECT_EQ(37, d.GetLayout().nPlotHeight);
    EXPECT_EQ(4, d.GetLayout().nDivisions);
    const int cols[][2] = {{0, 100}, {1, 102}, {100, 843}, {101, 861}, {237, 15662}};
    for (auto& c : cols) EXPECT_EQ(c[1], d.GetColumnFrequencies()[c[0]]) << "column " << c[0];
    struct Tick { int x; const char* label; int top, bottom; };
    const Tick want[] = {{0, "100Hz", 0, 46}, {32, "2", 39, 45},  {51, "3", 39, 45},  {65, "4", 39, 45},
                         {75, "5", 39, 45},   {107, "1K", 39, 46}, {140, "2", 39, 45}, {159, "3", 39, 45},
                         {172, "4", 39, 45},  {183, "5", 39, 45},  {215, "10K", 39, 46}, {248, "2", 39, 45}};
    tagFrequencyTick got[32];
    ASSERT_EQ(12, ComputeFrequencyTicks(238, d.GetLayout().bottomAxisArea, got, 32));
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(want[i].x, got[i].x) << "tick " << i;
        EXPECT_STREQ(want[i].label, got[i].szLabel) << "tick " << i;
        EXPECT_EQ(want[i].top, got[i].yTop) << "tick " << i;
        EXPECT_EQ(want[i].bottom, got[i].yBottom) << "tick " << i;
        EXPECT_EQ(want[i].x + 2, got[i].labelRect.left) << "tick " << i;
    }
}

TEST(SpectrumPixels, GridTicksAndAxisLines) {
    Station st(0, 6);  // gain 0: no waveform over the grid
    const CDrawSurface& s = st.s();
    for (int y = 16; y < 38; ++y) {
        const int grid = Count(s, SPECTRUM_GRID, 1, y, 239, y + 1);
        EXPECT_EQ(238, grid + Count(s, SPECTRUM_BACKGROUND, 1, y, 239, y + 1)) << "row " << y;
        EXPECT_EQ(y == 19 || y == 28, grid > 50) << "row " << y;
    }
    EXPECT_GT(Count(s, SPECTRUM_GRID, 200, 10, 239, 11), 5) << "grid row 10, right of the labels";
    EXPECT_EQ(238, Count(s, SPECTRUM_AXIS, 1, 38, 239, 39)) << "bottom axis line";
    EXPECT_EQ(46, Count(s, SPECTRUM_AXIS, 0, 0, 1, 46)) << "the 100Hz tick runs up the border column";
    for (int x : {0, 32, 51, 65, 75, 107, 140, 159, 172, 183, 215}) {
        EXPECT_EQ(6, Count(s, SPECTRUM_AXIS, x, 39, x + 1, 45)) << "tick at x " << x;
    }
    EXPECT_EQ(0xFFFFFFu, s.GetPixel(255, 20)) << "border";
}

TEST(SpectrumPixels, SpectrumModesSetAxisLabelsAndModeLabels) {
    const int rows[][5] = {  // right clicks, "~~~", "LOG", "LINEAR", level labels
        {0, 1, 1, 0, 1}, {1, 0, 1, 0, 1}, {2, 1, 0, 1, 1}, {3, 0, 0, 1, 1}, {4, 0, 0, 0, 0}, {5, 1, 1, 0, 1}};
    std::vector<std::vector<VdColor>> axes;
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        Station st(rows[i][0], 0);
        const CDrawSurface& s = st.s();
        EXPECT_EQ(rows[i][1], Count(s, TEXT_ON, 103, 3, 135, 15) > 0) << "row " << i << " ~~~";
        EXPECT_EQ(rows[i][2], Count(s, TEXT_ON, 135, 3, 167, 15) > 0) << "row " << i << " LOG";
        EXPECT_EQ(rows[i][3], Count(s, TEXT_ON, 167, 3, 199, 15) > 0) << "row " << i << " LINEAR";
        EXPECT_GT(Count(s, NOT_BG, 167, 3, 199, 15), 0) << "row " << i << " LINEAR is drawn on or off";
        EXPECT_EQ(rows[i][4], Count(s, NOT_BG, 240, 1, 255, 38) > 0) << "row " << i << " level labels";
        if (!rows[i][4]) {
            EXPECT_EQ(37, Count(s, SPECTRUM_AXIS, 239, 1, 240, 38)) << "right axis line";
            EXPECT_EQ(6, Count(s, SPECTRUM_AXIS, 248, 39, 249, 45)) << "the tick past the plot, under -80 otherwise";
        }
        axes.push_back(Snapshot(s, 239, 1, 255, 38));
    }
    EXPECT_TRUE(axes[0] == axes[1] && axes[2] == axes[3] && axes[0] != axes[2]) << "dB in modes 1, 2; % in 3, 4";
    EXPECT_EQ(0, Count(Station(0, 6).s(), TEXT_ON, 3, 3, 35, 15)) << "gain 0: W off";
    EXPECT_GT(Count(Station(0, 7).s(), TEXT_ON, 3, 3, 35, 15), 0) << "gain 1 again: W on";
}

TEST(SpectrumPixels, BarsLandInTheirColumnsAndTheTallestShows) {
    struct Row { int32_t n; int bin1; int16_t x1; int bin2; int16_t x2; int mode, column, top; };
    const Row rows[] = {
        {512, 20, 32767, 0, 0, 3, 101, 1},      // 860 Hz in column 101, linear
        {512, 0, 32767, 0, 32767, 4, 1, 1},     // 0 Hz in column 1
        {512, 29, 16384, 0, 0, 4, 119, 19},     // 1247 Hz, half scale
        {512, 511, 32767, 0, 0, 4, -1, 0},      // past 15662 Hz: nothing
        {512, 20, 1000, 0, 0, 1, 101, 15},      // log: 23 pixels
        {512, 20, 32767, 0, 0, 0, -1, 0},       // mode 0: no bars
        {2048, 85, 30000, 86, 8000, 4, 101, 4}, // two bins in one column
        {2048, 85, 8000, 86, 30000, 4, 101, 4},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& r = rows[i];
        CSpectrumDisplay d(256, 48, r.n);
        while (d.GetSpectrumMode() != r.mode) d.StepSpectrumMode();
        std::vector<int16_t> x(r.n, 0), f(r.n);
        for (int32_t k = 0; k < r.n; ++k) f[k] = static_cast<int16_t>((22050 / r.n) * k);
        x[r.bin1] = r.x1;
        if (r.x2) x[r.bin2] = r.x2;
        auto s = BlackSurface();
        d.DrawBins(s.get(), x.data(), f.data(), r.n);
        const int drawn = Count(*s, SPECTRUM_BAR, 0, 0, 256, 48);
        EXPECT_EQ(r.column < 0 ? 0 : 38 - r.top, drawn) << "row " << i;
        if (r.column >= 0) {
            EXPECT_EQ(38 - r.top, Count(*s, SPECTRUM_BAR, r.column, r.top, r.column + 1, 38)) << "row " << i;
        }
    }
}

TEST(SpectrumPixels, HeldPeakFallsByTheCubeOfItsAge) {
    CSpectrumDisplay d(256, 48, 512);  // mode 1: log bars, peak hold
    std::vector<int16_t> x(512, 0), f(512);
    for (int k = 0; k < 512; ++k) f[k] = static_cast<int16_t>(43 * k);
    x[20] = 32767;  // a 37-pixel bar once, then silence
    for (int call = -1; call <= 20; ++call) {
        auto s = BlackSurface();
        d.DrawBins(s.get(), x.data(), f.data(), 512);
        x[20] = 0;
        const int32_t fall = PeakFall(call), y = 38 - (37 - fall);
        const bool marker = call >= 0 && 37 - fall > 1;
        EXPECT_EQ(marker ? 2 : 0, Count(*s, SPECTRUM_PEAK, 0, 0, 256, 48)) << "call " << call;
        if (marker) {
            EXPECT_EQ(2, Count(*s, SPECTRUM_PEAK, 101, y, 102, y + 2)) << "call " << call;
        }
    }
    EXPECT_EQ(5, PeakFall(10)) << "5 pixels after 10 calls";
    EXPECT_EQ(0, d.GetHeldPeaks()[20]) << "the bar took the peak back";
}

TEST(SpectrumPixels, WaveformRowFollowsTheGain) {
    const int rows[][3] = {{1000, 1, 19}, {1000, 6, 1}, {1000, 5, 10}, {2000, 6, 1}, {-32768, 1, 37}, {1000, 0, -1}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CSpectrumDisplay d(256, 48, 512);
        while (d.GetGainMode() != rows[i][1]) d.StepGainMode();
        std::vector<int16_t> frame(512, static_cast<int16_t>(rows[i][0]));
        auto s = BlackSurface();
        d.DrawFrame(s.get(), frame.data(), 512);
        const int y = rows[i][2];
        EXPECT_EQ(y < 0 ? 0 : 237, Count(*s, SPECTRUM_WAVEFORM, 0, 0, 256, 48)) << "row " << i;
        if (y >= 0) {
            EXPECT_EQ(237, Count(*s, SPECTRUM_WAVEFORM, 1, y, 238, y + 1)) << "row " << i;
        }
    }
}
