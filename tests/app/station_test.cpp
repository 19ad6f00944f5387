// The station keyed as an operator keys it: window messages through its
// dispatcher, timing read from the recording sidetone, decoded text read
// from its send panel. Timing checks allow 25 ms natively (more under Wine)
// for a loaded machine; they check order and durations, never speed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/appglobals.h"
#include "app/filechooser.h"
#include "app/stationjournal.h"
#include "hw/fakeportdriver.h"
#include "hw/portdriver.h"
#include "tests/app/stationkit.h"
#include "ui/vdbutton.h"
#include "ui/vdlabel.h"
#include "ui/vdline.h"

namespace {

#ifdef _WIN32
constexpr double TOLERANCE_MS = 40.0;
#else
constexpr double TOLERANCE_MS = 25.0;
#endif

constexpr int VK_A = 'A';
constexpr int VK_B = 'B';
constexpr int VK_C = 'C';
constexpr int VK_E = 'E';

const tagMorseCode& Record(CStationRig& rig, char c) {
    return *FindCode(rig.Station().GetMorseTable(), c);
}

// The expected key line of a text, as the sender keys it.
std::vector<tagSpan> ExpectedLine(CStationRig& rig, const std::string& text) {
    std::vector<tagSpan> spans;
    for (char c : text) {
        AppendExpectedSpans(Record(rig, c), rig.Station().GetTiming().keys, &spans);
    }
    return MergeSpans(spans);
}

// Compares the tone's stretches with the expected ones: same count (the
// trailing up stretch is open on the tone), same order, each within the
// tolerance.
void ExpectLine(const std::vector<tagSpan>& expected, const std::vector<tagSpan>& got) {
    std::vector<tagSpan> want = expected;
    if (!want.empty() && want.back().down == 0) {
        want.pop_back();
    }
    ASSERT_EQ(want.size(), got.size()) << "expected " << SpansText(want) << "\n     got " << SpansText(got);
    for (size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(want[i].down, got[i].down) << "stretch " << i << ": " << SpansText(got);
        EXPECT_NEAR(want[i].ms, got[i].ms, TOLERANCE_MS) << "stretch " << i << " expected "
                                                         << SpansText(want) << "\n     got " << SpansText(got);
    }
}

void Hold(int ms) { CStationRig::WaitUntil([] { return false; }, ms); }

}  // namespace

// Each panel samples with its own side's period, threshold and idle limit.
// The other side is set so that it could not decode at all (idle limit 0
// feeds nothing; a 1000 ms period makes a 60 ms mark one sample at most and
// the threshold negative), so a panel running on the other side's timing
// shows nothing or the wrong character.
// The window host of a station, counting the requests to repaint the whole
// client area.
class CWholeRepaintCounter : public IWindowHost {
public:
    explicit CWholeRepaintCounter(IWindowHost* host) : m_pHost(host) {}
    int Invalidate(const VdRect* rect) override {
        if (rect == nullptr) ++m_nWhole;
        return m_pHost->Invalidate(rect);
    }
    CDrawSurface* CreateWindowSurface() override { return m_pHost->CreateWindowSurface(); }
    CDrawSurface* CreateSurface(int width, int height) override { return m_pHost->CreateSurface(width, height); }
    void GetClientRect(VdRect* out) override { m_pHost->GetClientRect(out); }
    void GetWindowRect(VdRect* out) override { m_pHost->GetWindowRect(out); }
    void* GetNativeHandle() override { return m_pHost->GetNativeHandle(); }
    int Whole() const { return m_nWhole; }

private:
    IWindowHost* m_pHost;
    int m_nWhole = 0;
};

