// Native builds have no streamed sound output: the sidetone player keeps
// to its recording null output.
#include "audio/renderendpoint.h"

std::unique_ptr<IRenderEndpoint> CreatePlatformRenderEndpoint() {
    return nullptr;
}

bool HasPlatformRenderEndpoint() {
    return false;
}
