// A real window under the dispatcher: messages sent and posted to it reach
// fake controls through the window procedure, and paint passes leave the
// controls' pixels in the back buffer (and on the window) in stacking order,
// repainting only what the update rectangle meets. Needs an X display under
// Wine (xvfb-run).
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/drawsurface.h"
#include "ui/eventdispatcher.h"
#include "ui/windowhost_win32.h"

namespace {

const wchar_t kClass[] = L"VardoDispatchTestWindow";

LRESULT CALLBACK DispatchProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<CEventDispatcherWin32*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (d != nullptr && d->HandleMessage(msg, wParam, lParam)) {
        return 1;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

void Pump() {
    MSG m;
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
}

struct tagEvent {
    std::string what;
    int a, b, c;
};

// Paints its rectangle in one colour; records mouse and key events.
class CPatch : public IPaintEventControl, public IMouseKeyEventControl, public IKeyboardEventControl {
public:
    CPatch(std::vector<tagEvent>* log, VdRect r, VdColor c) : color(c), m_log(log), m_rect(r) {}
    int HitTest(int x, int y) override { return held || VdPtInRect(m_rect, x, y); }
    void GetRect(VdRect* out) override { *out = m_rect; }
    int OnPaint(void*, CDrawSurface* s, const VdRect*) override {
        ++paints;
        s->SetBrushColor(color);
        VdRect own{0, 0, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top};
        s->FillRect(&own);
        return 1;
    }
    int OnClick(void*) override { return 0; }
    int OnMouseDown(void*, int button, int x, int y) override { return Note("down", button, x, y); }
    int OnMouseUp(void*, int button, int x, int y) override { return Note("up", button, x, y); }
    int OnKeyDown(void*, int key) override { return Note("keydown", key, 0, 0); }
    int OnKeyUp(void*, int key) override { return Note("keyup", key, 0, 0); }

    bool held = false;
    int paints = 0;
    VdColor color;

private:
    int Note(const char* what, int a, int b, int c) {
        m_log->push_back(tagEvent{what, a, b, c});
        return 1;
    }
    std::vector<tagEvent>* m_log;
    VdRect m_rect;
};

class WindowTest : public ::testing::Test {
protected:
    static constexpr int kW = 240;
    static constexpr int kH = 160;

    void SetUp() override {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DispatchProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kClass;
        RegisterClassW(&wc);
        DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
        RECT r{0, 0, kW, kH};
        AdjustWindowRect(&r, style, FALSE);
        hwnd = CreateWindowExW(0, kClass, L"vardo dispatch test", style, 40, 40, r.right - r.left, r.bottom - r.top,
                               nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_TRUE(hwnd != nullptr);
        host.reset(new CHwndWindowHost(hwnd));
        dispatcher.reset(new CEventDispatcherWin32(host.get()));
        a.reset(new CPatch(&log, VdRect{10, 10, 110, 80}, VdRgb(255, 0, 0)));
        b.reset(new CPatch(&log, VdRect{60, 40, 200, 140}, VdRgb(0, 0, 255)));
        for (CPatch* p : {a.get(), b.get()}) {
            dispatcher->AddPaintControl(p);
            dispatcher->AddMouseKeyControl(p);
            dispatcher->AddKeyboardControl(p);
        }
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dispatcher.get()));
        ShowWindow(hwnd, SW_SHOWNOACTIVATE);
        UpdateWindow(hwnd);
        Pump();
    }
    void TearDown() override {
        if (hwnd != nullptr) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            DestroyWindow(hwnd);
        }
        dispatcher.reset();
        host.reset();
        UnregisterClassW(kClass, GetModuleHandleW(nullptr));
    }
    VdColor Back(int x, int y) { return dispatcher->GetWindowSurface()->GetPixel(x, y); }

    HWND hwnd = nullptr;
    std::unique_ptr<CHwndWindowHost> host;
    std::unique_ptr<CEventDispatcherWin32> dispatcher;
    std::vector<tagEvent> log;
    std::unique_ptr<CPatch> a, b;
};