// The rebuild after the settings dialog's OK repaints the whole window, so
// that no pixel of the old station (its pause caption, mode button, queue
// text) stays.
TEST(StationLifetime, RebuildRepaintsTheWholeWindow) {
    std::unique_ptr<CVardoSetting> settings(new CVardoSetting());
    std::unique_ptr<IWindowHost> host = CreateStationHost(settings->windowrect);
    CWholeRepaintCounter counter(host.get());
    g_pSetting = settings.get();
    g_pWindowHost = &counter;
    ASSERT_EQ(1, RebuildMainWindow());
    PumpStationMessages();
    EXPECT_GE(counter.Whole(), 1) << "the rebuilt station did not repaint the whole window";
    CVardoMainWindow* station = g_pMainWindow;
    g_pMainWindow = nullptr;
    delete station;
    g_pWindowHost = nullptr;
    g_pSetting = nullptr;
}

TEST(StationKeying, SendAndReceivePanelsRunOnTheirOwnTiming) {
    const struct {
        bool remote;  // key the receive panel through a peer's frames
        int32_t sendperiod, sendidle, recvperiod, recvidle;
    } rows[] = {{false, 10, 300, 1000, 0}, {true, 1000, 0, 10, 300}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CStationRig rig([&](CVardoSetting& s) {
            s.sendperiod = rows[i].sendperiod;
            s.sendidlelimit = rows[i].sendidle;
            s.recvperiod = rows[i].recvperiod;
            s.recvidlelimit = rows[i].recvidle;
        });
        const uint8_t down[8] = {1, 0, 0, 0, 0, 0, 0, 0};
        const uint8_t up[8] = {0, 0, 0, 0, 0, 0, 0, 0};
        // A new station feeds each panel for one idle limit's worth of
        // periods from its start (the capture's silence on the receive
        // side); the mark is keyed after that, with room for a loaded
        // machine, so that only the keyed source reaches the panel.
        Hold(2000);
        if (rows[i].remote) {
            rig.Station().OnNetworkFrame(nullptr, down);
        } else {
            rig.KeyDown(VD_VK_RETURN);
        }
        Hold(60);
        if (rows[i].remote) {
            rig.Station().OnNetworkFrame(nullptr, up);
        } else {
            rig.KeyUp(VD_VK_RETURN);
        }
        CStationJournal* panel = rows[i].remote ? rig.Station().GetReceivePanel() : rig.Station().GetSendPanel();
        EXPECT_TRUE(CStationRig::WaitUntil([&] { return panel->GetDecodedText() == "E"; }, 3000))
            << "row " << i << ": expected 'E', got '" << panel->GetDecodedText() << "'";
    }
}

TEST(StationKeying, EnterKeysTheSendPanelWhichDecodesEAndT) {
    CStationRig rig;
    // Hand keying: a short press, then a long one, each followed by enough
    // silence for the decoder to end the character.
    const struct {
        int holdMs;
        const char* decoded;
    } rows[] = {{45, "E"}, {260, "ET"}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        EXPECT_NE(0, rig.KeyDown(VD_VK_RETURN)) << "row " << i;
        EXPECT_EQ(1, rig.Station().IsKeyDown()) << "row " << i;
        Hold(rows[i].holdMs);
        rig.KeyUp(VD_VK_RETURN);
        EXPECT_EQ(0, rig.Station().IsKeyDown()) << "row " << i;
        EXPECT_TRUE(CStationRig::WaitUntil(
            [&] { return rig.Station().GetSendPanel()->GetDecodedText() == rows[i].decoded; }))
            << "row " << i << ": decoded '" << rig.Station().GetSendPanel()->GetDecodedText() << "'";
    }
    // Each press sounded the sidetone once, for about as long as it was held.
    const std::vector<tagSpan> spans = SpansOf(rig.ToneTransitions());
    ASSERT_EQ(3u, spans.size()) << SpansText(spans);
    EXPECT_EQ(1, spans[0].down);
    EXPECT_EQ(1, spans[2].down);
    EXPECT_LT(spans[0].ms, spans[2].ms);
    // Keyed by hand, nothing went through the send queue.
    EXPECT_EQ("", rig.QueueText());
}

