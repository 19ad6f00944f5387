// The sidetone player (see toneplayer.h).
#include "audio/toneplayer.h"

#include "audio/sidetonestream.h"
#include "audio/toneloop.h"
#include "audio/tonenulloutput.h"

#include <cstdlib>
#include <cstring>

namespace {

// The keep-alive loop: the smallest buffer, never written, so it plays
// silence.
constexpr uint32_t kKeepAliveBytes = 8;

// The platform's stream for a player of the station, unless tests have
// installed an output of their own or the stream is switched off.
RenderEndpointFactory StationEndpoints() {
    if (!HasPlatformRenderEndpoint()) {
        return nullptr;
    }
    const ToneOutputFactory installed = SetToneOutputFactory(nullptr);
    SetToneOutputFactory(installed);
    if (installed != nullptr) {
        return nullptr;
    }
    const char* choice = std::getenv("VARDO_SIDETONE");
    if (choice != nullptr && std::strcmp(choice, "directsound") == 0) {
        return nullptr;
    }
    return CreatePlatformRenderEndpoint;
}

}  // namespace

CTonePlayer::CTonePlayer() : CTonePlayer(CreateToneOutput(), StationEndpoints()) {}

CTonePlayer::CTonePlayer(std::unique_ptr<IToneOutput> output, RenderEndpointFactory endpoints)
    : CTonePlayer(std::move(output)) {
    if (endpoints != nullptr) {
        m_pStream = std::make_unique<CSidetoneStream>(endpoints);
    }
}

CTonePlayer::CTonePlayer(std::unique_ptr<IToneOutput> output) : m_pOutput(std::move(output)) {
    if (!m_pOutput) {
        m_pOutput = CreateToneOutput();
    }
    if (!m_pOutput) {
        m_pOutput = CreateToneNullOutput();
    }
    SetFrequency(1000.0);
}

CTonePlayer::~CTonePlayer() {
    ReleaseAll();
}

void CTonePlayer::ReleaseAll() {
    m_bToneReady.store(0);
    m_bStreaming.store(0);
    m_pOutput->ReleaseBuffer(TONE_BUFFER_TONE);
    m_pOutput->ReleaseBuffer(TONE_BUFFER_KEEPALIVE);
    m_pOutput->ReleaseDevice();
}

void CTonePlayer::SetFrequency(double hz) {
    if (hz == m_fFrequency) {
        return;
    }
    m_fFrequency = hz;
    m_fBufferMs = ToneLoopBufferMs(hz);
    m_bBufferCreated.store(0);
}

void CTonePlayer::SetVolume(double volume) {
    if (volume == m_fVolume) {
        return;
    }
    m_fVolume = volume;
    m_bBufferFilled.store(0);
}

int32_t CTonePlayer::GetBufferBytes() const {
    return ToneLoopBytes(m_fBufferMs);
}

int CTonePlayer::Init(void* windowHandle) {
    ReleaseAll();
    m_bDeviceReady.store(0);
    m_bBufferCreated.store(0);
    m_bBufferFilled.store(0);

    if (m_pStream) {
        m_pStream->SetFrequency(m_fFrequency);
        m_pStream->SetVolume(m_fVolume);
        m_pStream->SetEdgeMs(m_fEdgeMs);
        if (m_pStream->Init(windowHandle)) {
            m_bDeviceReady.store(1);
            m_bBufferCreated.store(1);
            m_bBufferFilled.store(1);
            m_bStreaming.store(1);
            return 1;
        }
        // No stream to be had: the looping buffer it is, for good.
        m_pStream.reset();
    }

    if (!ToneSucceeded(m_pOutput->CreateDevice())) {
        return 0;
    }
    if (!ToneSucceeded(m_pOutput->SetPriority(windowHandle))) {
        return 0;
    }
    const bool keepAlive = ToneSucceeded(m_pOutput->CreateBuffer(TONE_BUFFER_KEEPALIVE, kKeepAliveBytes));
    m_bDeviceReady.store(keepAlive ? 1 : 0);
    if (!keepAlive) {
        return 0;
    }
    // Whether the silent loop really plays does not decide anything.
    if (m_pOutput->Play(TONE_BUFFER_KEEPALIVE) == TONE_E_BUFFERLOST) {
        m_pOutput->Restore(TONE_BUFFER_KEEPALIVE);
        m_pOutput->Play(TONE_BUFFER_KEEPALIVE);
    }

    // A frequency that needs no sane loop length gets no tone buffer.
    const int32_t bytes = ToneLoopBytes(m_fBufferMs);
    if (bytes <= 0) {
        return 0;
    }
    const bool created = ToneSucceeded(m_pOutput->CreateBuffer(TONE_BUFFER_TONE, static_cast<uint32_t>(bytes)));
    m_bBufferCreated.store(created ? 1 : 0);
    if (!created) {
        return 0;
    }
    m_nToneBytes = static_cast<uint32_t>(bytes);
    m_fToneFrequency = m_fFrequency;
    m_bToneReady.store(1);
    return FillBuffer();
}

int CTonePlayer::FillBuffer() {
    void* data = nullptr;
    uint32_t locked = 0;
    int32_t hr = m_pOutput->Lock(TONE_BUFFER_TONE, m_nToneBytes, false, &data, &locked);
    if (hr == TONE_E_BUFFERLOST) {
        m_pOutput->Restore(TONE_BUFFER_TONE);
        hr = m_pOutput->Lock(TONE_BUFFER_TONE, 0, true, &data, &locked);
    }
    if (!ToneSucceeded(hr) || data == nullptr) {
        m_bBufferFilled.store(0);
        return 0;
    }
    FillToneSamples(data, locked, m_fToneFrequency, m_fVolume, TONE_SAMPLE_RATE);
    const int filled = ToneSucceeded(m_pOutput->Unlock(TONE_BUFFER_TONE, data, locked)) ? 1 : 0;
    m_bBufferFilled.store(filled);
    return filled;
}

int CTonePlayer::ToneOn() {
    if (m_bStreaming.load() != 0) {
        return m_pStream->ToneOn();
    }
    if (m_bToneReady.load() == 0) {
        return 0;
    }
    m_pOutput->Rewind(TONE_BUFFER_TONE);
    int32_t hr = m_pOutput->Play(TONE_BUFFER_TONE);
    if (hr == TONE_E_BUFFERLOST) {
        m_pOutput->Restore(TONE_BUFFER_TONE);
        FillBuffer();
        hr = m_pOutput->Play(TONE_BUFFER_TONE);
    }
    return ToneSucceeded(hr) ? 1 : 0;
}

int CTonePlayer::ToneOff() {
    if (m_bStreaming.load() != 0) {
        return m_pStream->ToneOff();
    }
    if (m_bToneReady.load() == 0) {
        return 0;
    }
    return ToneSucceeded(m_pOutput->Stop(TONE_BUFFER_TONE)) ? 1 : 0;
}