TEST_F(WindowTest, PaintMessagesDrawControlsInStackingOrderWithinTheUpdate) {
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    EXPECT_GE(a->paints, 1);
    EXPECT_GE(b->paints, 1);
    struct Row {
        int x, y;
        VdColor expect;
    } rows[] = {
        {5, 5, 0xFFFFFF},      {10, 10, VdRgb(255, 0, 0)}, {109, 39, VdRgb(255, 0, 0)},
        {110, 10, 0xFFFFFF},   {60, 40, VdRgb(0, 0, 255)}, {100, 70, VdRgb(0, 0, 255)},  // overlap: later wins
        {199, 139, VdRgb(0, 0, 255)}, {200, 139, 0xFFFFFF}, {239, 159, 0xFFFFFF},
    };
    HDC dc = GetDC(hwnd);
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        EXPECT_EQ(rows[i].expect, Back(rows[i].x, rows[i].y)) << "row " << i;
        // The end of the pass copied the back buffer onto the window.
        EXPECT_EQ(rows[i].expect, GetPixel(dc, rows[i].x, rows[i].y)) << "row " << i << " on the window";
    }
    ReleaseDC(hwnd, dc);

    // A part of b only is invalid: a keeps its old pixels.
    a->color = VdRgb(0, 160, 0);
    b->color = VdRgb(200, 200, 0);
    int aBefore = a->paints, bBefore = b->paints;
    RECT onlyB{150, 100, 190, 130};
    InvalidateRect(hwnd, &onlyB, TRUE);
    UpdateWindow(hwnd);
    EXPECT_EQ(aBefore, a->paints);
    EXPECT_EQ(bBefore + 1, b->paints);
    EXPECT_EQ(VdRgb(255, 0, 0), Back(20, 20));
    EXPECT_EQ(VdRgb(200, 200, 0), Back(150, 100));
    // Through the dispatcher, as a control asks.
    VdRect aRect{10, 10, 110, 80};
    EXPECT_EQ(1, dispatcher->Invalidate(&aRect));
    UpdateWindow(hwnd);
    EXPECT_EQ(VdRgb(0, 160, 0), Back(20, 20));
    EXPECT_EQ(VdRgb(200, 200, 0), Back(100, 70)) << "b still on top where it overlaps";
}

TEST_F(WindowTest, SentAndPostedInputReachTheControls) {
    struct Row {
        bool post;
        UINT msg;
        WPARAM w;
        LPARAM l;
        std::vector<std::string> events;
        int a, b, c;  // of the first event
    } rows[] = {
        {false, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 30), {"down"}, 1, 10, 20},
        {false, WM_LBUTTONUP, 0, MAKELPARAM(20, 30), {"up"}, 1, 10, 20},
        {true, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(70, 50), {"down", "down"}, 3, 60, 40},
        {true, WM_RBUTTONUP, 0, MAKELPARAM(150, 120), {"up"}, 3, 90, 80},
        {true, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(20, 30), {}, 0, 0, 0},
        {true, WM_KEYDOWN, 'K', 0x00250001, {"keydown", "keydown"}, 'K', 0, 0},
        {true, WM_KEYUP, 'K', static_cast<LPARAM>(0xC0250001u), {"keyup", "keyup"}, 'K', 0, 0},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        log.clear();
        if (rows[i].post) {
            ASSERT_TRUE(PostMessageW(hwnd, rows[i].msg, rows[i].w, rows[i].l)) << "row " << i;
            Pump();
        } else {
            LRESULT r = SendMessageW(hwnd, rows[i].msg, rows[i].w, rows[i].l);
            EXPECT_EQ(1, r) << "row " << i;
        }
        std::vector<std::string> got;
        for (const tagEvent& e : log) got.push_back(e.what);
        EXPECT_EQ(rows[i].events, got) << "row " << i;
        if (!log.empty()) {
            EXPECT_EQ(rows[i].a, log[0].a) << "row " << i;
            EXPECT_EQ(rows[i].b, log[0].b) << "row " << i;
            EXPECT_EQ(rows[i].c, log[0].c) << "row " << i;
        }
    }
}

}  // namespace