TEST(StationKeying, TypedCharactersAreKeyedWithTheirTimingAndLeaveTheQueueLabel) {
    CStationRig rig;
    rig.Press(VK_A);
    rig.Press(VK_B);
    rig.Press(VD_VK_SPACE);
    rig.Press(VK_C);
    // The label shows one character per queued record and loses the first
    // after each record.
    std::vector<std::string> shown{rig.QueueText()};
    ASSERT_TRUE(CStationRig::WaitUntil([&] {
        const std::string now = rig.QueueText();
        if (now != shown.back()) shown.push_back(now);
        return now.empty() && rig.Station().IsSenderWaiting();
    }));
    const std::vector<std::string> labels{"AB_C", "B_C", "_C", "C", ""};
    EXPECT_EQ(labels, shown);
    ExpectLine(ExpectedLine(rig, "AB C"), SpansOf(rig.ToneTransitions()));
    // What was sent is decoded on the send panel like hand keying.
    EXPECT_TRUE(CStationRig::WaitUntil([&] { return rig.Station().GetSendPanel()->GetDecodedText() == "ABC"; }))
        << rig.Station().GetSendPanel()->GetDecodedText();
}

TEST(StationKeying, PortFollowsTheKeyOnlyWhenEnabled) {
    const struct {
        int32_t enabled;
        std::vector<uint32_t> values;  // after the initial key-up byte
    } rows[] = {{0, {}}, {1, {0xA5, 0x5A}}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CFakePortDriver driver;
        CScopedPortDriver installed(&driver);
        ASSERT_TRUE(installed.IsInstalled()) << "row " << i;
        {
            CStationRig rig([&](CVardoSetting& s) {
                s.enableextport = rows[i].enabled;
                s.extportaddr = 0x2F8;
                s.openbyte = 0xA5;
                s.closebyte = 0x5A;
            });
            rig.KeyDown(VD_VK_RETURN);
            rig.KeyUp(VD_VK_RETURN);
        }
        const std::vector<tagPortWrite> writes = driver.Writes();
        ASSERT_EQ(1 + rows[i].values.size(), writes.size()) << "row " << i;
        // The station sets the line to the key-up byte when it is built,
        // enabled or not.
        EXPECT_EQ(0x5Au, writes[0].value) << "row " << i;
        for (size_t k = 0; k < writes.size(); ++k) {
            EXPECT_EQ(0x2F8, writes[k].address) << "row " << i << " write " << k;
            EXPECT_EQ(1, writes[k].size) << "row " << i << " write " << k;
            if (k > 0) {
                EXPECT_EQ(rows[i].values[k - 1], writes[k].value) << "row " << i << " write " << k;
            }
        }
        EXPECT_EQ(0, driver.IsOpen()) << "row " << i << ": the station's destructor closes the driver";
    }
}

TEST(StationLifetime, AKeyHeldByHandGoesUpWhenTheStationGoes) {
    CFakePortDriver driver;
    CScopedPortDriver installed(&driver);
    {
        CStationRig rig([](CVardoSetting& s) { s.enableextport = 1; });
        rig.KeyDown(VD_VK_RETURN);
        rig.DestroyStation();
        const std::vector<tagToneEvent> events = LastDeletedToneEvents();
        ASSERT_EQ(2u, events.size());
        EXPECT_EQ(TONE_EVENT_OFF, events[1].nState);
    }
    const std::vector<tagPortWrite> writes = driver.Writes();
    ASSERT_EQ(3u, writes.size());
    EXPECT_EQ(0xFFu, writes[1].value);
    EXPECT_EQ(0x00u, writes[2].value) << "the line was left keyed";
}

