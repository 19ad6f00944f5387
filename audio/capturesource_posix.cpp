// The native build's default sound input: silence on the steady clock, so
// that the station runs its receive side without a sound device.
#include "audio/capturesource.h"
#include "audio/memorycapturesource.h"

std::unique_ptr<ICaptureSource> CreateDefaultCaptureSource(int32_t samplesPerSecond) {
    return std::make_unique<CMemoryCaptureSource>(samplesPerSecond, std::vector<int16_t>(), false,
                                                  CMemoryCaptureSource::CLOCK_STEADY);
}
