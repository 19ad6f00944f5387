// Cost of one analysis pass of the capture (copy, trigger, cosine transform,
// band decision and drawing) at several frame lengths, and the memory of the
// cosine table. A 1000 Hz tone is fed by a memory source stepped by hand, so
// the figures do not depend on a sound device. Prints figures only.
#ifdef _WIN32
#include <windows.h>

#include "ui/drawsurface_win32.h"
#else
#include "ui/drawsurface_raster.h"
#endif

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "audio/cosinetransform.h"
#include "audio/memorycapturesource.h"
#include "audio/vdwavecapture.h"

namespace {

using Clock = std::chrono::steady_clock;

class BenchParent : public IPaintableParent {
public:
    int Invalidate(const VdRect*) override { return 1; }
    CDrawSurface* CreateSurface(int width, int height) override {
#ifdef _WIN32
        HDC screen = GetDC(nullptr);
        if (screen == nullptr) return nullptr;
        CDrawSurface* s = new CGdiDrawSurface(screen, width, height);
        ReleaseDC(nullptr, screen);
        return s;
#else
        return new CRasterDrawSurface(width, height);
#endif
    }
};

class NullListener : public ICwEventListener {
public:
    int OnCwEvent(void*, int32_t state) override {
        fired += state;
        return 1;
    }
    long fired = 0;
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

const char* KindName(CCosineTransform::TableKind k) {
    switch (k) {
    case CCosineTransform::TABLE_FULL: return "N x N";
    case CCosineTransform::TABLE_PERIOD: return "one period (4N)";
    default: return "none";
    }
}

void BenchAnalyse(int32_t n, int calls) {
    BenchParent parent;
    NullListener listener;
    const Clock::time_point built0 = Clock::now();
    CVdWaveCapture capture(&parent, VdRect{50, 10, 306, 58}, 44100, n, &listener);
    const double buildMs = Ms(Clock::now() - built0);
    auto src = std::make_unique<CMemoryCaptureSource>(44100, MakeToneSamples(44100, 1000.0, 0.5, 44100), true,
                                                      CMemoryCaptureSource::CLOCK_MANUAL);
    CMemoryCaptureSource* source = src.get();
    source->Advance(44100);
    capture.SetCaptureSource(std::move(src));
    capture.StartCapture();
    capture.SetThreshold(0.3);
    capture.Analyse();  // axes and first touch of the table
    const Clock::time_point t0 = Clock::now();
    for (int i = 0; i < calls; ++i) {
        capture.Analyse();
        source->Advance(1191);  // one 27 ms receive period
    }
    const double perCall = Ms(Clock::now() - t0) / calls;
    const CCosineTransform& t = capture.GetTransform();
    std::printf("N = %5d  table %-16s %10.2f MiB  build %8.1f ms  Analyse %9.3f ms/call  (%d calls, tone found %ld)\n",
                n, KindName(t.GetKind()), t.GetTableBytes() / 1048576.0, buildMs, perCall, calls,
                listener.fired);
}

void BenchTransformOnly(int32_t n, bool period, int calls) {
    const Clock::time_point b0 = Clock::now();
    CCosineTransform t(n, period);
    const double buildMs = Ms(Clock::now() - b0);
    std::vector<int16_t> frame = MakeToneSamples(44100, 1000.0, 0.5, n);
    std::vector<int16_t> out(static_cast<size_t>(n));
    const Clock::time_point t0 = Clock::now();
    for (int i = 0; i < calls; ++i) t.Transform(frame.data(), out.data());
    const double perCall = Ms(Clock::now() - t0) / calls;
    std::printf("N = %5d  transform only, %-16s %10.2f MiB  build %8.1f ms  %9.3f ms/call\n", n,
                KindName(t.GetKind()), t.GetTableBytes() / 1048576.0, buildMs, perCall);
}

}  // namespace

int main() {
    std::printf("One analysis pass at 44100 samples/s (multiply-adds per pass = N x N)\n");
    BenchAnalyse(512, 400);
    BenchAnalyse(2048, 40);
    BenchAnalyse(4096, 10);
    std::printf("\nCosine transform alone, full table against the one-period table\n");
    for (int32_t n : {512, 2048, 4096}) {
        BenchTransformOnly(n, false, n <= 512 ? 400 : 20);
        BenchTransformOnly(n, true, n <= 512 ? 400 : 20);
    }
    std::printf("\nLargest frame the one-second ring allows\n");
    BenchTransformOnly(22050, false, 1);
    return 0;
}
