// Pure geometry and scaling of the spectrum display: the areas of the
// control, the logarithmic column frequencies (100 Hz to 16 kHz), the
// frequency ticks, bar heights, the peak-hold fall and the waveform
// mapping. The drawing itself is in scopedisplay.cpp.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ui/vdtypes.h"

constexpr VdColor SPECTRUM_BACKGROUND = 0x000000;
constexpr VdColor SPECTRUM_WAVEFORM = 0x00F000;
constexpr VdColor SPECTRUM_PEAK = 0xF0F0F0;
constexpr VdColor SPECTRUM_BAR = 0x808080;
constexpr VdColor SPECTRUM_AXIS = 0x008000;
constexpr VdColor SPECTRUM_LEVEL_LABEL = 0x008080;
constexpr VdColor SPECTRUM_GRID = 0x004040;
constexpr VdColor SPECTRUM_LABEL_ON = 0x00F000;
constexpr VdColor SPECTRUM_LABEL_OFF = 0x808080;
constexpr VdColor SPECTRUM_BORDER_DARK = 0x808080;
constexpr VdColor SPECTRUM_BORDER_LIGHT = 0xFFFFFF;

constexpr int32_t SPECTRUM_MARGIN = 1;
constexpr int32_t SPECTRUM_BOTTOM_AXIS = 9;
constexpr int32_t SPECTRUM_RIGHT_AXIS = 16;
constexpr int32_t SPECTRUM_DB_RANGE = 80;
constexpr int32_t SPECTRUM_GAIN_MODES = 7;      // 0 hidden, 1 as is, 2..6 +6..+30 dB
constexpr int32_t SPECTRUM_SPECTRUM_MODES = 5;  // see the mode helpers below

struct tagSpectrumLayout {
    int32_t nWidth;
    int32_t nHeight;
    VdRect spectrumArea;
    VdRect bottomAxisArea;
    VdRect rightAxisArea;
    int32_t nPlotWidth;   // W, never below 0
    int32_t nPlotHeight;  // H, never below 0
    int32_t nDivisions;   // 4 up to H = 100, else 8
};

void ComputeSpectrumLayout(int32_t width, int32_t height, tagSpectrumLayout* out);

// Decades above 100 Hz shown: log10(16000) - 2.
double SpectrumDecades();
// Frequency of plot column i: trunc(10^(2 + i x D / W)); 100 when W <= 0.
int16_t ColumnFrequency(int32_t column, int32_t plotWidth);

struct tagFrequencyTick {
    int32_t x;
    int32_t yTop;      // the line runs from yTop to yBottom (end excluded)
    int32_t yBottom;
    VdRect labelRect;
    char szLabel[16];  // "100Hz", "2", ..., "1K", "10K"
};
// Ticks of the bottom axis in drawing order (each decade, then its minor
// ticks 2 ... 5 until one stands at or past the plot's width). Returns
// the count written (at most capacity).
int32_t ComputeFrequencyTicks(int32_t plotWidth, const VdRect& axisArea, tagFrequencyTick* out,
                              int32_t capacity);

// What each spectrum mode shows.
inline bool SpectrumModeHasBars(int mode) { return mode != 0; }
inline bool SpectrumModeIsLog(int mode) { return mode == 1 || mode == 2; }
inline bool SpectrumModeIsLinear(int mode) { return mode == 3 || mode == 4; }
inline bool SpectrumModeHoldsPeaks(int mode) { return mode == 1 || mode == 3; }

// Bar heights in pixels for a coefficient; bottom is the spectrum area's
// bottom coordinate. Log: four decades (80 dB) span the plot.
int32_t LogBarHeight(int16_t coefficient, int32_t bottom);
int32_t LinearBarHeight(int16_t coefficient, int32_t bottom);

// Pixels a held peak has fallen after `age` calls: trunc(0.005 x age^3).
int32_t PeakFall(int32_t age);
// One peak-hold step of a bin with bar height h. Returns 1 and the top y of
// the marker (drawn from y to y + 2) when a marker is to be drawn.
int StepPeakHold(int16_t* held, int16_t* age, int32_t h, int32_t bottom, int32_t* markerY);

// Waveform sample scaled by the gain mode (shifted left by mode - 1 bits)
// and clamped to -32767 ... 32767.
int32_t WaveformValue(int16_t sample, int gainMode);
// Screen point of sample k of n in a plot of width W between top and bottom.
int32_t WaveformX(int32_t k, int32_t n, int32_t plotWidth);
int32_t WaveformY(int32_t value, int32_t top, int32_t bottom);

// "W" or "W +%ddB"; the colour follows from the mode (0 off, else on).
void FormatGainLabel(int gainMode, char* out, size_t size);