TEST(StationSender, PauseFinishesTheRecordAndContinueGoesOn) {
    CStationRig rig;
    const std::string text = "EEEEE";
    rig.Station().EnqueueText(text.data(), static_cast<int>(text.size()), 0);
    ASSERT_TRUE(CStationRig::WaitUntil([&] { return rig.ToneOnCount() >= 1; }));
    rig.Press(VD_VK_F5);
    EXPECT_EQ(1, rig.Station().IsPaused());
    EXPECT_STREQ("Continue", rig.Station().GetPauseButton()->GetCaption());
    // The record being keyed is finished, then the sender waits.
    ASSERT_TRUE(CStationRig::WaitUntil([&] { return rig.Station().IsSenderWaiting() != 0; }));
    const int keyed = rig.ToneOnCount();
    Hold(500);
    EXPECT_EQ(keyed, rig.ToneOnCount()) << "a paused sender keyed on";
    EXPECT_EQ(text.size() - static_cast<size_t>(keyed), rig.Station().GetCodeQueueLength());
    EXPECT_EQ(text.substr(static_cast<size_t>(keyed)), rig.QueueText());

    rig.Press(VD_VK_F5);
    EXPECT_EQ(0, rig.Station().IsPaused());
    EXPECT_STREQ("Pause", rig.Station().GetPauseButton()->GetCaption());
    ASSERT_TRUE(rig.WaitUntilSent());
    EXPECT_EQ(5, rig.ToneOnCount());
    EXPECT_EQ("", rig.QueueText());
}

TEST(StationSender, FlushDropsWaitingRecordsButNotWhilePaused) {
    const struct {
        bool paused;
        size_t queueAfterFlush;
    } rows[] = {{true, 4}, {false, 0}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CStationRig rig;
        if (rows[i].paused) rig.Press(VD_VK_F5);
        const std::string text = "TEST";
        rig.Station().EnqueueText(text.data(), static_cast<int>(text.size()), 0);
        if (!rows[i].paused) {
            // The first record is under way: it is finished, the rest dropped.
            ASSERT_TRUE(CStationRig::WaitUntil([&] { return rig.ToneOnCount() >= 1; })) << "row " << i;
        }
        rig.Station().FlushQueue();
        ASSERT_TRUE(CStationRig::WaitUntil([&] {
            return rig.Station().IsSenderWaiting() && !rig.Station().IsKeyDown() &&
                   rig.Station().GetCodeQueueLength() == rows[i].queueAfterFlush;
        })) << "row " << i << ": queue " << rig.Station().GetCodeQueueLength();
        Hold(300);
        EXPECT_EQ(rows[i].queueAfterFlush, rig.Station().GetCodeQueueLength()) << "row " << i;
        EXPECT_EQ(rows[i].paused ? 0 : 1, rig.ToneOnCount()) << "row " << i;
        EXPECT_EQ(rows[i].paused ? text : std::string(), rig.QueueText()) << "row " << i;
        if (rows[i].paused) {
            // The flush did not outlive the pause: Continue sends everything.
            rig.Press(VD_VK_F5);
            ASSERT_TRUE(rig.WaitUntilSent()) << "row " << i;
            EXPECT_EQ(1 + 1 + 3 + 1, rig.ToneOnCount()) << "row " << i << ": T E S T";
        }
    }
}

TEST(StationSender, ModeButtonCyclesItsCaption) {
    CStationRig rig;
    const struct {
        int32_t mode;
        const char* caption;
    } rows[] = {{1, "Auto(L/R)"}, {3, "Auto(R/L)"}, {0, "Manual"}, {1, "Auto(L/R)"}};
    EXPECT_STREQ("Manual", rig.Station().GetModeButton()->GetCaption());
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        rig.Press(VD_VK_TAB);
        EXPECT_EQ(rows[i].mode, rig.Station().GetMode()) << "row " << i;
        EXPECT_STREQ(rows[i].caption, rig.Station().GetModeButton()->GetCaption()) << "row " << i;
    }
    // Queued text switches back to Manual.
    rig.Station().EnqueueText("E", 1, 0);
    EXPECT_EQ(0, rig.Station().GetMode());
    EXPECT_STREQ("Manual", rig.Station().GetModeButton()->GetCaption());
}

