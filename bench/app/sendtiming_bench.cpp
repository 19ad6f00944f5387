// How true the automatic sender's timing is: a station sends 200 characters
// (groups of five with word gaps) to a peer on loopback UDP; the peer stamps
// every key frame as it arrives, and the stretches between the frames are
// compared with what the timing settings ask for. Prints the median, 99th
// percentile and largest error of the marks (elements) and of the spaces
// (element, letter and word gaps), at the peer and at the sidetone calls
// (the times the recording null output logged the player's start and stop
// calls: no sound is made or measured here), plus the drift over the whole
// text. The serial key line is keyed beside the sidetone: each key-line
// edge is compared with the sidetone event it belongs to (median, 99th
// percentile and largest distance).
//
// The station runs on a window host without a display and with a recording
// sidetone, so the same program measures natively and under Wine.
//   bench_app_sendtiming_bench [wpm] [com]   (default 30 WPM)
// With a COM port number the station keys that real port, and an edge is
// stamped when the line change has returned; without it, a recording port.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/vardomainwindow.h"
#include "audio/memorycapturesource.h"
#include "audio/tonenulloutput.h"
#include "audio/toneplayer.h"
#include "audio/vdwavecapture.h"
#include "hw/fakeserialline.h"
#include "hw/serialkeyer.h"
#include "morse/keyingtiming.h"
#include "net/networklink.h"
#include "settings/vardosetting.h"
#include "ui/drawsurface.h"
#include "ui/windowhost.h"

namespace {

using Clock = std::chrono::steady_clock;

// A drawing surface that draws nothing: the benchmark needs no pixels.
class CNullSurface : public CDrawSurface {
public:
    CNullSurface(int w, int h) : m_w(w), m_h(h) {}
    void BeginPaint() override {}
    void EndPaint() override {}
    const VdRect* GetPaintRect() override { return nullptr; }
    void SetOrigin(int, int) override {}
    void SetPenColor(VdColor) override {}
    void SetBrushColor(VdColor) override {}
    void DrawRoundRect(const VdRect*, int, int) override {}
    void DrawText(const VdRect*, const char*, unsigned) override {}
    void SelectFont(CFontDesc*) override {}
    void Blit(const VdRect*, const CDrawSurface*, int, int) override {}
    void FillRect(const VdRect*) override {}
    void DrawLine(int, int, int, int) override {}
    void DrawBrokenLine(int, int, int, int) override {}
    int GetWidth() const override { return m_w; }
    int GetHeight() const override { return m_h; }
    VdColor GetPixel(int, int) const override { return 0; }

private:
    int m_w, m_h;
};

class CNullHost : public IWindowHost {
public:
    int Invalidate(const VdRect*) override { return 1; }
    CDrawSurface* CreateWindowSurface() override { return new CNullSurface(352, 434); }
    CDrawSurface* CreateSurface(int w, int h) override { return new CNullSurface(w, h); }
    void GetClientRect(VdRect* out) override { *out = VdRect{0, 0, 352, 434}; }
    void GetWindowRect(VdRect* out) override { *out = VdRect{0, 0, 360, 480}; }
    void* GetNativeHandle() override { return nullptr; }
};

struct tagTransition {
    int down;
    Clock::time_point when;
};

// The peer: stamps every frame the station sends.
class CStampingPeer : public INetworkFrameListener {
public:
    int OnNetworkFrame(void*, const void* record8) override {
        const tagKeyRecord r = ReadKeyRecord(record8);
        std::lock_guard<std::mutex> lock(m_lock);
        m_transitions.push_back(tagTransition{static_cast<int>(r.nKey & 1u), Clock::now()});
        m_arrived.notify_all();
        return 1;
    }
    bool WaitFor(size_t count, int seconds) {
        std::unique_lock<std::mutex> lock(m_lock);
        return m_arrived.wait_for(lock, std::chrono::seconds(seconds), [&] { return m_transitions.size() >= count; });
    }
    std::vector<tagTransition> Transitions() {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_transitions;
    }

private:
    std::mutex m_lock;
    std::condition_variable m_arrived;
    std::vector<tagTransition> m_transitions;
};

struct tagSpan {
    int down;
    double ms;
};

void AppendRecord(const tagMorseCode& code, const tagKeyDurations& d, std::vector<tagSpan>* out) {
    auto add = [&](int down, double ms) {
        if (!out->empty() && out->back().down == down) {
            out->back().ms += ms;
        } else {
            out->push_back(tagSpan{down, ms});
        }
    };
    if ((code.nChar & 0xFF) == '_') {
        add(0, d.worddelay);
    } else {
        ForEachMorseElement(code, [&](bool dot) {
            add(1, dot ? d.shorthit : d.longhit);
            add(0, d.hitdelay);
        });
    }
    add(0, d.letterdelay);
}

std::vector<tagSpan> SpansOf(const std::vector<tagTransition>& t) {
    std::vector<tagSpan> spans;
    for (size_t i = 0; i + 1 < t.size(); ++i) {
        spans.push_back(tagSpan{t[i].down, std::chrono::duration<double, std::milli>(t[i + 1].when - t[i].when).count()});
    }
    return spans;
}

double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    std::sort(v.begin(), v.end());
    const size_t i = static_cast<size_t>(std::ceil(p * static_cast<double>(v.size()))) - 1;
    return v[std::min(i, v.size() - 1)];
}

