// The sidetone on DirectSound: the default output device with priority
// cooperation, and static looping buffers of 16-bit mono 44100 Hz that stay
// audible whichever window has the focus.
#include "audio/toneoutput.h"

#include "audio/comref_win32.h"
#include "audio/toneloop.h"

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

static_assert(sizeof(WAVEFORMATEX) == 18, "format record as the device expects it");
// 36 bytes in the 32-bit program; the 64-bit layout pads the format pointer.
static_assert(sizeof(DSBUFFERDESC) == (sizeof(void*) == 8 ? 40 : 36), "buffer description with the 3D algorithm field");
static_assert(static_cast<int32_t>(DSERR_BUFFERLOST) == TONE_E_BUFFERLOST, "lost-buffer code");
static_assert(static_cast<int32_t>(DSERR_INVALIDCALL) == TONE_E_INVALIDCALL, "invalid-call code");

namespace {

class CToneOutputDirectSound : public IToneOutput {
public:
    CToneOutputDirectSound() {
        m_format.wFormatTag = WAVE_FORMAT_PCM;
        m_format.nChannels = TONE_CHANNELS;
        m_format.nSamplesPerSec = TONE_SAMPLE_RATE;
        m_format.wBitsPerSample = TONE_BITS_PER_SAMPLE;
        m_format.nBlockAlign = TONE_BLOCK_ALIGN;
        m_format.nAvgBytesPerSec = TONE_BYTES_PER_SECOND;
        m_format.cbSize = 0;
    }
    ~CToneOutputDirectSound() override {
        // Buffers before the device that made them.
        m_buffers[TONE_BUFFER_TONE].Reset();
        m_buffers[TONE_BUFFER_KEEPALIVE].Reset();
        m_device.Reset();
    }

    int32_t CreateDevice() override {
        return DirectSoundCreate(nullptr, m_device.Put(), nullptr);
    }

    int32_t SetPriority(void* windowHandle) override {
        if (!m_device) {
            return DSERR_INVALIDCALL;
        }
        return m_device->SetCooperativeLevel(static_cast<HWND>(windowHandle), DSSCL_PRIORITY);
    }

    int32_t CreateBuffer(int buffer, uint32_t nBytes) override {
        if (!Valid(buffer) || !m_device) {
            return DSERR_INVALIDCALL;
        }
        DSBUFFERDESC desc = {};
        desc.dwSize = sizeof(desc);
        desc.dwFlags = DSBCAPS_STATIC | DSBCAPS_GLOBALFOCUS;
        desc.dwBufferBytes = nBytes;
        desc.dwReserved = 0;
        desc.lpwfxFormat = &m_format;
        return m_device->CreateSoundBuffer(&desc, m_buffers[buffer].Put(), nullptr);
    }

    bool HasBuffer(int buffer) const override { return Valid(buffer) && static_cast<bool>(m_buffers[buffer]); }

    int32_t Play(int buffer) override {
        if (!HasBuffer(buffer)) {
            return DSERR_INVALIDCALL;
        }
        return m_buffers[buffer]->Play(0, 0, DSBPLAY_LOOPING);
    }

    int32_t Rewind(int buffer) override {
        if (!HasBuffer(buffer)) {
            return DSERR_INVALIDCALL;
        }
        return m_buffers[buffer]->SetCurrentPosition(0);
    }

    int32_t Stop(int buffer) override {
        if (!HasBuffer(buffer)) {
            return DSERR_INVALIDCALL;
        }
        return m_buffers[buffer]->Stop();
    }

    int32_t Restore(int buffer) override {
        if (!HasBuffer(buffer)) {
            return DSERR_INVALIDCALL;
        }
        return m_buffers[buffer]->Restore();
    }

    int32_t Lock(int buffer, uint32_t nBytes, bool entire, void** data, uint32_t* locked) override {
        if (data != nullptr) {
            *data = nullptr;
        }
        if (locked != nullptr) {
            *locked = 0;
        }
        if (!HasBuffer(buffer) || data == nullptr || locked == nullptr) {
            return DSERR_INVALIDCALL;
        }
        DWORD bytes = 0;
        const HRESULT hr = m_buffers[buffer]->Lock(0, nBytes, data, &bytes, nullptr, nullptr,
                                                   entire ? DSBLOCK_ENTIREBUFFER : 0);
        *locked = SUCCEEDED(hr) ? static_cast<uint32_t>(bytes) : 0;
        return hr;
    }

    int32_t Unlock(int buffer, void* data, uint32_t locked) override {
        if (!HasBuffer(buffer)) {
            return DSERR_INVALIDCALL;
        }
        return m_buffers[buffer]->Unlock(data, locked, nullptr, 0);
    }

    void ReleaseBuffer(int buffer) override {
        if (Valid(buffer)) {
            m_buffers[buffer].Reset();
        }
    }

    void ReleaseDevice() override { m_device.Reset(); }

private:
    static bool Valid(int buffer) { return buffer >= 0 && buffer < TONE_BUFFER_COUNT; }

    CComRef<IDirectSound> m_device;
    CComRef<IDirectSoundBuffer> m_buffers[TONE_BUFFER_COUNT];
    WAVEFORMATEX m_format = {};
};

}  // namespace

std::unique_ptr<IToneOutput> CreatePlatformToneOutput() {
    return std::make_unique<CToneOutputDirectSound>();
}