TEST(StationSender, PaddleModesGiveDotsAndDashesPerMouseButton) {
    const struct {
        int modePresses;  // Tab presses from Manual
        int button;
        int32_t down;     // 1: a dot is expected, 0: a dash
    } rows[] = {
        {1, VD_MOUSE_LEFT, 1}, {1, VD_MOUSE_RIGHT, 0}, {2, VD_MOUSE_LEFT, 0}, {2, VD_MOUSE_RIGHT, 1}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CStationRig rig;
        for (int p = 0; p < rows[i].modePresses; ++p) rig.Press(VD_VK_TAB);
        VdRect cw;
        rig.Station().GetCwButton()->GetRect(&cw);
        const VdPoint c = CStationRig::Centre(cw);
        rig.MouseDown(rows[i].button, c.x, c.y);
        rig.MouseUp(rows[i].button, c.x, c.y);
        ASSERT_TRUE(rig.WaitUntilSent()) << "row " << i;
        const tagKeyDurations& d = rig.Station().GetTiming().keys;
        const std::vector<tagSpan> spans = SpansOf(rig.ToneTransitions());
        ASSERT_EQ(1u, spans.size()) << "row " << i << ": " << SpansText(spans);
        EXPECT_EQ(1, spans[0].down) << "row " << i;
        EXPECT_NEAR(rows[i].down ? d.shorthit : d.longhit, spans[0].ms, TOLERANCE_MS) << "row " << i;
        EXPECT_EQ(0, rig.Station().IsKeyDown()) << "row " << i << ": the mouse-up keys nothing";
    }
}

TEST(StationSender, PaddleElementsWaitForAnAutoModeAndTextForManual) {
    CStationRig rig;
    VdRect cw;
    rig.Station().GetCwButton()->GetRect(&cw);
    const VdPoint c = CStationRig::Centre(cw);
    // Manual: the mouse keys directly, as long as it is held.
    rig.MouseDown(VD_MOUSE_LEFT, c.x, c.y);
    EXPECT_EQ(1, rig.Station().IsKeyDown());
    rig.MouseUp(VD_MOUSE_LEFT, c.x, c.y);
    EXPECT_EQ(0, rig.Station().IsKeyDown());
    EXPECT_EQ(0u, rig.Station().GetPaddleQueueLength());
    // Auto: text waits, with its characters shown, until Manual is back and
    // the sender is woken.
    rig.Press(VD_VK_TAB);
    const int before = rig.ToneOnCount();
    rig.Press(VK_E);
    Hold(300);
    EXPECT_EQ(before, rig.ToneOnCount());
    EXPECT_EQ("E", rig.QueueText());
    rig.Press(VD_VK_TAB);
    rig.Press(VD_VK_TAB);  // Manual again, which by itself wakes nothing
    Hold(300);
    EXPECT_EQ("E", rig.QueueText());
    // Hand keying does not wake the sender either; Continue does.
    rig.MouseDown(VD_MOUSE_LEFT, c.x, c.y);
    rig.MouseUp(VD_MOUSE_LEFT, c.x, c.y);
    Hold(300);
    EXPECT_EQ(before + 1, rig.ToneOnCount());
    EXPECT_EQ("E", rig.QueueText());
    rig.Press(VD_VK_F5);
    rig.Press(VD_VK_F5);
    ASSERT_TRUE(rig.WaitUntilSent());
    EXPECT_EQ(before + 2, rig.ToneOnCount()) << "the hand-keyed mark and then the queued E";
    EXPECT_EQ("", rig.QueueText());
}

TEST(StationSender, TextFileWithCQAndALineEndSendsTwoWordGaps) {
    const std::string path = "cq-line.txt";
    {
        std::ofstream file(path, std::ios::binary);
        file << "CQ\r\n";
    }
    CStationRig rig;
    int asked = 0;
    SetFileChooserHook([&](void*, std::string* chosen) {
        ++asked;
        *chosen = path;
        return 1;
    });
    rig.Press(VD_VK_F6);  // the File... button acts on its key-up
    SetFileChooserHook(FileChooserHook());
    EXPECT_EQ(1, asked);
    EXPECT_EQ("CQ\r\n", rig.QueueText());
    // A character after the file shows where the two word gaps end.
    rig.Press(VK_E);
    ASSERT_TRUE(rig.WaitUntilSent());
    ExpectLine(ExpectedLine(rig, "CQ  E"), SpansOf(rig.ToneTransitions()));
    std::remove(path.c_str());
}