void Report(const char* where, const std::vector<tagSpan>& want, const std::vector<tagSpan>& got) {
    std::vector<double> marks, spaces;
    double wantTotal = 0.0, gotTotal = 0.0;
    const size_t n = std::min(want.size(), got.size());
    for (size_t i = 0; i < n; ++i) {
        const double err = std::fabs(got[i].ms - want[i].ms);
        (want[i].down ? marks : spaces).push_back(err);
        wantTotal += want[i].ms;
        gotTotal += got[i].ms;
    }
    std::printf("%s: %zu stretches measured (%zu expected)\n", where, got.size(), want.size());
    std::printf("  element error ms: median %.2f  p99 %.2f  max %.2f  (%zu marks)\n", Percentile(marks, 0.5),
                Percentile(marks, 0.99), Percentile(marks, 1.0), marks.size());
    std::printf("  gap error ms:     median %.2f  p99 %.2f  max %.2f  (%zu spaces)\n", Percentile(spaces, 0.5),
                Percentile(spaces, 0.99), Percentile(spaces, 1.0), spaces.size());
    std::printf("  drift over the text: %+.2f ms of %.0f ms\n", gotTotal - wantTotal, wantTotal);
}

// A real port whose line changes are stamped into the log once they have
// returned, so the system call's own time counts.
class CStampedSerialLine : public ISerialLine {
public:
    CStampedSerialLine(std::unique_ptr<ISerialLine> line, CSerialLineLog* log, int32_t port)
        : m_pLine(std::move(line)), m_pLog(log), m_nPort(port) {}
    int SetLine(int32_t line, int32_t asserted) override {
        const int ok = m_pLine->SetLine(line, asserted);
        if (!ok) ++m_nFailed;
        m_pLog->Record(SERIAL_EVENT_SET, m_nPort, line, asserted);
        return ok;
    }
    static int Failed() { return m_nFailed; }

private:
    std::unique_ptr<ISerialLine> m_pLine;
    CSerialLineLog* m_pLog;
    int32_t m_nPort;
    static int m_nFailed;
};
int CStampedSerialLine::m_nFailed = 0;

// Key-line edges against the sidetone's events, pair by pair.
void ReportKeyLine(const std::vector<tagTransition>& tone, const std::vector<tagSerialEvent>& line) {
    std::vector<tagTransition> edges;
    for (const tagSerialEvent& e : line) {
        const int down = e.level;
        if (edges.empty() ? down == 1 : down != edges.back().down) edges.push_back(tagTransition{down, e.when});
    }
    std::vector<double> dist;
    size_t mismatched = 0;
    for (size_t i = 0; i < std::min(tone.size(), edges.size()); ++i) {
        if (tone[i].down != edges[i].down) ++mismatched;
        dist.push_back(std::fabs(std::chrono::duration<double, std::milli>(edges[i].when - tone[i].when).count()));
    }
    std::printf("serial key line vs local sidetone: %zu edges (%zu sidetone events, %zu out of step)\n",
                edges.size(), tone.size(), mismatched);
    std::printf("  edge distance ms: median %.4f  p99 %.4f  max %.4f\n", Percentile(dist, 0.5),
                Percentile(dist, 0.99), Percentile(dist, 1.0));
}

}  // namespace

