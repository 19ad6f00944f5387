// The sidetone's stream on the shared-mode audio engine: the default render
// endpoint, event-driven, at the engine's smallest period where the system
// offers one (IAudioClient3), else at its default period. The stream is
// mono 16-bit 44100 Hz when the engine takes that format as it is,
// otherwise the engine's own mix format, into which the mono samples are
// converted here. A watcher registered with the device enumerator notes
// when the default output changes, so the render thread can move to it.
#include "audio/renderendpoint.h"

#include "audio/comref_win32.h"
#include "audio/toneloop.h"

#include <windows.h>
#include <mmreg.h>
#include <objbase.h>
#include <audioclient.h>
#include <mmdeviceapi.h>

#include <atomic>
#include <cstring>
#include <vector>

namespace {

// Wine's engine reports E_NOTIMPL for the small-period interface; a real
// system may have none either (before Windows 10).
constexpr REFERENCE_TIME kHundredNsPerSecond = 10000000;

// One CoInitializeEx and its matching CoUninitialize, on the render thread.
class CComApartment {
public:
    CComApartment() = default;
    ~CComApartment() { Leave(); }
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;
    bool Enter() {
        Leave();
        const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        // Already initialised in another mode still lets COM be used.
        m_bEntered = SUCCEEDED(hr);
        return m_bEntered || hr == RPC_E_CHANGED_MODE;
    }
    void Leave() {
        if (m_bEntered) {
            m_bEntered = false;
            CoUninitialize();
        }
    }

private:
    bool m_bEntered = false;
};

class CEventHandle {
public:
    CEventHandle() = default;
    ~CEventHandle() { Reset(); }
    CEventHandle(const CEventHandle&) = delete;
    CEventHandle& operator=(const CEventHandle&) = delete;
    HANDLE Get() const { return m_h; }
    bool Create() {
        Reset();
        m_h = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        return m_h != nullptr;
    }
    void Reset() {
        if (m_h != nullptr) {
            CloseHandle(m_h);
            m_h = nullptr;
        }
    }

private:
    HANDLE m_h = nullptr;
};

// A format block the engine allocated.
class CEngineFormat {
public:
    CEngineFormat() = default;
    ~CEngineFormat() { Reset(); }
    CEngineFormat(const CEngineFormat&) = delete;
    CEngineFormat& operator=(const CEngineFormat&) = delete;
    WAVEFORMATEX* Get() const { return m_p; }
    WAVEFORMATEX** Put() {
        Reset();
        return &m_p;
    }
    void Reset() {
        if (m_p != nullptr) {
            CoTaskMemFree(m_p);
            m_p = nullptr;
        }
    }

private:
    WAVEFORMATEX* m_p = nullptr;
};

// Notes a change of the default console output. Reference counted as COM
// wants; the enumerator holds it while it is registered.
class CDefaultOutputWatch final : public IMMNotificationClient {
public:
    bool Changed() const { return m_bChanged.load(); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (riid == __uuidof(IUnknown) || riid == __uuidof(IMMNotificationClient)) {
            *object = static_cast<IMMNotificationClient*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_nRef; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG n = --m_nRef;
        if (n == 0) {
            delete this;
        }
        return n;
    }
    HRESULT STDMETHODCALLTYPE OnDefaultDeviceChanged(EDataFlow flow, ERole role, LPCWSTR /*id*/) override {
        if (flow == eRender && role == eConsole) {
            m_bChanged.store(true);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnDeviceStateChanged(LPCWSTR /*id*/, DWORD /*state*/) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceAdded(LPCWSTR /*id*/) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnDeviceRemoved(LPCWSTR /*id*/) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnPropertyValueChanged(LPCWSTR /*id*/, const PROPERTYKEY /*key*/) override {
        return S_OK;
    }

private:
    virtual ~CDefaultOutputWatch() = default;
    std::atomic<ULONG> m_nRef{1};
    std::atomic<bool> m_bChanged{false};
};

// How mono samples become frames of the stream's format.
enum SampleKind { SAMPLE_NONE, SAMPLE_INT16, SAMPLE_INT24, SAMPLE_INT32, SAMPLE_FLOAT32 };

SampleKind KindOf(const WAVEFORMATEX& f) {
    WORD tag = f.wFormatTag;
    if (tag == WAVE_FORMAT_EXTENSIBLE && f.cbSize >= 22) {
        // The subtype's first field is the plain format tag (1 PCM, 3 float).
        tag = static_cast<WORD>(reinterpret_cast<const WAVEFORMATEXTENSIBLE&>(f).SubFormat.Data1);
    }
    if (tag == WAVE_FORMAT_IEEE_FLOAT && f.wBitsPerSample == 32) {
        return SAMPLE_FLOAT32;
    }
    if (tag == WAVE_FORMAT_PCM) {
        switch (f.wBitsPerSample) {
        case 16:
            return SAMPLE_INT16;
        case 24:
            return SAMPLE_INT24;
        case 32:
            return SAMPLE_INT32;
        default:
            break;
        }
    }
    return SAMPLE_NONE;
}

class CSharedRenderEndpoint : public IRenderEndpoint {
public:
    ~CSharedRenderEndpoint() override { Close(); }

    int Open() override {
        Close();
        if (!m_apartment.Enter()) {
            return 0;
        }
        if (FAILED(CoCreateInstance(__uuidof(MMDeviceEnumerator), nullptr, CLSCTX_ALL, __uuidof(IMMDeviceEnumerator),
                                    m_enumerator.PutVoid()))) {
            Close();
            return 0;
        }
        m_watch.Reset();
        *m_watch.Put() = new CDefaultOutputWatch();
        if (FAILED(m_enumerator->RegisterEndpointNotificationCallback(m_watch.Get()))) {
            m_watch.Reset();
        }
        if (FAILED(m_enumerator->GetDefaultAudioEndpoint(eRender, eConsole, m_device.Put())) || !Activate() ||
            !ChooseFormat() || !InitializeClient() || !m_event.Create() ||
            FAILED(m_client->SetEventHandle(m_event.Get())) || FAILED(m_client->GetBufferSize(&m_nBufferFrames)) ||
            FAILED(m_client->GetService(__uuidof(IAudioRenderClient), m_render.PutVoid()))) {
            Close();
            return 0;
        }
        // One period of silence ahead, so that the engine's first pass
        // finds data; then the render thread keeps the buffer fed.
        const uint32_t lead = m_nPeriodFrames < m_nBufferFrames ? m_nPeriodFrames : m_nBufferFrames;
        std::vector<int16_t> silence(lead, 0);
        if (!Write(silence.data(), lead) || FAILED(m_client->Start())) {
            Close();
            return 0;
        }
        m_bStarted = true;
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        return 1;
    }

    int32_t GetSampleRate() const override { return static_cast<int32_t>(m_format.Format.nSamplesPerSec); }
    uint32_t GetPeriodFrames() const override { return m_nPeriodFrames; }

    int WaitForPeriod(uint32_t timeoutMs) override {
        if (m_event.Get() == nullptr) {
            return -1;
        }
        const DWORD r = WaitForSingleObject(m_event.Get(), timeoutMs);
        if (r == WAIT_OBJECT_0) {
            return 1;
        }
        return r == WAIT_TIMEOUT ? 0 : -1;
    }

    int32_t GetWritableFrames() override {
        UINT32 padding = 0;
        if (!m_client || FAILED(m_client->GetCurrentPadding(&padding)) || padding > m_nBufferFrames) {
            return -1;
        }
        return static_cast<int32_t>(m_nBufferFrames - padding);
    }

    int Write(const int16_t* samples, uint32_t frames) override {
        if (!m_render) {
            return 0;
        }
        if (frames == 0) {
            return 1;
        }
        BYTE* data = nullptr;
        if (FAILED(m_render->GetBuffer(frames, &data)) || data == nullptr) {
            return 0;
        }
        Convert(samples, frames, data);
        return SUCCEEDED(m_render->ReleaseBuffer(frames, 0)) ? 1 : 0;
    }

    bool DefaultChanged() override {
        return m_watch && static_cast<CDefaultOutputWatch*>(m_watch.Get())->Changed();
    }

    void Close() override {
        if (m_bStarted && m_client) {
            m_client->Stop();
        }
        m_bStarted = false;
        m_render.Reset();
        m_client.Reset();
        m_device.Reset();
        if (m_watch && m_enumerator) {
            m_enumerator->UnregisterEndpointNotificationCallback(m_watch.Get());
        }
        m_watch.Reset();
        m_enumerator.Reset();
        m_event.Reset();
        m_apartment.Leave();
    }

private:
    bool Activate() {
        return SUCCEEDED(m_device->Activate(__uuidof(IAudioClient), CLSCTX_ALL, nullptr, m_client.PutVoid()));
    }

    // The sidetone's own format when the engine plays it as it is, else
    // the engine's mix format.
    bool ChooseFormat() {
        WAVEFORMATEX tone = {};
        tone.wFormatTag = WAVE_FORMAT_PCM;
        tone.nChannels = TONE_CHANNELS;
        tone.nSamplesPerSec = TONE_SAMPLE_RATE;
        tone.wBitsPerSample = TONE_BITS_PER_SAMPLE;
        tone.nBlockAlign = TONE_BLOCK_ALIGN;
        tone.nAvgBytesPerSec = TONE_BYTES_PER_SECOND;
        CEngineFormat closest;
        if (m_client->IsFormatSupported(AUDCLNT_SHAREMODE_SHARED, &tone, closest.Put()) == S_OK) {
            std::memset(&m_format, 0, sizeof(m_format));
            m_format.Format = tone;
        } else {
            CEngineFormat mix;
            if (FAILED(m_client->GetMixFormat(mix.Put())) || mix.Get() == nullptr) {
                return false;
            }
            const size_t size = sizeof(WAVEFORMATEX) + mix.Get()->cbSize;
            std::memset(&m_format, 0, sizeof(m_format));
            std::memcpy(&m_format, mix.Get(), size < sizeof(m_format) ? size : sizeof(m_format));
        }
        m_kind = KindOf(m_format.Format);
        m_nChannels = m_format.Format.nChannels;
        return m_kind != SAMPLE_NONE && m_nChannels > 0 && m_format.Format.nSamplesPerSec > 0;
    }

    // The smallest period the engine offers for this format, else the
    // default one.
    bool InitializeClient() {
        WAVEFORMATEX* format = &m_format.Format;
        CComRef<IAudioClient3> client3;
        if (SUCCEEDED(m_client->QueryInterface(__uuidof(IAudioClient3), client3.PutVoid()))) {
            UINT32 def = 0, fundamental = 0, minimum = 0, maximum = 0;
            if (SUCCEEDED(client3->GetSharedModeEnginePeriod(format, &def, &fundamental, &minimum, &maximum)) &&
                minimum > 0 &&
                SUCCEEDED(client3->InitializeSharedAudioStream(AUDCLNT_STREAMFLAGS_EVENTCALLBACK, minimum, format,
                                                               nullptr))) {
                m_nPeriodFrames = minimum;
                return true;
            }
            // A client whose initialisation failed takes no second one.
            client3.Reset();
            if (!Activate()) {
                return false;
            }
        }
        if (FAILED(m_client->Initialize(AUDCLNT_SHAREMODE_SHARED,
                                        AUDCLNT_STREAMFLAGS_EVENTCALLBACK | AUDCLNT_STREAMFLAGS_NOPERSIST, 0, 0,
                                        format, nullptr))) {
            return false;
        }
        REFERENCE_TIME period = 0;
        if (FAILED(m_client->GetDevicePeriod(&period, nullptr)) || period <= 0) {
            period = kHundredNsPerSecond / 100;
        }
        m_nPeriodFrames = static_cast<uint32_t>(period * static_cast<REFERENCE_TIME>(format->nSamplesPerSec) /
                                                kHundredNsPerSecond);
        return true;
    }

    void Convert(const int16_t* samples, uint32_t frames, BYTE* out) const {
        const uint32_t channels = m_nChannels;
        for (uint32_t i = 0; i < frames; ++i) {
            const int16_t s = samples[i];
            for (uint32_t c = 0; c < channels; ++c) {
                switch (m_kind) {
                case SAMPLE_INT16:
                    std::memcpy(out, &s, 2);
                    out += 2;
                    break;
                case SAMPLE_INT24: {
                    const int32_t v = static_cast<int32_t>(s) * 256;
                    out[0] = static_cast<BYTE>(v & 0xFF);
                    out[1] = static_cast<BYTE>((v >> 8) & 0xFF);
                    out[2] = static_cast<BYTE>((v >> 16) & 0xFF);
                    out += 3;
                    break;
                }
                case SAMPLE_INT32: {
                    const int32_t v = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int32_t>(s)) << 16);
                    std::memcpy(out, &v, 4);
                    out += 4;
                    break;
                }
                case SAMPLE_FLOAT32: {
                    const float v = static_cast<float>(s) / 32768.0f;
                    std::memcpy(out, &v, 4);
                    out += 4;
                    break;
                }
                case SAMPLE_NONE:
                    break;
                }
            }
        }
    }

    CComApartment m_apartment;
    CComRef<IMMDeviceEnumerator> m_enumerator;
    CComRef<IMMNotificationClient> m_watch;
    CComRef<IMMDevice> m_device;
    CComRef<IAudioClient> m_client;
    CComRef<IAudioRenderClient> m_render;
    CEventHandle m_event;
    WAVEFORMATEXTENSIBLE m_format = {};
    SampleKind m_kind = SAMPLE_NONE;
    uint32_t m_nChannels = 0;
    UINT32 m_nBufferFrames = 0;
    uint32_t m_nPeriodFrames = 0;
    bool m_bStarted = false;
};

}  // namespace

std::unique_ptr<IRenderEndpoint> CreatePlatformRenderEndpoint() {
    return std::make_unique<CSharedRenderEndpoint>();
}

bool HasPlatformRenderEndpoint() {
    return true;
}
