// Native builds have no sound device of their own: the sidetone goes to the
// recording null output, which the tests read.
#include "audio/tonenulloutput.h"
#include "audio/toneoutput.h"

std::unique_ptr<IToneOutput> CreatePlatformToneOutput() {
    return CreateToneNullOutput();
}
