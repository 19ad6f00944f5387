// The event dispatcher driven through HandleMessage with real message
// numbers: broadcast with OR of results, registration order, removal of the
// first equal entry, signed mouse coordinates, button codes, command id 0,
// and the paint pass with its update rectangle and origins.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/drawsurface.h"
#include "ui/eventdispatcher.h"
#include "ui/windowhost.h"

namespace {

// Message packing as the platform does it: x low word, y high word.
VdLParam Point(int x, int y) {
    return static_cast<VdLParam>((static_cast<uint32_t>(y & 0xFFFF) << 16) | static_cast<uint32_t>(x & 0xFFFF));
}

// A surface that records the calls of a paint pass; its update rectangle is
// set by the test (or absent, as for a surface without a back buffer).
class CRecordingSurface : public CDrawSurface {
public:
    void BeginPaint() override { log.push_back("begin"); }
    void EndPaint() override { log.push_back("end"); }
    const VdRect* GetPaintRect() override { return hasPaintRect ? &paintRect : nullptr; }
    void SetOrigin(int x, int y) override { log.push_back("origin " + std::to_string(x) + "," + std::to_string(y)); }
    void SetPenColor(VdColor) override {}
    void SetBrushColor(VdColor) override {}
    void DrawRoundRect(const VdRect*, int, int) override {}
    void DrawText(const VdRect*, const char*, unsigned) override {}
    void SelectFont(CFontDesc*) override {}
    void Blit(const VdRect*, const CDrawSurface*, int, int) override {}
    void FillRect(const VdRect*) override {}
    void DrawLine(int, int, int, int) override {}
    void DrawBrokenLine(int, int, int, int) override {}
    int GetWidth() const override { return 300; }
    int GetHeight() const override { return 200; }
    VdColor GetPixel(int, int) const override { return 0; }

    std::vector<std::string> log;
    bool hasPaintRect = true;
    VdRect paintRect{0, 0, 300, 200};
};

class CRecordingHost : public IWindowHost {
public:
    int Invalidate(const VdRect* rect) override {
        invalidated.push_back(rect ? *rect : VdRect{-1, -1, -1, -1});
        return 1;
    }
    CDrawSurface* CreateWindowSurface() override {
        surface = new CRecordingSurface();
        return surface;
    }
    CDrawSurface* CreateSurface(int, int) override { return new CRecordingSurface(); }
    void GetClientRect(VdRect* out) override { *out = VdRect{0, 0, 300, 200}; }
    void GetWindowRect(VdRect* out) override { *out = VdRect{0, 0, 300, 200}; }
    void* GetNativeHandle() override { return nullptr; }

