// Support of the station's robustness tests: a watchdog that ends a hung
// step with a message instead of letting the test program hang, a loopback
// peer that records the key frames the station sends it, a raw datagram
// sender, the station built from whatever vardo.ini holds, field-by-field
// comparison of setting values, and the process's resource counts.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/vardomainwindow.h"
#include "net/udpsocket.h"
#include "settings/vardosetting.h"
#include "ui/windowhost.h"

// Bound for one step that must finish (a shutdown, a whole table row);
// generous, since a loaded machine or Wine may be slow; never a speed check.
#ifdef _WIN32
constexpr int ROBUST_BOUND_MS = 30000;
#else
constexpr int ROBUST_BOUND_MS = 15000;
#endif

// Aborts the process with a message when it is not destroyed within ms.
class CWatchdog {
public:
    CWatchdog(std::string what, int ms);
    ~CWatchdog();
    CWatchdog(const CWatchdog&) = delete;
    CWatchdog& operator=(const CWatchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bDone = false;
    std::thread m_thread;
};

// 127.0.0.1 in network byte order.
uint32_t LoopbackAddress();

struct tagPeerFrame {
    uint32_t nKey;  // the record's key word
    std::chrono::steady_clock::time_point tWhen;
};

// A peer station on a free loopback port that only listens: every valid
// key frame it receives is recorded with its arrival time.
class CLoopbackPeer {
public:
    CLoopbackPeer();
    ~CLoopbackPeer();
    CLoopbackPeer(const CLoopbackPeer&) = delete;
    CLoopbackPeer& operator=(const CLoopbackPeer&) = delete;

    bool IsOpen() const { return m_nPort != 0; }
    uint16_t Port() const { return m_nPort; }
    std::vector<tagPeerFrame> Frames() const;
    size_t FrameCount() const;
    // Waits until at least count frames arrived; false after ms.
    bool WaitForFrames(size_t count, int ms) const;
    // Drops what was recorded.
    void Clear();

private:
    void ReceiveLoop();

    CSocketLibrary m_library;
    CUdpSocket m_socket;
    uint16_t m_nPort = 0;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_arrived;
    std::vector<tagPeerFrame> m_frames;
    std::thread m_thread;
};

// Sends datagrams of any content to a loopback port.
class CDatagramSender {
public:
    CDatagramSender();
    bool IsOpen() const { return m_bOk; }
    int Send(uint16_t port, const void* data, int size);
    int SendKey(uint16_t port, uint32_t down);

private:
    CSocketLibrary m_library;
    CUdpSocket m_socket;
    bool m_bOk = false;
};

// The station as the entry builds it: the store loaded from ./vardo.ini
// (never reset to defaults), the platform's test window at the stored
// rectangle, the station on it with a silent sound input and a recording
// sidetone. Nothing started.
class CLoadedStation {
public:
    CLoadedStation();
    ~CLoadedStation();
    CLoadedStation(const CLoadedStation&) = delete;
    CLoadedStation& operator=(const CLoadedStation&) = delete;

    CVardoSetting& Settings() { return *m_pSettings; }
    CVardoMainWindow* Station() { return m_pStation.get(); }
    IWindowHost* Host() { return m_pHost.get(); }
    // The sidetone's ON events of the station alive now, or of the station
    // deleted last.
    int ToneOnCount();
    // Destroys the station (under the watchdog); the store and host stay.
    void DestroyStation(const std::string& what);
    // Destroys station, host and store; the store writes vardo.ini.
    void DestroyAll(const std::string& what);

private:
    std::unique_ptr<CVardoSetting> m_pSettings;
    std::unique_ptr<IWindowHost> m_pHost;
    std::unique_ptr<CVardoMainWindow> m_pStation;
};

// Makes every station built later sound into a recording null output.
void UseRecordingSidetone();

// Writes text as ./vardo.ini, replacing what was there.
bool WriteIniFile(const std::string& text);

// Names of the fields of two value records that differ (empty when equal),
// with both values, for a test message.
std::string DiffSettingValues(const SettingValues& a, const SettingValues& b);
std::string DiffHosts(const std::vector<tagHostNode>& a, const std::vector<tagHostNode>& b);

// What the process holds; -1 for a count the platform does not give.
struct tagProcessCounts {
    long threads;
    long fds;      // open descriptors (native)
    long handles;  // kernel handles (Windows)
    long gdi;      // GDI objects (Windows), up to a constant
    long rssKb;    // resident memory
};
tagProcessCounts ReadProcessCounts();
// The GDI count is slow where it must be probed (Wine); read only when asked.
long ReadGdiObjectCount();
