// CSidetoneStream: the sidetone as a stream that never stops. A render
// thread opens the default output (IRenderEndpoint), wakes once per device
// period and writes that period's samples, silence or tone, from a
// CSidetoneRenderer that the keying threads feed with timed key events. So
// a key event reaches the sound within about one period plus the device's
// buffer, and every tone is as long as the key was held.
//
// When the device fails or the system's default output changes, the thread
// closes the endpoint and opens the new default, trying again every 100 ms
// until it succeeds; keying meanwhile only queues events and never waits.
#pragma once

#include "audio/renderendpoint.h"
#include "audio/sidetone.h"
#include "audio/sidetonerenderer.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

class CSidetoneStream : public ISidetone {
public:
    // Endpoints come from factory (one per opening); a null factory means
    // none can be had and Init fails.
    explicit CSidetoneStream(RenderEndpointFactory factory);
    // Stops the render thread, which closes the endpoint.
    ~CSidetoneStream() override;
    CSidetoneStream(const CSidetoneStream&) = delete;
    CSidetoneStream& operator=(const CSidetoneStream&) = delete;

    void SetFrequency(double hz) override { m_fFrequency = hz; }
    void SetVolume(double volume) override { m_fVolume = volume; }
    void SetEdgeMs(double ms) override { m_fEdgeMs = ms; }
    // Starts the render thread and waits for its first opening: nonzero
    // when an endpoint opened, 0 (and no thread left) when none did. A
    // second Init starts afresh.
    int Init(void* windowHandle) override;
    int ToneOn() override;
    int ToneOff() override;

    // Endpoints opened so far (1 after Init; one more per reopening).
    int32_t GetOpenCount() const { return m_nOpenCount.load(); }
    // Whether an endpoint is open at the moment.
    bool IsOpen() const { return m_bOpen.load() != 0; }

    // How long the render thread waits for a period before it writes
    // anyway, and before it tries a lost device again.
    static constexpr uint32_t WAIT_MS = 100;
    static constexpr uint32_t REOPEN_MS = 100;
    // How long Init waits for the first opening.
    static constexpr uint32_t OPEN_TIMEOUT_MS = 5000;

private:
    void Run();
    void StopThread();
    void ReportFirstOpen(int result);
    // Sleeps up to ms unless the thread is being stopped; false when it is.
    bool Pause(uint32_t ms);

    RenderEndpointFactory m_factory;
    CSidetoneRenderer m_renderer;
    double m_fFrequency = 1000.0;
    double m_fVolume = 1.0;
    double m_fEdgeMs = 0.0;

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_cond;
    bool m_bStop = false;         // guarded by m_mutex
    int m_nFirstOpen = -1;        // guarded by m_mutex: -1 pending, 0 failed, 1 opened
    std::atomic<int32_t> m_bRunning{0};
    std::atomic<int32_t> m_bOpen{0};
    std::atomic<int32_t> m_nOpenCount{0};
};
