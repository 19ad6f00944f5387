// Drawing of the spectrum display: border, axes, grid, waveform, bars,
// peak markers and mode labels (see scopedisplay.h).
#include "audio/scopedisplay.h"

#include <cstdio>

#include "ui/drawsurface.h"

namespace {

void OffsetRect(VdRect* r, int dx, int dy) {
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
}

}  // namespace

CSpectrumDisplay::CSpectrumDisplay(int32_t width, int32_t height, int32_t bins)
    : m_layout(), m_font("Arial", 8, 1), m_nGainMode(1), m_nSpectrumMode(1), m_bAxesDirty(1) {
    ComputeSpectrumLayout(width, height, &m_layout);
    m_columnFrequencies.resize(static_cast<size_t>(m_layout.nPlotWidth));
    for (int32_t i = 0; i < m_layout.nPlotWidth; ++i) {
        m_columnFrequencies[static_cast<size_t>(i)] = ColumnFrequency(i, m_layout.nPlotWidth);
    }
    const size_t n = bins > 0 ? static_cast<size_t>(bins) : 0;
    m_heldPeaks.assign(n, 0);
    m_holdAges.assign(n, 0);
}

void CSpectrumDisplay::DrawBorder(CDrawSurface* s) {
    const int w = m_layout.nWidth;
    const int h = m_layout.nHeight;
    s->SetPenColor(SPECTRUM_BORDER_DARK);
    s->DrawLine(0, 0, 0, h);
    s->DrawLine(0, 0, w, 0);
    s->SetPenColor(SPECTRUM_BORDER_LIGHT);
    s->DrawLine(w - 1, 0, w - 1, h);
    s->DrawLine(0, h - 1, w, h - 1);
}

int CSpectrumDisplay::DrawAxesIfDirty(CDrawSurface* s) {
    if (!m_bAxesDirty.exchange(0)) {
        return 0;
    }
    // The mode is read after the mark is cleared, so a click that lands
    // meanwhile leaves the mark set for the next pass.
    DrawAxes(s, m_nSpectrumMode.load());
    return 1;
}

void CSpectrumDisplay::DrawAxes(CDrawSurface* s, int mode) {
    const VdRect& bottom = m_layout.bottomAxisArea;
    s->SetBrushColor(SPECTRUM_BACKGROUND);
    s->FillRect(&bottom);
    s->SetPenColor(SPECTRUM_AXIS);
    s->DrawLine(bottom.left, bottom.top, bottom.right, bottom.top);
    s->SelectFont(&m_font);

    tagFrequencyTick ticks[32];
    const int32_t count = ComputeFrequencyTicks(m_layout.nPlotWidth, bottom, ticks, 32);
    for (int32_t i = 0; i < count; ++i) {
        s->DrawText(&ticks[i].labelRect, ticks[i].szLabel, VD_DT_LEFT);
        s->DrawLine(ticks[i].x, ticks[i].yTop, ticks[i].x, ticks[i].yBottom);
    }

    const VdRect& right = m_layout.rightAxisArea;
    s->SetBrushColor(SPECTRUM_BACKGROUND);
    s->FillRect(&right);
    s->DrawLine(right.left, right.top, right.left, right.bottom);

    s->SetPenColor(SPECTRUM_LEVEL_LABEL);
    const int32_t divisions = m_layout.nDivisions;
    const int32_t plotH = m_layout.nPlotHeight;
    char text[16];
    if (SpectrumModeIsLinear(mode)) {
        VdRect r{right.left, right.top, right.right, 16};
        s->DrawText(&r, "%", VD_DT_CENTER);
        r.top -= 3;
        for (int32_t v = 2; v <= divisions; v += 2) {
            OffsetRect(&r, 0, plotH * 2 / divisions);
            std::snprintf(text, sizeof text, "%d", 100 - v * 100 / divisions);
            s->DrawText(&r, text, VD_DT_CENTER);
        }
    } else if (SpectrumModeIsLog(mode)) {
        VdRect r{right.left, right.top, right.right, right.top + 16};
        s->DrawText(&r, "dB", VD_DT_CENTER);
        for (int32_t l = 1; l <= divisions; ++l) {
            r.top = right.top + l * plotH / divisions - 3;
            r.bottom = r.top + 16;
            std::snprintf(text, sizeof text, "-%d", l * SPECTRUM_DB_RANGE / divisions);
            s->DrawText(&r, text, VD_DT_CENTER);
        }
    }
}

