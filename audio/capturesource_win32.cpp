// DirectSound capture from the default input device into a looping buffer
// of one second, 16-bit mono.
#include <windows.h>

#include <mmsystem.h>
#include <mmreg.h>
#include <dsound.h>

#include "audio/capturesource.h"

namespace {

// Owns one reference of a COM interface.
template <typename T>
class CComRef {
public:
    CComRef() : m_p(nullptr) {}
    ~CComRef() { Reset(); }
    CComRef(const CComRef&) = delete;
    CComRef& operator=(const CComRef&) = delete;

    T* Get() const { return m_p; }
    T** Receive() {
        Reset();
        return &m_p;
    }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    void Reset() {
        if (m_p != nullptr) {
            m_p->Release();
            m_p = nullptr;
        }
    }

private:
    T* m_p;
};

class CDirectSoundCaptureSource : public ICaptureSource {
public:
    explicit CDirectSoundCaptureSource(int32_t samplesPerSecond) {
        ZeroMemory(&m_format, sizeof m_format);
        m_format.wFormatTag = WAVE_FORMAT_PCM;
        m_format.nChannels = 1;
        m_format.nSamplesPerSec = static_cast<DWORD>(samplesPerSecond);
        m_format.wBitsPerSample = 16;
        m_format.nBlockAlign = 2;
        m_format.nAvgBytesPerSec = static_cast<DWORD>(samplesPerSecond) * 2;
        m_format.cbSize = 0;
        ZeroMemory(&m_desc, sizeof m_desc);
        m_desc.dwSize = sizeof m_desc;
        m_desc.dwFlags = 0;
        m_desc.dwBufferBytes = static_cast<DWORD>(samplesPerSecond) * 2;
        m_desc.dwReserved = 0;
        m_desc.lpwfxFormat = &m_format;
        m_desc.dwFXCount = 0;
        m_desc.lpDSCFXDesc = nullptr;
    }

    int Start() override {
        if (FAILED(DirectSoundCaptureCreate8(nullptr, m_device.Receive(), nullptr))) {
            m_device.Reset();
            return 0;
        }
        if (FAILED(m_device->CreateCaptureBuffer(&m_desc, m_buffer.Receive(), nullptr))) {
            m_buffer.Reset();
            return 0;
        }
        return SUCCEEDED(m_buffer->Start(DSCBSTART_LOOPING)) ? 1 : 0;
    }

    int IsOpen() override { return m_buffer ? 1 : 0; }

    int IsCapturing() override {
        DWORD status = 0;
        if (!m_buffer || FAILED(m_buffer->GetStatus(&status))) {
            return 0;
        }
        const DWORD running = DSCBSTATUS_CAPTURING | DSCBSTATUS_LOOPING;
        return (status & running) == running ? 1 : 0;
    }

    int32_t GetBufferBytes() override { return static_cast<int32_t>(m_desc.dwBufferBytes); }

    int GetCurrentPosition(int32_t* capturePos, int32_t* readPos) override {
        DWORD capture = 0;
        DWORD read = 0;
        if (!m_buffer || FAILED(m_buffer->GetCurrentPosition(&capture, &read))) {
            return 0;
        }
        *capturePos = static_cast<int32_t>(capture);
        *readPos = static_cast<int32_t>(read);
        return 1;
    }

    int Lock(int32_t offset, int32_t bytes, tagCaptureLock* out) override {
        void* p1 = nullptr;
        void* p2 = nullptr;
        DWORD n1 = 0;
        DWORD n2 = 0;
        if (!m_buffer || offset < 0 || bytes < 0 ||
            FAILED(m_buffer->Lock(static_cast<DWORD>(offset), static_cast<DWORD>(bytes), &p1, &n1, &p2, &n2, 0))) {
            return 0;
        }
        out->pData1 = p1;
        out->nBytes1 = static_cast<int32_t>(n1);
        out->pData2 = p2;
        out->nBytes2 = static_cast<int32_t>(n2);
        return 1;
    }

    void Unlock(const tagCaptureLock& locked) override {
        if (m_buffer) {
            m_buffer->Unlock(const_cast<void*>(locked.pData1), static_cast<DWORD>(locked.nBytes1),
                             const_cast<void*>(locked.pData2), static_cast<DWORD>(locked.nBytes2));
        }
    }

private:
    WAVEFORMATEX m_format;
    DSCBUFFERDESC m_desc;
    // Declared device first, so the buffer is released before the device.
    CComRef<IDirectSoundCapture> m_device;
    CComRef<IDirectSoundCaptureBuffer> m_buffer;
};

}  // namespace

std::unique_ptr<ICaptureSource> CreateDefaultCaptureSource(int32_t samplesPerSecond) {
    return std::make_unique<CDirectSoundCaptureSource>(samplesPerSecond);
}
