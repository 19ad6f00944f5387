// Geometry and scaling of the spectrum display (see scopelayout.h).
#include "audio/scopelayout.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

void ComputeSpectrumLayout(int32_t width, int32_t height, tagSpectrumLayout* out) {
    const int32_t w = width;
    const int32_t h = height;
    const int32_t m = SPECTRUM_MARGIN;
    out->nWidth = w;
    out->nHeight = h;
    out->spectrumArea = VdRect{m, m, w - SPECTRUM_RIGHT_AXIS - m, h - SPECTRUM_BOTTOM_AXIS - m};
    out->bottomAxisArea = VdRect{m, h - SPECTRUM_BOTTOM_AXIS - m, w - SPECTRUM_RIGHT_AXIS - m, h - m};
    out->rightAxisArea = VdRect{out->spectrumArea.right, out->spectrumArea.top, w - m,
                                h - SPECTRUM_BOTTOM_AXIS - m};
    const int32_t plotW = w - SPECTRUM_RIGHT_AXIS - 2 * m;
    const int32_t plotH = h - SPECTRUM_BOTTOM_AXIS - 2 * m;
    // A control smaller than its axes has no plot; nothing is sized by a
    // negative count.
    out->nPlotWidth = plotW > 0 ? plotW : 0;
    out->nPlotHeight = plotH > 0 ? plotH : 0;
    out->nDivisions = out->nPlotHeight <= 100 ? 4 : 8;
}

double SpectrumDecades() {
    return std::log10(16000.0) - 2.0;
}

int16_t ColumnFrequency(int32_t column, int32_t plotWidth) {
    if (plotWidth <= 0) {
        return 100;
    }
    const double f = std::pow(10.0, 2.0 + column * SpectrumDecades() / plotWidth);
    return static_cast<int16_t>(static_cast<int32_t>(f));
}

static void SetTick(tagFrequencyTick* t, int32_t x, int32_t yTop, int32_t yBottom,
                    const VdRect& area, const char* label) {
    t->x = x;
    t->yTop = yTop;
    t->yBottom = yBottom;
    t->labelRect = VdRect{x + 2, area.top + 1, area.right, area.bottom};
    // Labels are at most "10KHz"; the precision keeps the copy inside the field.
    std::snprintf(t->szLabel, sizeof t->szLabel, "%.7s", label);
}

int32_t ComputeFrequencyTicks(int32_t plotWidth, const VdRect& area, tagFrequencyTick* out,
                              int32_t capacity) {
    const double d = SpectrumDecades();
    const double p = plotWidth / d;
    int32_t count = 0;
    char label[16];
    for (int e = 0; e < d && count < capacity; ++e) {
        const int32_t x = static_cast<int32_t>(e * p);
        const double value = std::pow(10.0, e + 2);
        if (e == 0) {
            std::snprintf(label, sizeof label, "%.0lfHz", value);
        } else {
            std::snprintf(label, sizeof label, "%.0lfK", value / 1000.0);
        }
        SetTick(&out[count++], x, e == 0 ? 0 : area.top + 1, area.bottom - 1, area, label);
        if (e >= 4) {
            continue;
        }
        int32_t previous = x;
        for (int k = 2; k <= 5 && count < capacity; ++k) {
            if (previous >= plotWidth) {
                break;
            }
            const int32_t xk = static_cast<int32_t>((std::log10(static_cast<double>(k)) + e) * p);
            std::snprintf(label, sizeof label, "%d", k);
            SetTick(&out[count++], xk, area.top + 1, area.bottom - 2, area, label);
            previous = xk;
        }
    }
    return count;
}

int32_t LogBarHeight(int16_t coefficient, int32_t bottom) {
    const float l = std::log10(static_cast<float>(std::abs(int32_t{coefficient})));
    if (!(l > 0.51545)) {
        return 0;
    }
    return static_cast<int32_t>((l - 0.51545) * bottom / 4.0);
}

int32_t LinearBarHeight(int16_t coefficient, int32_t bottom) {
    return std::abs(int32_t{coefficient}) * bottom / 32768;
}

int32_t PeakFall(int32_t age) {
    const double fall = 0.005 * age * age * age;
    return fall < 1e9 ? static_cast<int32_t>(fall) : 1000000000;
}

int StepPeakHold(int16_t* held, int16_t* age, int32_t h, int32_t bottom, int32_t* markerY) {
    const int32_t shown = *held - PeakFall(*age);
    if (shown < h) {
        *held = static_cast<int16_t>(h);
        *age = 0;
        return 0;
    }
    if (shown > 1) {
        *markerY = bottom - shown;
        *age = static_cast<int16_t>(*age + 1);
        return 1;
    }
    return 0;
}

int32_t WaveformValue(int16_t sample, int gainMode) {
    const int shift = gainMode > 1 ? gainMode - 1 : 0;
    // Multiplying keeps the shift defined for negative samples.
    const int32_t v = int32_t{sample} * (int32_t{1} << shift);
    if (v > 32767) {
        return 32767;
    }
    return v < -32767 ? -32767 : v;
}

int32_t WaveformX(int32_t k, int32_t n, int32_t plotWidth) {
    if (n <= 0) {
        return 1;
    }
    return static_cast<int32_t>(int64_t{plotWidth} * k / n) + 1;
}

int32_t WaveformY(int32_t value, int32_t top, int32_t bottom) {
    return top + (bottom - top) / 2 - ((bottom - top) * value) / 65536;
}

void FormatGainLabel(int gainMode, char* out, size_t size) {
    if (gainMode <= 1) {
        std::snprintf(out, size, "W");
    } else {
        std::snprintf(out, size, "W +%ddB", (gainMode - 1) * 6);
    }
}