    CRecordingSurface* surface = nullptr;  // owned by the dispatcher
    std::vector<VdRect> invalidated;
};

struct tagCall {
    std::string what;
    void* sender;
    int a, b, c;
};

// One fake control of every kind. HitTest is its rectangle, or everything
// while "held", as a pressed button claims the release.
class CFakeControl : public IPaintEventControl,
                     public IMouseMoveEventControl,
                     public IMouseKeyEventControl,
                     public IKeyboardEventControl,
                     public ITimerEventControl,
                     public ICommandEventControl {
public:
    CFakeControl(std::vector<tagCall>* log, const char* name, VdRect r, int answer)
        : m_log(log), m_name(name), m_rect(r), m_answer(answer) {}

    int HitTest(int x, int y) override { return held || VdPtInRect(m_rect, x, y); }
    void GetRect(VdRect* out) override { *out = m_rect; }
    int OnPaint(void* s, CDrawSurface*, const VdRect* clip) override {
        return Note("paint", s, clip->left, clip->top, clip->right * 1000 + clip->bottom);
    }
    int OnMouseMove(void* s, int x, int y) override { return Note("move", s, x, y, 0); }
    int OnClick(void* s) override { return Note("click", s, 0, 0, 0); }
    int OnMouseDown(void* s, int button, int x, int y) override { return Note("down", s, button, x, y); }
    int OnMouseUp(void* s, int button, int x, int y) override { return Note("up", s, button, x, y); }
    int OnKeyDown(void* s, int key) override { return Note("keydown", s, key, 0, 0); }
    int OnKeyUp(void* s, int key) override { return Note("keyup", s, key, 0, 0); }
    int OnTimer(void* s, unsigned id) override { return Note("timer", s, static_cast<int>(id), 0, 0); }
    int OnCommand(void* s, unsigned id) override { return Note("command", s, static_cast<int>(id), 0, 0); }

    void RegisterAll(CEventDispatcherWin32* d) {
        d->AddPaintControl(this);
        d->AddMouseMoveControl(this);
        d->AddMouseKeyControl(this);
        d->AddKeyboardControl(this);
        d->AddTimerControl(this);
        d->AddCommandControl(this);
    }

    bool held = false;

private:
    int Note(const char* what, void* s, int a, int b, int c) {
        m_log->push_back(tagCall{m_name + ":" + what, s, a, b, c});
        return m_answer;
    }
    std::vector<tagCall>* m_log;
    std::string m_name;
    VdRect m_rect;
    int m_answer;
};

class DispatcherTest : public ::testing::Test {
protected:
    DispatcherTest()
        : dispatcher(&host),
          a(&log, "a", VdRect{10, 10, 60, 40}, 1),
          b(&log, "b", VdRect{50, 30, 120, 90}, 2),
          silent(&log, "s", VdRect{200, 100, 250, 150}, 0) {}

    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const tagCall& c : log) out.push_back(c.what);
        return out;
    }

    CRecordingHost host;
    CEventDispatcherWin32 dispatcher;
    std::vector<tagCall> log;
    CFakeControl a, b, silent;
};

// A held control (as a pressed button) claims every point through HitTest,
// so coordinates outside its rectangle, negative ones too, reach it.
TEST_F(DispatcherTest, MessagesReachTheirHandlersWithDecodedArguments) {
    a.RegisterAll(&dispatcher);
    a.held = true;
    struct Row {
        unsigned msg;
        VdWParam w;
        VdLParam l;
        int result;
        const char* call;  // null: nothing dispatched
        int p1, p2, p3;
    } rows[] = {
        {VD_WM_LBUTTONDOWN, 0, Point(20, 15), 1, "a:down", 1, 10, 5},
        {VD_WM_LBUTTONUP, 0, Point(20, 15), 1, "a:up", 1, 10, 5},
        {VD_WM_RBUTTONDOWN, 0, Point(11, 12), 1, "a:down", 3, 1, 2},
        {VD_WM_RBUTTONUP, 0, Point(11, 12), 1, "a:up", 3, 1, 2},
        {VD_WM_MOUSEMOVE, 0, Point(0xFFFF, 0xFFFE), 1, "a:move", -11, -12, 0},
        {VD_WM_MOUSEMOVE, 0, Point(0x7FFF, 0x8000), 1, "a:move", 0x7FFF - 10, -0x8000 - 10, 0},
        {VD_WM_KEYDOWN, VD_VK_RETURN, 0x1C0001, 1, "a:keydown", VD_VK_RETURN, 0, 0},
        {VD_WM_KEYDOWN, VD_VK_RETURN, 0x401C0001, 1, "a:keydown", VD_VK_RETURN, 0, 0},  // auto-repeat
        {VD_WM_KEYUP, VD_VK_RETURN, static_cast<VdLParam>(0xC01C0001u), 1, "a:keyup", VD_VK_RETURN, 0, 0},
        {VD_WM_TIMER, 7, 0, 1, "a:timer", 7, 0, 0},
        {VD_WM_COMMAND, 0x00010000 | 40001, 1234, 1, "a:command", 40001, 0, 0},  // high word ignored
        {VD_WM_COMMAND, 0x00010000, 0, 0, nullptr, 0, 0, 0},                     // id 0
        {VD_WM_COMMAND, 0, 0, 0, nullptr, 0, 0, 0},
        {0x0207 /* WM_MBUTTONDOWN */, 0, Point(20, 15), 0, nullptr, 0, 0, 0},
        {0x0208 /* WM_MBUTTONUP */, 0, Point(20, 15), 0, nullptr, 0, 0, 0},
        {0x020A /* WM_MOUSEWHEEL */, 0x00780000, Point(20, 15), 0, nullptr, 0, 0, 0},
        {0x0203 /* WM_LBUTTONDBLCLK */, 0, Point(20, 15), 0, nullptr, 0, 0, 0},
        {0x0102 /* WM_CHAR */, 'a', 0, 0, nullptr, 0, 0, 0},
        {VD_WM_ERASEBKGND, 0, 0, 1, nullptr, 0, 0, 0},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        log.clear();
        EXPECT_EQ(rows[i].result, dispatcher.HandleMessage(rows[i].msg, rows[i].w, rows[i].l)) << "row " << i;
        if (rows[i].call == nullptr) {
            EXPECT_TRUE(log.empty()) << "row " << i << " got " << (log.empty() ? "" : log[0].what);
            continue;
        }
        ASSERT_EQ(1u, log.size()) << "row " << i;
        EXPECT_EQ(rows[i].call, log[0].what) << "row " << i;
        EXPECT_EQ(rows[i].p1, log[0].a) << "row " << i;
        EXPECT_EQ(rows[i].p2, log[0].b) << "row " << i;
        EXPECT_EQ(rows[i].p3, log[0].c) << "row " << i;
    }
}

