// Station test support (see stationkit.h).
#include "tests/app/stationkit.h"

#include <cstdio>
#include <mutex>
#include <thread>

#include "audio/memorycapturesource.h"
#include "audio/toneplayer.h"
#include "audio/vdwavecapture.h"
#include "ui/vdlabel.h"

std::vector<tagSpan> SpansOf(const std::vector<tagTransition>& transitions) {
    std::vector<tagSpan> spans;
    for (size_t i = 0; i + 1 < transitions.size(); ++i) {
        const double ms =
            std::chrono::duration<double, std::milli>(transitions[i + 1].when - transitions[i].when).count();
        spans.push_back(tagSpan{transitions[i].down, ms});
    }
    return spans;
}

void AppendExpectedSpans(const tagMorseCode& code, const tagKeyDurations& d, std::vector<tagSpan>* out) {
    tagKeySegment seg[MAX_KEY_SEGMENTS];
    const int n = LayoutKeyTimeline(code, d, seg, MAX_KEY_SEGMENTS);
    for (int i = 0; i < n; ++i) {
        out->push_back(tagSpan{seg[i].down, static_cast<double>(seg[i].ms)});
    }
}

std::vector<tagSpan> MergeSpans(const std::vector<tagSpan>& spans) {
    std::vector<tagSpan> merged;
    for (const tagSpan& s : spans) {
        if (!merged.empty() && merged.back().down == s.down) {
            merged.back().ms += s.ms;
        } else {
            merged.push_back(s);
        }
    }
    return merged;
}

std::string SpansText(const std::vector<tagSpan>& spans) {
    std::string text;
    char item[32];
    for (const tagSpan& s : spans) {
        std::snprintf(item, sizeof(item), "%s%.0f ", s.down ? "+" : "-", s.ms);
        text += item;
    }
    return text;
}

namespace {

std::mutex g_keptLock;
std::vector<tagToneEvent> g_keptEvents;

// A recording output that leaves its log behind when the station deletes it.
class CKeptToneOutput : public CToneNullOutput {
public:
    ~CKeptToneOutput() override {
        std::lock_guard<std::mutex> lock(g_keptLock);
        g_keptEvents = Events();
    }
};

std::unique_ptr<IToneOutput> CreateKeptToneOutput() { return std::unique_ptr<IToneOutput>(new CKeptToneOutput()); }

}  // namespace

std::vector<tagToneEvent> LastDeletedToneEvents() {
    std::lock_guard<std::mutex> lock(g_keptLock);
    return g_keptEvents;
}

CStationRig::CStationRig(const Tweak& tweak, bool start) {
    // Every station of the test program sounds into the recording output.
    SetToneOutputFactory(CreateKeptToneOutput);
    m_pSettings.reset(new CVardoSetting());
    // An earlier rig saved its values to vardo.ini; start from the defaults.
    SettingValues defaults;
    SetDefaultSettingValues(&defaults);
    m_pSettings->CopyValuesFrom(defaults);
    m_pSettings->hosts.clear();
    m_pSettings->nwenabled = 0;
    if (tweak) {
        tweak(*m_pSettings);
    }
    m_pHost = CreateStationHost(m_pSettings->windowrect);
    m_pStation.reset(new CVardoMainWindow(m_pHost.get(), m_pSettings.get()));
    // A silent sound input on the steady clock, the same on every platform.
    m_pStation->GetCapture()->SetCaptureSource(std::unique_ptr<ICaptureSource>(
        new CMemoryCaptureSource(44100, std::vector<int16_t>(), false, CMemoryCaptureSource::CLOCK_STEADY)));
    if (start) {
        m_pStation->Start();
    }
}

CStationRig::~CStationRig() {
    m_pStation.reset();
    m_pHost.reset();
    m_pSettings.reset();
}

CToneNullOutput* CStationRig::Tone() {
    return dynamic_cast<CToneNullOutput*>(m_pStation->GetTonePlayer()->GetOutput());
}

std::vector<tagTransition> CStationRig::ToneTransitions() {
    std::vector<tagTransition> out;
    CToneNullOutput* tone = Tone();
    if (tone == nullptr) {
        return out;
    }
    for (const tagToneEvent& e : tone->Events()) {
        out.push_back(tagTransition{e.nState == TONE_EVENT_ON ? 1 : 0, e.tWhen});
    }
    return out;
}

int CStationRig::ToneOnCount() {
    int n = 0;
    for (const tagTransition& t : ToneTransitions()) {
        n += t.down;
    }
    return n;
}

int CStationRig::KeyDown(int vk) { return m_pStation->HandleMessage(VD_WM_KEYDOWN, static_cast<VdWParam>(vk), 0); }
int CStationRig::KeyUp(int vk) { return m_pStation->HandleMessage(VD_WM_KEYUP, static_cast<VdWParam>(vk), 0); }

void CStationRig::Press(int vk) {
    KeyDown(vk);
    KeyUp(vk);
}

namespace {
VdLParam PointParam(int x, int y) {
    return static_cast<VdLParam>((static_cast<uint32_t>(y & 0xFFFF) << 16) | static_cast<uint32_t>(x & 0xFFFF));
}
}  // namespace

int CStationRig::MouseDown(int button, int x, int y) {
    return m_pStation->HandleMessage(button == VD_MOUSE_RIGHT ? VD_WM_RBUTTONDOWN : VD_WM_LBUTTONDOWN, 0,
                                     PointParam(x, y));
}

int CStationRig::MouseUp(int button, int x, int y) {
    return m_pStation->HandleMessage(button == VD_MOUSE_RIGHT ? VD_WM_RBUTTONUP : VD_WM_LBUTTONUP, 0,
                                     PointParam(x, y));
}

VdPoint CStationRig::Centre(const VdRect& r) { return VdPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

bool CStationRig::WaitUntil(const std::function<bool()>& pred, int ms) {
    const auto end = TestClock::now() + std::chrono::milliseconds(ms);
    while (TestClock::now() < end) {
        if (pred()) {
            return true;
        }
        PumpStationMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return pred();
}

bool CStationRig::WaitUntilSent(int ms) {
    return WaitUntil(
        [this] {
            return m_pStation->GetCodeQueueLength() == 0 && m_pStation->GetPaddleQueueLength() == 0 &&
                   m_pStation->IsSenderWaiting() && !m_pStation->IsKeyDown();
        },
        ms);
}

std::string CStationRig::QueueText() {
    char text[CVdLabel::LABEL_TEXT_MAX + 1] = {};
    m_pStation->GetQueueLabel()->CopyText(text, CVdLabel::LABEL_TEXT_MAX);
    return text;
}

double CStationRig::DestroyStation() {
    const auto begin = TestClock::now();
    m_pStation.reset();
    return std::chrono::duration<double, std::milli>(TestClock::now() - begin).count();
}
