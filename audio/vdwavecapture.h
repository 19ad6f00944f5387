// CVdWaveCapture: the receive side's sound input. Each Analyse call takes
// the most recent samples of the capture ring, finds a trigger point,
// transforms one frame with a discrete cosine transform, decides whether a
// coefficient inside the detection band reaches the threshold, reports that
// to its listener and draws the waveform and spectrum into its own surface.
// It is also an owner-drawn control: painting copies that surface, mouse
// clicks step the display modes (scopedisplay.h).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/capturesource.h"
#include "audio/cosinetransform.h"
#include "audio/cweventlistener.h"
#include "audio/scopedisplay.h"
#include "ui/controlinterfaces.h"
#include "ui/vdtypes.h"

class CDrawSurface;

class CVdWaveCapture : public IPaintEventControl, public IMouseKeyEventControl {
public:
    // rect: window coordinates (the setting recvmrect); samplesPerSecond:
    // 44100 in the station; analysisSamples: recvanalyzesamples, clamped
    // to 1 ... samplesPerSecond / 2 so that the 4N bytes read always fit
    // in the one-second ring. Opens no device.
    CVdWaveCapture(IPaintableParent* parent, const VdRect& rect, int32_t samplesPerSecond,
                   int32_t analysisSamples, ICwEventListener* listener);
    CVdWaveCapture(const CVdWaveCapture&) = delete;
    CVdWaveCapture& operator=(const CVdWaveCapture&) = delete;

    // IControl: the rectangle test; the rectangle in window coordinates.
    int HitTest(int x, int y) override;
    void GetRect(VdRect* out) override;

    // Opens the sound input (the injected source, else the platform's
    // default) and starts looping capture. Nonzero on success.
    virtual int StartCapture();
    // One analysis pass; 1 when a frame was analysed (the listener has been
    // told the result), 0 when capture is not running or a buffer call
    // failed (nothing drawn, no listener call).
    virtual int Analyse();
    // level: fraction of full scale. Levels from -1 up to below 1 give
    // trunc(32768 x level); 1.0 gives 32768 (only a full-scale
    // coefficient fires) and anything above 1, or not a number, gives a
    // threshold no coefficient reaches.
    virtual void SetThreshold(double level);
    // Detection band in Hz, both edges included; not checked.
    virtual void SetBand(int startHz, int endHz);
    virtual ~CVdWaveCapture();

    // IPaintEventListener: copies the control's surface to the window.
    int OnPaint(void* sender, CDrawSurface* surface, const VdRect* clip) override;
    // IMouseKeyEventListener: left button steps the waveform gain, right
    // button the spectrum mode.
    int OnClick(void* sender) override;
    int OnMouseDown(void* sender, int button, int x, int y) override;
    int OnMouseUp(void* sender, int button, int x, int y) override;

    // Appends to *out every sample recorded since the previous call (none
    // on the first call, which only marks where the stream starts; at most
    // the ring's one second when calls are late). For a receiver that
    // works on the whole stream. Nonzero when the source could be read.
    int ReadStream(std::vector<int16_t>* out);
    // Frequency marked on the spectrum (the tone a receiver follows); 0
    // draws no marker.
    void SetMarkerHz(int32_t hz) { m_nMarkerHz.store(hz); }

    // Replaces the sound input; only before StartCapture (returns 0
    // after). Tests and benchmarks pass a CMemoryCaptureSource here and
    // keep a plain pointer to it to step its clock.
    int SetCaptureSource(std::unique_ptr<ICaptureSource> source);

    // Read-only views for tests and benchmarks.
    int32_t GetAnalysisSamples() const { return m_nSamples; }
    int32_t GetThreshold() const { return m_nThreshold.load(); }
    int32_t GetBandStart() const { return m_nBandStart.load(); }
    int32_t GetBandEnd() const { return m_nBandEnd.load(); }
    // The last 2N samples read, the frame (N samples from the trigger), its
    // transform and the bin frequencies; valid after an Analyse that
    // returned 1.
    const int16_t* GetSampleWindow() const { return m_sampleWindow.data(); }
    const int16_t* GetFrame() const { return m_sampleWindow.data() + m_nTrigger; }
    int32_t GetTrigger() const { return m_nTrigger; }
    const int16_t* GetSpectrum() const { return m_spectrum.data(); }
    const int16_t* GetBinFrequencies() const { return m_binFrequencies.data(); }
    const CCosineTransform& GetTransform() const { return m_transform; }
    CSpectrumDisplay& GetDisplay() { return m_display; }
    CDrawSurface* GetSurface() const { return m_pSurface; }

private:
    void DrawMarker();

    IPaintableParent* m_pParent;
    VdRect m_rect;
    CDrawSurface* m_pSurface;
    // Drawing on the analysing thread and the copy on the window thread
    // take turns on the surface.
    std::mutex m_surfaceMutex;
    std::unique_ptr<ICaptureSource> m_pSource;
    std::atomic<int32_t> m_bStarted;
    int32_t m_nSamplesPerSecond;
    std::vector<int16_t> m_sampleWindow;
    std::vector<int16_t> m_spectrum;
    std::vector<int16_t> m_binFrequencies;
    ICwEventListener* m_pListener;
    int32_t m_nSamples;
    int32_t m_nTrigger;
    std::atomic<int32_t> m_nThreshold;
    std::atomic<int32_t> m_nBandStart;
    std::atomic<int32_t> m_nBandEnd;
    std::atomic<int32_t> m_nMarkerHz{0};
    int32_t m_nStreamPos = -1;  // byte offset of the next stream sample
    CCosineTransform m_transform;
    CSpectrumDisplay m_display;
};