TEST_F(DispatcherTest, BroadcastInOrderWithOredResults) {
    a.RegisterAll(&dispatcher);
    b.RegisterAll(&dispatcher);
    silent.RegisterAll(&dispatcher);
    struct Row {
        unsigned msg;
        VdWParam w;
        VdLParam l;
        int result;
        std::vector<std::string> calls;
    } rows[] = {
        // (55, 35) lies in a and b: both get it, results 1 | 2.
        {VD_WM_LBUTTONDOWN, 0, Point(55, 35), 3, {"a:down", "b:down"}},
        {VD_WM_MOUSEMOVE, 0, Point(100, 80), 2, {"b:move"}},
        {VD_WM_RBUTTONUP, 0, Point(210, 110), 0, {"s:up"}},
        {VD_WM_LBUTTONDOWN, 0, Point(5, 5), 0, {}},
        {VD_WM_KEYDOWN, 'E', 0, 3, {"a:keydown", "b:keydown", "s:keydown"}},
        {VD_WM_COMMAND, 9, 0, 3, {"a:command", "b:command", "s:command"}},
        {VD_WM_TIMER, 2, 0, 3, {"a:timer", "b:timer", "s:timer"}},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        log.clear();
        EXPECT_EQ(rows[i].result, dispatcher.HandleMessage(rows[i].msg, rows[i].w, rows[i].l)) << "row " << i;
        EXPECT_EQ(rows[i].calls, Names()) << "row " << i;
    }
    // The control coordinates of the shared click differ per control; the
    // sender is the pointer of the list the event came from.
    log.clear();
    dispatcher.HandleMessage(VD_WM_LBUTTONUP, 0, Point(55, 35));
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(static_cast<void*>(static_cast<IMouseKeyEventControl*>(&a)), log[0].sender);
    EXPECT_EQ(static_cast<void*>(static_cast<IMouseKeyEventControl*>(&b)), log[1].sender);
    EXPECT_EQ(45, log[0].b);
    EXPECT_EQ(25, log[0].c);
    EXPECT_EQ(5, log[1].b);
    EXPECT_EQ(5, log[1].c);
}