void CSpectrumDisplay::DrawFrame(CDrawSurface* s, const int16_t* frame, int32_t n) {
    const VdRect& area = m_layout.spectrumArea;
    s->SetPenColor(SPECTRUM_BACKGROUND);
    s->SetBrushColor(SPECTRUM_BACKGROUND);
    s->FillRect(&area);

    s->SetPenColor(SPECTRUM_GRID);
    const int32_t divisions = m_layout.nDivisions;
    for (int32_t i = 1; i < divisions; ++i) {
        const int32_t y = area.top + i * m_layout.nPlotHeight / divisions;
        s->DrawBrokenLine(area.left, y, area.right, y);
    }

    const int gain = m_nGainMode.load();
    if (gain == 0 || n <= 0) {
        return;
    }
    s->SetPenColor(SPECTRUM_WAVEFORM);
    int32_t px = 0;
    int32_t py = 0;
    for (int32_t k = 0; k < n; ++k) {
        const int32_t x = WaveformX(k, n, m_layout.nPlotWidth);
        const int32_t y = WaveformY(WaveformValue(frame[k], gain), area.top, area.bottom);
        if (k > 0) {
            s->DrawLine(px, py, x, y);
        }
        px = x;
        py = y;
    }
}

void CSpectrumDisplay::DrawBins(CDrawSurface* s, const int16_t* spectrum, const int16_t* freq,
                                int32_t n) {
    const int mode = m_nSpectrumMode.load();
    if (!SpectrumModeHasBars(mode)) {
        return;
    }
    const int32_t plotW = m_layout.nPlotWidth;
    const int32_t bottom = m_layout.spectrumArea.bottom;
    const bool log = SpectrumModeIsLog(mode);
    const bool hold = SpectrumModeHoldsPeaks(mode);
    const int32_t bins = n < static_cast<int32_t>(m_heldPeaks.size())
                             ? n
                             : static_cast<int32_t>(m_heldPeaks.size());
    s->SetPenColor(SPECTRUM_BAR);
    int32_t j = 1;
    for (int32_t k = 0; k < bins; ++k) {
        while (j < plotW && m_columnFrequencies[static_cast<size_t>(j)] < freq[k]) {
            ++j;
        }
        if (j >= plotW) {
            continue;
        }
        const int32_t h = log ? LogBarHeight(spectrum[k], bottom) : LinearBarHeight(spectrum[k], bottom);
        s->DrawLine(j, bottom - h, j, bottom);
        int32_t y = 0;
        if (hold && StepPeakHold(&m_heldPeaks[static_cast<size_t>(k)], &m_holdAges[static_cast<size_t>(k)],
                                 h, bottom, &y)) {
            s->SetPenColor(SPECTRUM_PEAK);
            s->DrawLine(j, y, j, y + 2);
            s->SetPenColor(SPECTRUM_BAR);
        }
    }
}

void CSpectrumDisplay::DrawLabels(CDrawSurface* s) {
    const int gain = m_nGainMode.load();
    const int mode = m_nSpectrumMode.load();
    char text[16];
    VdRect r{3, 3, 35, 15};
    s->SelectFont(&m_font);
    FormatGainLabel(gain, text, sizeof text);
    s->SetPenColor(gain != 0 ? SPECTRUM_LABEL_ON : SPECTRUM_LABEL_OFF);
    s->DrawText(&r, text, VD_DT_LEFT);
    OffsetRect(&r, 100, 0);
    s->SetPenColor(SpectrumModeHoldsPeaks(mode) ? SPECTRUM_LABEL_ON : SPECTRUM_LABEL_OFF);
    s->DrawText(&r, "~~~", VD_DT_LEFT);
    OffsetRect(&r, 32, 0);
    s->SetPenColor(SpectrumModeIsLog(mode) ? SPECTRUM_LABEL_ON : SPECTRUM_LABEL_OFF);
    s->DrawText(&r, "LOG", VD_DT_LEFT);
    OffsetRect(&r, 32, 0);
    s->SetPenColor(SpectrumModeIsLinear(mode) ? SPECTRUM_LABEL_ON : SPECTRUM_LABEL_OFF);
    s->DrawText(&r, "LINEAR", VD_DT_LEFT);
}

void CSpectrumDisplay::StepGainMode() {
    const int next = (m_nGainMode.load() + 1) % SPECTRUM_GAIN_MODES;
    m_nGainMode.store(static_cast<int16_t>(next));
}

void CSpectrumDisplay::StepSpectrumMode() {
    const int next = (m_nSpectrumMode.load() + 1) % SPECTRUM_SPECTRUM_MODES;
    m_nSpectrumMode.store(static_cast<int16_t>(next));
    m_bAxesDirty.store(1);
}
