// The replaceable factory of sidetone outputs (see toneoutput.h).
#include "audio/toneoutput.h"

#include <atomic>

namespace {

std::atomic<ToneOutputFactory> g_toneOutputFactory{nullptr};

}  // namespace

std::unique_ptr<IToneOutput> CreateToneOutput() {
    const ToneOutputFactory factory = g_toneOutputFactory.load();
    if (factory != nullptr) {
        std::unique_ptr<IToneOutput> output = factory();
        if (output) {
            return output;
        }
    }
    return CreatePlatformToneOutput();
}

ToneOutputFactory SetToneOutputFactory(ToneOutputFactory factory) {
    return g_toneOutputFactory.exchange(factory);
}
