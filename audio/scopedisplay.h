// CSpectrumDisplay: the drawing half of the capture control. It keeps the
// display modes (waveform gain, spectrum mode), the column frequencies and
// the held peaks, and draws axes, grid, waveform, bars, peak markers and
// mode labels into the control's surface in control coordinates. The modes
// are changed by mouse clicks on the window thread and read by the
// analysing thread, so they are atomics.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "audio/scopelayout.h"
#include "ui/fontdesc.h"

class CDrawSurface;

class CSpectrumDisplay {
public:
    // width, height: the control's size; bins: N of the analysis.
    CSpectrumDisplay(int32_t width, int32_t height, int32_t bins);
    CSpectrumDisplay(const CSpectrumDisplay&) = delete;
    CSpectrumDisplay& operator=(const CSpectrumDisplay&) = delete;

    // The raised border, drawn once when the surface is made.
    void DrawBorder(CDrawSurface* s);
    // Axes and right-axis labels, only when marked dirty (clears the mark
    // first). Returns 1 when drawn.
    int DrawAxesIfDirty(CDrawSurface* s);
    void DrawAxes(CDrawSurface* s, int spectrumMode);
    // Background, grid and the waveform of frame[0 ... n - 1].
    void DrawFrame(CDrawSurface* s, const int16_t* frame, int32_t n);
    // Bars and peak markers of spectrum[0 ... n - 1] at frequencies freq.
    void DrawBins(CDrawSurface* s, const int16_t* spectrum, const int16_t* freq, int32_t n);
    // Gain label, then "~~~", "LOG" and "LINEAR" on or off.
    void DrawLabels(CDrawSurface* s);

    // Mouse steps: gain 0 ... 6, spectrum 0 ... 4, both wrapping. The
    // spectrum step marks the axes dirty.
    void StepGainMode();
    void StepSpectrumMode();
    int GetGainMode() const { return m_nGainMode.load(); }
    int GetSpectrumMode() const { return m_nSpectrumMode.load(); }
    int IsAxesDirty() const { return m_bAxesDirty.load(); }

    const tagSpectrumLayout& GetLayout() const { return m_layout; }
    const int16_t* GetColumnFrequencies() const { return m_columnFrequencies.data(); }
    const int16_t* GetHeldPeaks() const { return m_heldPeaks.data(); }
    const int16_t* GetHoldAges() const { return m_holdAges.data(); }
    CFontDesc* GetFont() { return &m_font; }

private:
    tagSpectrumLayout m_layout;
    CFontDesc m_font;
    std::atomic<int16_t> m_nGainMode;
    std::atomic<int16_t> m_nSpectrumMode;
    std::atomic<int32_t> m_bAxesDirty;
    std::vector<int16_t> m_columnFrequencies;
    std::vector<int16_t> m_heldPeaks;
    std::vector<int16_t> m_holdAges;
};
