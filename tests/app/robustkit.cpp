// Robustness test support (see robustkit.h).
#include "tests/app/robustkit.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "audio/memorycapturesource.h"
#include "audio/tonenulloutput.h"
#include "audio/toneplayer.h"
#include "audio/vdwavecapture.h"
#include "net/keyframe.h"
#include "tests/app/stationkit.h"

CWatchdog::CWatchdog(std::string what, int ms) {
    m_thread = std::thread([this, what, ms] {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_wake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_bDone; })) {
            std::fprintf(stderr, "watchdog: '%s' did not finish within %d ms\n", what.c_str(), ms);
            std::fflush(stderr);
            std::abort();
        }
    });
}

CWatchdog::~CWatchdog() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bDone = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

uint32_t LoopbackAddress() {
    const uint8_t bytes[4] = {127, 0, 0, 1};
    uint32_t v;
    std::memcpy(&v, bytes, 4);
    return v;
}

CLoopbackPeer::CLoopbackPeer() {
    if (!m_library.Acquire() || !m_socket.Open() || !m_socket.Bind(0)) {
        return;
    }
    m_nPort = m_socket.LocalPort();
    m_thread = std::thread([this] { ReceiveLoop(); });
}

CLoopbackPeer::~CLoopbackPeer() {
    m_socket.Close();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CLoopbackPeer::ReceiveLoop() {
    uint8_t buffer[256];
    while (m_socket.IsOpen()) {
        const int n = m_socket.RecvFrom(buffer, sizeof buffer);
        if (n < 0) {
            if (!m_socket.IsOpen()) {
                break;
            }
            continue;
        }
        const void* record = nullptr;
        if (!CheckKeyFrame(buffer, n, &record)) {
            continue;
        }
        const tagKeyRecord r = ReadKeyRecord(record);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_frames.push_back(tagPeerFrame{r.nKey, std::chrono::steady_clock::now()});
        }
        m_arrived.notify_all();
    }
}

std::vector<tagPeerFrame> CLoopbackPeer::Frames() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames;
}

size_t CLoopbackPeer::FrameCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_frames.size();
}

bool CLoopbackPeer::WaitForFrames(size_t count, int ms) const {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_for(lock, std::chrono::milliseconds(ms), [&] { return m_frames.size() >= count; });
}

void CLoopbackPeer::Clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_frames.clear();
}

CDatagramSender::CDatagramSender() { m_bOk = m_library.Acquire() && m_socket.Open(); }

int CDatagramSender::Send(uint16_t port, const void* data, int size) {
    return m_bOk && m_socket.SendTo(data, size, LoopbackAddress(), port);
}

int CDatagramSender::SendKey(uint16_t port, uint32_t down) {
    uint8_t frame[KEY_FRAME_SIZE];
    BuildKeyFrame(tagKeyRecord{down, 0}, frame);
    return Send(port, frame, KEY_FRAME_SIZE);
}

void UseRecordingSidetone() { SetToneOutputFactory(CreateToneNullOutput); }

CLoadedStation::CLoadedStation() {
    UseRecordingSidetone();
    m_pSettings.reset(new CVardoSetting());
    m_pHost = CreateStationHost(m_pSettings->windowrect);
    m_pStation.reset(new CVardoMainWindow(m_pHost.get(), m_pSettings.get()));
    m_pStation->GetCapture()->SetCaptureSource(std::unique_ptr<ICaptureSource>(
        new CMemoryCaptureSource(44100, std::vector<int16_t>(), false, CMemoryCaptureSource::CLOCK_STEADY)));
}

CLoadedStation::~CLoadedStation() { DestroyAll("station teardown"); }

int CLoadedStation::ToneOnCount() {
    if (!m_pStation) {
        return 0;
    }
    CToneNullOutput* tone = dynamic_cast<CToneNullOutput*>(m_pStation->GetTonePlayer()->GetOutput());
    int n = 0;
    if (tone != nullptr) {
        for (const tagToneEvent& e : tone->Events()) {
            n += e.nState == TONE_EVENT_ON ? 1 : 0;
        }
    }
    return n;
}

void CLoadedStation::DestroyStation(const std::string& what) {
    CWatchdog watchdog(what + ": station shutdown", ROBUST_BOUND_MS);
    m_pStation.reset();
}

void CLoadedStation::DestroyAll(const std::string& what) {
    DestroyStation(what);
    m_pHost.reset();
    m_pSettings.reset();
}