TEST(StationSender, EffectiveSpeedStretchesTheGapsSoPARISTakesItsTime) {
    // Characters at 20 WPM (65 ms units), 10 WPM effective: the key line of
    // "PARIS " adds up to the 6000 ms of a 10 WPM PARIS, and the sender keys
    // exactly that line; with the effective speed at the character speed
    // the line is the one the durations alone give.
    const struct { int effective; int64_t parisMs; } rows[] = {{10, 6000}, {20, 3705}, {0, 3705}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CStationRig rig([&](CVardoSetting& s) {
            s.shorthit = s.hitdelay = 65;
            s.longhit = s.letterdelay = s.worddelay = 195;
            s.effectivewpm = rows[i].effective;
        });
        std::vector<tagSpan> line;
        for (char c : std::string("PARIS ")) AppendExpectedSpans(Record(rig, c), rig.Station().GetTiming().keys, &line);
        double total = 0;
        for (const tagSpan& span : line) total += span.ms;
        EXPECT_EQ(static_cast<double>(rows[i].parisMs), total) << "row " << i;
        if (rows[i].effective != 10) continue;
        // The keyed line: PARIS and the P after it, which ends the word gap.
        rig.Station().EnqueueText("PARIS P", 7, 0);
        ASSERT_TRUE(rig.WaitUntilSent());
        ExpectLine(ExpectedLine(rig, "PARIS P"), SpansOf(rig.ToneTransitions()));
        const std::vector<tagTransition> t = rig.ToneTransitions();
        ASSERT_EQ(2u * (14 + 4), t.size());
        const double firstWordMs = std::chrono::duration<double, std::milli>(t[28].when - t[0].when).count();
        EXPECT_NEAR(6000.0, firstWordMs, TOLERANCE_MS);
    }
}

TEST(StationSender, CharacterButtonsQueueTheirRecordsWithGroupGaps) {
    CStationRig rig;
    rig.Press(VD_VK_F5);  // paused, so that the queue can be read as it is
    // A click on the '?' button (it has no key) queues its record.
    VdRect r;
    rig.Station().GetCharButton(36)->GetRect(&r);
    const VdPoint c = CStationRig::Centre(r);
    rig.MouseDown(VD_MOUSE_LEFT, c.x, c.y);
    rig.MouseUp(VD_MOUSE_LEFT, c.x, c.y);
    // Groups of two with a word gap after each group; lower case is shown
    // as given and sent as its capital.
    rig.Station().EnqueueText("abc", 3, 2);
    EXPECT_EQ("?ab_c", rig.QueueText());
    EXPECT_EQ(5u, rig.Station().GetCodeQueueLength());
}

TEST(StationLifetime, BadPeriodsAndDelaysNeitherHangNorSpin) {
    const struct {
        int32_t period;
        int32_t delay;
        int32_t idle;
    } rows[] = {{0, 0, 0}, {-1, -1, -1}, {-27, -80, 750}, {1, 0, 750}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CStationRig rig([&](CVardoSetting& s) {
            s.sendperiod = s.recvperiod = rows[i].period;
            s.shorthit = s.longhit = s.hitdelay = s.letterdelay = s.worddelay = rows[i].delay;
            s.sendidlelimit = s.recvidlelimit = rows[i].idle;
        });
        EXPECT_GE(rig.Station().GetTiming().sendperiod, 1) << "row " << i;
        EXPECT_GE(rig.Station().GetTiming().recvperiod, 1) << "row " << i;
        EXPECT_GE(rig.Station().GetTiming().keys.worddelay, 0) << "row " << i;
        rig.Station().EnqueueText("E T", 3, 0);
        EXPECT_TRUE(rig.WaitUntilSent(5000)) << "row " << i;
        EXPECT_EQ(2, rig.ToneOnCount()) << "row " << i;
        rig.KeyDown(VD_VK_RETURN);
        Hold(30);
        rig.KeyUp(VD_VK_RETURN);
        // Generous bound: the point is that it returns at all.
        EXPECT_LT(rig.DestroyStation(), 5000.0) << "row " << i;
    }
}