TEST_F(DispatcherTest, RemovalTakesOnlyTheFirstEqualEntry) {
    dispatcher.AddKeyboardControl(&a);
    dispatcher.AddKeyboardControl(&b);
    dispatcher.AddKeyboardControl(&a);
    struct Row {
        CFakeControl* remove;
        std::vector<std::string> calls;
    } rows[] = {
        {nullptr, {"a:keydown", "b:keydown", "a:keydown"}},
        {&silent, {"a:keydown", "b:keydown", "a:keydown"}},  // never added
        {&a, {"b:keydown", "a:keydown"}},
        {&a, {"b:keydown"}},
        {&a, {"b:keydown"}},
        {&b, {}},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        if (rows[i].remove != nullptr) dispatcher.RemoveKeyboardControl(rows[i].remove);
        log.clear();
        dispatcher.HandleMessage(VD_WM_KEYDOWN, 1, 0);
        EXPECT_EQ(rows[i].calls, Names()) << "row " << i;
    }
}

TEST_F(DispatcherTest, PaintWithNoControlsStillRunsAPass) {
    EXPECT_EQ(0, dispatcher.HandleMessage(VD_WM_PAINT, 0, 0));
    std::vector<std::string> expect = {"begin", "end"};
    EXPECT_EQ(expect, host.surface->log);
    EXPECT_TRUE(log.empty());
}

TEST_F(DispatcherTest, PaintVisitsControlsMeetingTheUpdateRectangle) {
    dispatcher.AddPaintControl(&a);       // 10,10-60,40
    dispatcher.AddPaintControl(&b);       // 50,30-120,90
    dispatcher.AddPaintControl(&silent);  // 200,100-250,150
    struct Row {
        bool has;
        VdRect update;
        int result;
        std::vector<std::string> surfaceLog;
        std::vector<std::string> calls;
        std::vector<VdRect> clips;
    } rows[] = {
        {true, {0, 0, 300, 200}, 3, {"begin", "origin 10,10", "origin 50,30", "origin 200,100", "end"},
         {"a:paint", "b:paint", "s:paint"}, {{0, 0, 50, 30}, {0, 0, 70, 60}, {0, 0, 50, 50}}},
        {true, {55, 35, 58, 38}, 3, {"begin", "origin 10,10", "origin 50,30", "end"}, {"a:paint", "b:paint"},
         {{45, 25, 48, 28}, {5, 5, 8, 8}}},
        {true, {60, 40, 200, 100}, 2, {"begin", "origin 50,30", "end"}, {"b:paint"}, {{10, 10, 70, 60}}},
        {true, {0, 0, 0, 0}, 0, {"begin", "end"}, {}, {}},
        // No update rectangle: everyone paints, clipped to its own bounds.
        {false, {0, 0, 0, 0}, 3, {"begin", "origin 10,10", "origin 50,30", "origin 200,100", "end"},
         {"a:paint", "b:paint", "s:paint"}, {{0, 0, 50, 30}, {0, 0, 70, 60}, {0, 0, 50, 50}}},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        host.surface->log.clear();
        host.surface->hasPaintRect = rows[i].has;
        host.surface->paintRect = rows[i].update;
        log.clear();
        EXPECT_EQ(rows[i].result, dispatcher.HandleMessage(VD_WM_PAINT, 0, 0)) << "row " << i;
        EXPECT_EQ(rows[i].surfaceLog, host.surface->log) << "row " << i;
        EXPECT_EQ(rows[i].calls, Names()) << "row " << i;
        for (size_t k = 0; k < rows[i].clips.size() && k < log.size(); ++k) {
            const VdRect& c = rows[i].clips[k];
            EXPECT_EQ(c.left, log[k].a) << "row " << i << " control " << k;
            EXPECT_EQ(c.top, log[k].b) << "row " << i << " control " << k;
            EXPECT_EQ(c.right * 1000 + c.bottom, log[k].c) << "row " << i << " control " << k;
        }
    }
}

}  // namespace
