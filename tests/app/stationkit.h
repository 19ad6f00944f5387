// Test support for the station: a station object on the platform's window
// host (headless natively, a real window in the Windows build) with a
// recording sidetone, a silent memory capture and default settings, plus
// the helpers that turn the sidetone's log into timed marks and spaces and
// that key the station through its dispatcher the way window messages do.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/vardomainwindow.h"
#include "audio/tonenulloutput.h"
#include "settings/vardosetting.h"
#include "ui/windowhost.h"

using TestClock = std::chrono::steady_clock;

// Limit for waits on something that must happen; never a measure of speed.
constexpr int WAIT_MS = 20000;

// One stretch of the key line: down (1) or up (0) and its length.
struct tagSpan {
    int32_t down;
    double ms;
};

struct tagTransition {
    int32_t down;
    TestClock::time_point when;
};

// The stretches between consecutive transitions (the last transition opens
// no stretch).
std::vector<tagSpan> SpansOf(const std::vector<tagTransition>& transitions);
// The key line a record is keyed with, as the timing oracle lays it out
// (LayoutKeyTimeline); MergeSpans joins consecutive up stretches, as they
// show on the tone.
void AppendExpectedSpans(const tagMorseCode& code, const tagKeyDurations& d, std::vector<tagSpan>* out);
std::vector<tagSpan> MergeSpans(const std::vector<tagSpan>& spans);
std::string SpansText(const std::vector<tagSpan>& spans);

// The sidetone log of the station deleted last.
std::vector<tagToneEvent> LastDeletedToneEvents();

// The platform's window host for a station window of the default size.
std::unique_ptr<IWindowHost> CreateStationHost(const VdRect& windowRect);
// Delivers what the platform queued for the test windows (nothing natively).
void PumpStationMessages();

class CStationRig {
public:
    using Tweak = std::function<void(CVardoSetting&)>;

    // Default settings (whatever vardo.ini an earlier rig left), changed by
    // tweak, then the station is built; started unless start is false.
    explicit CStationRig(const Tweak& tweak = Tweak(), bool start = true);
    ~CStationRig();
    CStationRig(const CStationRig&) = delete;
    CStationRig& operator=(const CStationRig&) = delete;

    CVardoMainWindow& Station() { return *m_pStation; }
    CVardoSetting& Settings() { return *m_pSettings; }
    CToneNullOutput* Tone();
    // The sidetone's transitions so far.
    std::vector<tagTransition> ToneTransitions();
    int ToneOnCount();

    // Window messages through the dispatcher.
    int KeyDown(int vk);
    int KeyUp(int vk);
    void Press(int vk);
    int MouseDown(int button, int x, int y);
    int MouseUp(int button, int x, int y);
    // Centre of a control's rectangle.
    static VdPoint Centre(const VdRect& r);

    // Polls pred until it holds or ms pass; the result of the last poll.
    static bool WaitUntil(const std::function<bool()>& pred, int ms = WAIT_MS);
    // Waits until everything queued has been keyed and the key is up.
    bool WaitUntilSent(int ms = WAIT_MS);
    std::string QueueText();

    // Destroys the station now; returns how long the destructor took.
    double DestroyStation();

private:
    std::unique_ptr<CVardoSetting> m_pSettings;
    std::unique_ptr<IWindowHost> m_pHost;
    std::unique_ptr<CVardoMainWindow> m_pStation;
};