TEST(StationLifetime, DestructionCutsLongWaitsShortAndLeavesTheKeyUp) {
    const struct {
        int32_t shorthit;
        int32_t worddelay;
        const char* text;
    } rows[] = {{600000, 80, "EEE"}, {80, 600000, "E E"}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CStationRig rig([&](CVardoSetting& s) {
            s.shorthit = rows[i].shorthit;
            s.worddelay = rows[i].worddelay;
            s.sendperiod = s.recvperiod = 600000;
        });
        rig.Station().EnqueueText(rows[i].text, 3, 0);
        ASSERT_TRUE(CStationRig::WaitUntil([&] { return rig.ToneOnCount() >= 1; })) << "row " << i;
        Hold(50);
        EXPECT_LT(rig.DestroyStation(), 5000.0) << "row " << i;
        // Every key-down got its key-up, and nothing after it was keyed.
        const std::vector<tagToneEvent> events = LastDeletedToneEvents();
        ASSERT_EQ(2u, events.size()) << "row " << i;
        EXPECT_EQ(TONE_EVENT_OFF, events.back().nState) << "row " << i;
    }
}

TEST(StationLayout, ControlsSitWhereTheSettingsPutThem) {
    CStationRig rig(CStationRig::Tweak(), false);
    CVardoMainWindow& st = rig.Station();
    const struct {
        const char* name;
        IPaintEventControl* control;
        VdRect rect;
    } rows[] = {
        {"cw", st.GetCwButton(), {280, 220, 344, 284}},
        {"pause", st.GetPauseButton(), {50, 104, 100, 116}},
        {"file", st.GetFileButton(), {108, 104, 158, 116}},
        {"mode", st.GetModeButton(), {166, 104, 216, 116}},
        {"send panel", st.GetSendPanel(), {5, 160, 348, 192}},
        {"receive panel", st.GetReceivePanel(), {5, 64, 348, 96}},
        {"queue label", st.GetQueueLabel(), {5, 192, 348, 203}},
        {"send label", st.GetSendLabel(), {5, 104, 45, 116}},
        {"receive label", st.GetReceiveLabel(), {5, 8, 45, 20}},
        {"queue line", st.GetQueueLine(), {5, 204, 349, 205}},
        {"receive line", st.GetReceiveLine(), {5, 97, 349, 98}},
        {"char 0 (A)", st.GetCharButton(0), {10, 300, 68, 312}},
        {"char 9 (J)", st.GetCharButton(9), {79, 300, 137, 312}},
        {"char 42 (_)", st.GetCharButton(42), {286, 384, 344, 396}},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        VdRect got{-1, -1, -1, -1};
        rows[i].control->GetRect(&got);
        EXPECT_EQ(rows[i].rect.left, got.left) << "row " << i << " " << rows[i].name;
        EXPECT_EQ(rows[i].rect.top, got.top) << "row " << i << " " << rows[i].name;
        EXPECT_EQ(rows[i].rect.right, got.right) << "row " << i << " " << rows[i].name;
        EXPECT_EQ(rows[i].rect.bottom, got.bottom) << "row " << i << " " << rows[i].name;
    }
    const struct {
        int index;
        const char* caption;
        int hotKey;
    } buttons[] = {{0, "A        .-", 'A'}, {36, "?    ..--..", 0}, {37, "/     -..-.", VD_VK_DIVIDE},
                   {42, "_          ", VD_VK_SPACE}};
    for (size_t i = 0; i < sizeof(buttons) / sizeof(buttons[0]); ++i) {
        CVdButton* b = st.GetCharButton(buttons[i].index);
        EXPECT_STREQ(buttons[i].caption, b->GetCaption()) << "button row " << i;
        EXPECT_EQ(buttons[i].hotKey, b->GetHotKey()) << "button row " << i;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(&st.GetMorseTable()[buttons[i].index]), b->GetUserData())
            << "button row " << i;
    }
    EXPECT_STREQ("CW", st.GetCwButton()->GetCaption());
    EXPECT_EQ(VD_VK_RETURN, st.GetCwButton()->GetHotKey());
}
