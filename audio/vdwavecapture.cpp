// The capture control: analysis pass, tone decision and its display (see
// vdwavecapture.h).
#include "audio/vdwavecapture.h"

#include "audio/captureanalysis.h"
#include "ui/drawsurface.h"

namespace {

// Rectangles come from vardo.ini unchecked: a side's extent is taken in 64
// bits and capped, so that the surface and the display's per-column arrays
// stay allocatable (a larger control draws its first 4096 pixels).
constexpr int64_t kMaxDrawExtent = 4096;

int32_t Extent(int32_t from, int32_t to) {
    const int64_t d = int64_t{to} - from;
    return static_cast<int32_t>(d <= 0 ? 0 : d > kMaxDrawExtent ? kMaxDrawExtent : d);
}

}  // namespace

CVdWaveCapture::CVdWaveCapture(IPaintableParent* parent, const VdRect& rect, int32_t samplesPerSecond,
                               int32_t analysisSamples, ICwEventListener* listener)
    : m_pParent(parent),
      m_rect(rect),
      m_pSurface(nullptr),
      m_bStarted(0),
      m_nSamplesPerSecond(samplesPerSecond),
      m_pListener(listener),
      m_nSamples(ClampAnalysisSamples(analysisSamples, samplesPerSecond)),
      m_nTrigger(0),
      m_nThreshold(CAPTURE_DEFAULT_THRESHOLD),
      m_nBandStart(CAPTURE_DEFAULT_BAND_START),
      m_nBandEnd(CAPTURE_DEFAULT_BAND_END),
      m_transform(m_nSamples),
      m_display(Extent(rect.left, rect.right), Extent(rect.top, rect.bottom), m_nSamples) {
    const size_t n = static_cast<size_t>(m_nSamples);
    m_sampleWindow.assign(2 * n, 0);
    m_spectrum.assign(n, 0);
    m_binFrequencies.resize(n);
    for (int32_t k = 0; k < m_nSamples; ++k) {
        m_binFrequencies[static_cast<size_t>(k)] = BinFrequency(m_nSamplesPerSecond, m_nSamples, k);
    }
    if (m_pParent != nullptr) {
        m_pSurface = m_pParent->CreateSurface(Extent(rect.left, rect.right), Extent(rect.top, rect.bottom));
    }
    if (m_pSurface != nullptr) {
        m_display.DrawBorder(m_pSurface);
    }
}

CVdWaveCapture::~CVdWaveCapture() {
    delete m_pSurface;
    // The source (buffer, then device) goes with m_pSource.
}

int CVdWaveCapture::HitTest(int x, int y) {
    return VdPtInRect(m_rect, x, y) ? 1 : 0;
}

void CVdWaveCapture::GetRect(VdRect* out) {
    *out = m_rect;
}

int CVdWaveCapture::SetCaptureSource(std::unique_ptr<ICaptureSource> source) {
    if (m_bStarted.load()) {
        return 0;
    }
    m_pSource = std::move(source);
    return 1;
}

int CVdWaveCapture::StartCapture() {
    if (m_bStarted.load()) {
        return m_pSource && m_pSource->IsCapturing() ? 1 : 0;
    }
    if (!m_pSource) {
        m_pSource = CreateDefaultCaptureSource(m_nSamplesPerSecond);
    }
    if (!m_pSource) {
        return 0;
    }
    const int ok = m_pSource->Start();
    m_bStarted.store(1);
    return ok ? 1 : 0;
}

void CVdWaveCapture::SetThreshold(double level) {
    m_nThreshold.store(ThresholdFromLevel(level));
}

void CVdWaveCapture::SetBand(int startHz, int endHz) {
    m_nBandStart.store(startHz);
    m_nBandEnd.store(endHz);
}

