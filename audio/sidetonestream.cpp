// The streamed sidetone and its render thread (see sidetonestream.h).
#include "audio/sidetonestream.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

CSidetoneStream::CSidetoneStream(RenderEndpointFactory factory) : m_factory(factory) {}

CSidetoneStream::~CSidetoneStream() {
    StopThread();
}

void CSidetoneStream::StopThread() {
    m_bRunning.store(0);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_cond.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

int CSidetoneStream::Init(void* /*windowHandle: a shared stream needs no window*/) {
    StopThread();
    if (m_factory == nullptr) {
        return 0;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = false;
        m_nFirstOpen = -1;
    }
    m_thread = std::thread(&CSidetoneStream::Run, this);
    bool opened = false;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_cond.wait_for(lock, std::chrono::milliseconds(OPEN_TIMEOUT_MS), [&] { return m_nFirstOpen >= 0; });
        opened = m_nFirstOpen == 1;
    }
    if (!opened) {
        StopThread();
        return 0;
    }
    m_bRunning.store(1);
    return 1;
}

int CSidetoneStream::ToneOn() {
    if (m_bRunning.load() == 0) {
        return 0;
    }
    m_renderer.KeyDown(CSidetoneRenderer::Clock::now());
    return 1;
}

int CSidetoneStream::ToneOff() {
    if (m_bRunning.load() == 0) {
        return 0;
    }
    m_renderer.KeyUp(CSidetoneRenderer::Clock::now());
    return 1;
}

void CSidetoneStream::ReportFirstOpen(int result) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_nFirstOpen = result;
    }
    m_cond.notify_all();
}

bool CSidetoneStream::Pause(uint32_t ms) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return !m_cond.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_bStop; });
}

bool CSidetoneStream::SkipQuietBlock(const std::vector<int16_t>& block, int32_t rate) {
    bool quiet = !m_renderer.IsSounding();
    for (size_t i = 0; quiet && i < block.size(); ++i) {
        quiet = block[i] == 0;
    }
    if (!quiet) {
        m_nQuietFrames = 0;
        return false;
    }
    const int64_t limit = int64_t{rate} * IDLE_QUIET_MS / 1000;
    const bool skip = m_nQuietFrames >= limit;
    if (!skip) {
        m_nQuietFrames += static_cast<int64_t>(block.size());
    }
    return skip;
}

void CSidetoneStream::Run() {
    std::unique_ptr<IRenderEndpoint> endpoint;
    std::vector<int16_t> samples;
    bool first = true;
    auto stopping = [&] {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_bStop;
    };
    while (!stopping()) {
        if (!endpoint) {
            endpoint = m_factory();
            if (!endpoint || !endpoint->Open()) {
                endpoint.reset();
                if (first) {
                    ReportFirstOpen(0);
                    return;
                }
                if (!Pause(REOPEN_MS)) {
                    break;
                }
                continue;
            }
            m_renderer.SetTone(m_fFrequency, m_fVolume, m_fEdgeMs, endpoint->GetSampleRate());
            m_renderer.Resync();
            m_nQuietFrames = INT64_MAX / 2;
            m_nOpenCount.fetch_add(1);
            m_bOpen.store(1);
            if (first) {
                first = false;
                ReportFirstOpen(1);
            }
        }
        // A wait that times out still writes what the device can take, so
        // a device that never signals is fed all the same.
        bool lost = endpoint->WaitForPeriod(WAIT_MS) < 0 || endpoint->DefaultChanged();
        if (!lost) {
            const int32_t n = endpoint->GetWritableFrames();
            if (n < 0) {
                lost = true;
            } else if (n > 0) {
                samples.resize(static_cast<size_t>(n));
                m_renderer.Render(samples.data(), static_cast<uint32_t>(n), CSidetoneRenderer::Clock::now());
                if (!SkipQuietBlock(samples, endpoint->GetSampleRate())) {
                    lost = endpoint->Write(samples.data(), static_cast<uint32_t>(n)) == 0;
                }
            }
        }
        if (lost) {
            m_bOpen.store(0);
            endpoint->Close();
            endpoint.reset();
        }
    }
    if (endpoint) {
        m_bOpen.store(0);
        endpoint->Close();
    }
}