bool WriteIniFile(const std::string& text) {
    std::FILE* f = std::fopen("vardo.ini", "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

namespace {

class CDiff {
public:
    template <typename T>
    void Field(const char* name, const T& a, const T& b) {
        if (!(a == b)) {
            m_out << name << ": " << a << " vs " << b << "; ";
        }
    }
    void Rect(const char* name, const VdRect& a, const VdRect& b) {
        Field(name, RectText(a), RectText(b));
    }
    void Point(const char* name, const VdPoint& a, const VdPoint& b) {
        Field(name, std::to_string(a.x) + "," + std::to_string(a.y), std::to_string(b.x) + "," + std::to_string(b.y));
    }
    void Button(const char* name, const tagPanelButton& a, const tagPanelButton& b) {
        Field(name, ButtonText(a), ButtonText(b));
    }
    std::string Text() const { return m_out.str(); }

private:
    static std::string RectText(const VdRect& r) {
        std::ostringstream s;
        s << r.left << "," << r.top << "," << r.right << "," << r.bottom;
        return s.str();
    }
    static std::string ButtonText(const tagPanelButton& b) {
        std::ostringstream s;
        s << b.x << "," << b.y << "," << b.width << "," << b.height << "," << b.key << ","
          << std::string(b.caption, strnlen(b.caption, sizeof b.caption));
        return s.str();
    }
    std::ostringstream m_out;
};

}  // namespace

std::string DiffSettingValues(const SettingValues& a, const SettingValues& b) {
    CDiff d;
    d.Field("beepfreq", a.beepfreq, b.beepfreq);
    d.Field("beepvol", a.beepvol, b.beepvol);
    d.Field("shorthit", a.shorthit, b.shorthit);
    d.Field("longhit", a.longhit, b.longhit);
    d.Field("hitdelay", a.hitdelay, b.hitdelay);
    d.Field("letterdelay", a.letterdelay, b.letterdelay);
    d.Field("worddelay", a.worddelay, b.worddelay);
    d.Rect("windowrect", a.windowrect, b.windowrect);
    d.Field("sendperiod", a.sendperiod, b.sendperiod);
    d.Field("sendidlelimit", a.sendidlelimit, b.sendidlelimit);
    d.Rect("sendrect", a.sendrect, b.sendrect);
    d.Point("sendlabeloffset", a.sendlabeloffset, b.sendlabeloffset);
    d.Rect("sendqueuerect", a.sendqueuerect, b.sendqueuerect);
    d.Field("recvperiod", a.recvperiod, b.recvperiod);
    d.Field("recvidlelimit", a.recvidlelimit, b.recvidlelimit);
    d.Rect("recvrect", a.recvrect, b.recvrect);
    d.Point("recvlabeloffset", a.recvlabeloffset, b.recvlabeloffset);
    d.Rect("recvmrect", a.recvmrect, b.recvmrect);
    d.Field("recvanalyzesamples", a.recvanalyzesamples, b.recvanalyzesamples);
    d.Field("recvthreshold", a.recvthreshold, b.recvthreshold);
    d.Field("recvfreqstart", a.recvfreqstart, b.recvfreqstart);
    d.Field("recvfreqend", a.recvfreqend, b.recvfreqend);
    d.Button("cw", a.cw, b.cw);
    d.Button("sendpause", a.sendpause, b.sendpause);
    d.Button("sendfile", a.sendfile, b.sendfile);
    d.Button("autokeyswitch", a.autokeyswitch, b.autokeyswitch);
    d.Field("charlist", std::string(a.charlist, strnlen(a.charlist, sizeof a.charlist)),
            std::string(b.charlist, strnlen(b.charlist, sizeof b.charlist)));
    d.Field("koch_wordlen", a.koch_wordlen, b.koch_wordlen);
    for (int i = 0; i < MORSE_CODE_COUNT; ++i) {
        const tagMorseCode& x = a.morseTable[i];
        const tagMorseCode& y = b.morseTable[i];
        if (x.nChar != y.nChar || x.nCode != y.nCode || x.nMask != y.nMask || x.nVKey != y.nVKey) {
            d.Field("morse record", i, -1);
        }
    }
    d.Field("enableextport", a.enableextport, b.enableextport);
    d.Field("extportaddr", a.extportaddr, b.extportaddr);
    d.Field("openbyte", static_cast<int>(a.openbyte), static_cast<int>(b.openbyte));
    d.Field("closebyte", static_cast<int>(a.closebyte), static_cast<int>(b.closebyte));
    d.Field("serialkey", a.serialkey, b.serialkey);
    d.Field("serialport", a.serialport, b.serialport);
    d.Field("serialline", a.serialline, b.serialline);
    d.Field("serialinvert", a.serialinvert, b.serialinvert);
    d.Field("serialptt", a.serialptt, b.serialptt);
    d.Field("pttlead", a.pttlead, b.pttlead);
    d.Field("ptttail", a.ptttail, b.ptttail);
    d.Field("localport", a.localport, b.localport);
    d.Field("nwenabled", a.nwenabled, b.nwenabled);
    return d.Text();
}

std::string DiffHosts(const std::vector<tagHostNode>& a, const std::vector<tagHostNode>& b) {
    CDiff d;
    d.Field("host count", a.size(), b.size());
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        d.Field("host", std::string(a[i].host, strnlen(a[i].host, sizeof a[i].host)) + ":" +
                            std::string(a[i].port, strnlen(a[i].port, sizeof a[i].port)),
                std::string(b[i].host, strnlen(b[i].host, sizeof b[i].host)) + ":" +
                    std::string(b[i].port, strnlen(b[i].port, sizeof b[i].port)));
    }
    return d.Text();
}