int CVdWaveCapture::Analyse() {
    ICaptureSource* source = m_bStarted.load() ? m_pSource.get() : nullptr;
    if (source == nullptr || !source->IsOpen()) {
        return 0;
    }
    if (m_pSurface != nullptr) {
        std::lock_guard<std::mutex> guard(m_surfaceMutex);
        m_display.DrawAxesIfDirty(m_pSurface);
    }
    if (!source->IsCapturing()) {
        return 0;
    }
    int32_t capturePos = 0;
    int32_t readPos = 0;
    if (!source->GetCurrentPosition(&capturePos, &readPos)) {
        return 0;
    }
    // 2N samples ending at the read cursor; a cursor or span that does not
    // fit the ring is refused rather than read past its end.
    const int32_t n = m_nSamples;
    const int32_t start = RingSpanStart(source->GetBufferBytes(), readPos, 4 * n);
    if (start < 0) {
        return 0;
    }
    tagCaptureLock locked{nullptr, 0, nullptr, 0};
    if (!source->Lock(start, 4 * n, &locked)) {
        return 0;
    }
    CopyLockedSamples(locked, m_sampleWindow.data(), 2 * n);
    source->Unlock(locked);

    m_nTrigger = FindTrigger(m_sampleWindow.data(), n);
    const int16_t* frame = m_sampleWindow.data() + m_nTrigger;
    m_transform.Transform(frame, m_spectrum.data());
    const int32_t state = DetectTone(m_spectrum.data(), m_binFrequencies.data(), n, m_nThreshold.load(),
                                     m_nBandStart.load(), m_nBandEnd.load());

    if (m_pSurface != nullptr) {
        std::lock_guard<std::mutex> guard(m_surfaceMutex);
        m_display.DrawFrame(m_pSurface, frame, n);
        m_display.DrawBins(m_pSurface, m_spectrum.data(), m_binFrequencies.data(), n);
        m_display.DrawLabels(m_pSurface);
        DrawMarker();
    }
    if (m_pParent != nullptr) {
        m_pParent->Invalidate(&m_rect);
    }
    if (m_pListener != nullptr) {
        m_pListener->OnCwEvent(this, state);
    }
    return 1;
}

void CVdWaveCapture::DrawMarker() {
    const int32_t hz = m_nMarkerHz.load();
    const tagSpectrumLayout& l = m_display.GetLayout();
    if (hz <= 0 || l.nPlotWidth <= 0) return;
    const int16_t* cols = m_display.GetColumnFrequencies();
    int32_t j = 0;
    while (j < l.nPlotWidth && cols[j] < hz) ++j;
    if (j >= l.nPlotWidth) return;
    const int x = l.spectrumArea.left + j;
    m_pSurface->SetPenColor(0x0000F0);
    m_pSurface->DrawLine(x, l.spectrumArea.top, x, l.spectrumArea.top + 6);
    m_pSurface->DrawLine(x, l.spectrumArea.bottom - 6, x, l.spectrumArea.bottom);
}

int CVdWaveCapture::ReadStream(std::vector<int16_t>* out) {
    ICaptureSource* source = m_bStarted.load() ? m_pSource.get() : nullptr;
    if (source == nullptr || !source->IsCapturing()) return 0;
    int32_t capturePos = 0;
    int32_t readPos = 0;
    if (!source->GetCurrentPosition(&capturePos, &readPos)) return 0;
    const int32_t size = source->GetBufferBytes();
    if (size <= 0 || readPos < 0 || readPos >= size) return 0;
    readPos &= ~1;
    if (m_nStreamPos < 0) {
        m_nStreamPos = readPos;
        return 1;
    }
    int32_t bytes = readPos - m_nStreamPos;
    if (bytes < 0) bytes += size;
    if (bytes == 0) return 1;
    tagCaptureLock locked{nullptr, 0, nullptr, 0};
    if (!source->Lock(m_nStreamPos, bytes, &locked)) return 0;
    const size_t before = out->size();
    out->resize(before + static_cast<size_t>(bytes / 2));
    CopyLockedSamples(locked, out->data() + before, bytes / 2);
    source->Unlock(locked);
    m_nStreamPos = readPos;
    return 1;
}

int CVdWaveCapture::OnPaint(void* /*sender*/, CDrawSurface* surface, const VdRect* /*clip*/) {
    if (surface != nullptr && m_pSurface != nullptr) {
        const VdRect r{0, 0, Extent(m_rect.left, m_rect.right), Extent(m_rect.top, m_rect.bottom)};
        std::lock_guard<std::mutex> guard(m_surfaceMutex);
        surface->Blit(&r, m_pSurface, 0, 0);
    }
    return 1;
}

int CVdWaveCapture::OnClick(void* /*sender*/) {
    return 0;
}

int CVdWaveCapture::OnMouseDown(void* /*sender*/, int button, int /*x*/, int /*y*/) {
    if (button == VD_MOUSE_LEFT) {
        m_display.StepGainMode();
        return 1;
    }
    if (button == VD_MOUSE_RIGHT) {
        m_display.StepSpectrumMode();
        return 1;
    }
    return 0;
}

int CVdWaveCapture::OnMouseUp(void* /*sender*/, int /*button*/, int /*x*/, int /*y*/) {
    return 0;
}
