// CSidetoneStream: the sidetone as a stream. A render thread opens the
// default output (IRenderEndpoint), wakes once per device period and
// renders that period's samples, silence or tone, from a CSidetoneRenderer
// that the keying threads feed with timed key events. While the key is
// worked it writes every period; once the tone has been quiet for a while it
// stops writing silence until the next key-down (see IDLE_QUIET_MS). So a
// key event reaches the sound within about one period plus what is queued,
// and every tone is as long as the key was held.
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
#include <vector>

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
    // After this long without tone the thread stops writing silence and
    // lets the stream run dry until the next key-down. Under Wine every
    // stretch of silence written keeps a queue below the sound API full
    // (the 32-bit path held about 40 ms more than the 64-bit one), and a
    // stream that ran dry starts the next tone from an empty queue; on
    // Windows the engine plays silence for a stream that is not fed. While
    // the key is worked, silence is written without a break, so element
    // and gap lengths stay exact.
    static constexpr uint32_t IDLE_QUIET_MS = 150;

private:
    void Run();
    void StopThread();
    void ReportFirstOpen(int result);
    // Sleeps up to ms unless the thread is being stopped; false when it is.
    bool Pause(uint32_t ms);

    // Whether the block just rendered is silence that need not be written:
    // the tone has been quiet for IDLE_QUIET_MS. Render thread only.
    bool SkipQuietBlock(const std::vector<int16_t>& block, int32_t rate);

    RenderEndpointFactory m_factory;
    CSidetoneRenderer m_renderer;
    // Frames rendered since the tone last sounded; a new stream starts
    // quiet, so nothing is queued before the first key-down.
    int64_t m_nQuietFrames = 0;
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