int main(int argc, char** argv) {
    const int wpm = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int com = argc > 2 ? std::atoi(argv[2]) : 0;
    CSerialLineLog serialLog;
    if (com > 0) {
        SetSerialLineOpener([&serialLog](int32_t port, int32_t* error) -> std::unique_ptr<ISerialLine> {
            std::unique_ptr<ISerialLine> real = OpenPlatformSerialLine(port, error);
            if (real == nullptr) return nullptr;
            return std::unique_ptr<ISerialLine>(new CStampedSerialLine(std::move(real), &serialLog, port));
        });
    } else {
        SetSerialLineOpener(serialLog.Opener());
    }
    SetToneOutputFactory(CreateToneNullOutput);
    // The settings store reads and writes ./vardo.ini: keep it out of the
    // directory the benchmark was started in.
    std::error_code ec;
    const std::filesystem::path scratch = std::filesystem::temp_directory_path(ec) / "vardo-sendtiming-bench";
    std::filesystem::create_directories(scratch, ec);
    std::filesystem::current_path(scratch, ec);

    // The settings: defaults (whatever vardo.ini says is put aside), the
    // speed asked for, and the peer as the one host.
    CVardoSetting settings;
    SettingValues v;
    SetDefaultSettingValues(&v);
    tagKeyDurations d{};
    SpeedToDurations(wpm, &d);
    v.shorthit = d.shorthit;
    v.longhit = d.longhit;
    v.hitdelay = d.hitdelay;
    v.letterdelay = d.letterdelay;
    v.worddelay = d.worddelay;
    v.nwenabled = 1;
    v.localport = 0;
    v.serialkey = 1;
    v.serialport = com > 0 ? com : 1;
    settings.CopyValuesFrom(v);

    CStampingPeer stamps;
    CNetworkLink peer;
    peer.SetFrameListener(&stamps);
    if (!peer.Start(0)) {
        std::printf("the peer could not open a UDP port\n");
        return 1;
    }
    tagHostNode node{};
    std::strcpy(node.host, "127.0.0.1");
    std::snprintf(node.port, sizeof(node.port), "%u", static_cast<unsigned>(peer.GetBoundPort()));
    settings.hosts.assign(1, node);

    CNullHost host;
    std::unique_ptr<CVardoMainWindow> station(new CVardoMainWindow(&host, &settings));
    station->GetCapture()->SetCaptureSource(std::unique_ptr<ICaptureSource>(
        new CMemoryCaptureSource(44100, std::vector<int16_t>(), false, CMemoryCaptureSource::CLOCK_STEADY)));
    if (com > 0 && !station->GetSerialKeyer()->IsReady()) {
        std::printf("COM%d could not be opened\n", com);
        return 1;
    }
    if (!station->Start() || !station->EnableNetwork()) {
        std::printf("the station did not start\n");
        return 1;
    }

    // 200 characters: groups of five table characters, a space after each.
    std::string text;
    unsigned seed = 73;
    const char* chars = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/-.?()";
    const size_t nChars = std::strlen(chars);
    while (text.size() < 200) {
        for (int i = 0; i < 5 && text.size() < 200; ++i) {
            seed = seed * 1103515245u + 12345u;
            text.push_back(chars[(seed >> 16) % nChars]);
        }
        if (text.size() < 200) text.push_back(' ');
    }
    std::vector<tagSpan> want;
    for (char c : text) {
        AppendRecord(*FindCode(station->GetMorseTable(), c), station->GetTiming().keys, &want);
    }
    if (!want.empty() && want.back().down == 0) want.pop_back();
    size_t transitions = 0;
    for (const tagSpan& s : want) transitions += s.down;
    transitions *= 2;

    std::printf("sending %zu characters at %d WPM (dot %d ms, dash %d, gaps %d/%d/%d)\n", text.size(), wpm,
                d.shorthit, d.longhit, d.hitdelay, d.letterdelay, d.worddelay);
    std::fflush(stdout);
    station->EnqueueText(text.data(), static_cast<int>(text.size()), 0);
    const bool complete = stamps.WaitFor(transitions, 900);
    CToneNullOutput* tone = dynamic_cast<CToneNullOutput*>(station->GetTonePlayer()->GetOutput());
    std::vector<tagTransition> local;
    if (tone != nullptr) {
        for (const tagToneEvent& e : tone->Events()) {
            local.push_back(tagTransition{e.nState == TONE_EVENT_ON ? 1 : 0, e.tWhen});
        }
    }
    const std::vector<tagSerialEvent> keyLine = serialLog.LineEvents(SERIAL_LINE_DTR);
    station.reset();
    peer.Stop();
    if (!complete) std::printf("(not every frame arrived)\n");
    Report("at the peer (loopback UDP)", want, SpansOf(stamps.Transitions()));
    Report("at the sidetone calls (null output timestamps, no sound)", want, SpansOf(local));
    if (com > 0) {
        std::printf("COM%d (a real port): %d line changes failed\n", com, CStampedSerialLine::Failed());
    } else {
        std::printf("recording serial port\n");
    }
    ReportKeyLine(local, keyLine);
    return 0;
}
