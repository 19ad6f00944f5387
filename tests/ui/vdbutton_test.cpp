// Button control: its look in each state (read back from the window
// surface), hover repaints, the held button claiming a release outside its
// rectangle, clicks, the hot key, toggle mode and the order in which the
// listeners are offered a click.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/vdcontroltestkit.h"
#include "ui/vdbutton.h"

namespace {

constexpr VdColor kBlack = 0x000000;
constexpr VdColor kGrey = 0x7F7F7F;
constexpr VdColor kWhite = 0xFFFFFF;
constexpr VdColor kPressedFill = 0xF0F0F0;

// Records every call in one shared log; the result of OnClick is settable.
class CRecordingListener : public IMouseKeyEventListener,
                           public IKeyboardEventListener,
                           public IMouseMoveEventListener {
public:
    CRecordingListener(std::string name, std::vector<std::string>* log, int clickResult = 1)
        : m_name(std::move(name)), m_pLog(log), m_nClickResult(clickResult) {}
    int OnClick(void* sender) override {
        Note("click", sender);
        return m_nClickResult;
    }
    int OnMouseDown(void* sender, int b, int x, int y) override {
        Note("down" + std::to_string(b) + "@" + std::to_string(x) + "," + std::to_string(y), sender);
        return 1;
    }
    int OnMouseUp(void* sender, int b, int x, int y) override {
        Note("up" + std::to_string(b) + "@" + std::to_string(x) + "," + std::to_string(y), sender);
        return 1;
    }
    int OnKeyDown(void* sender, int key) override {
        Note("keydown" + std::to_string(key), sender);
        return 1;
    }
    int OnKeyUp(void* sender, int key) override {
        Note("keyup" + std::to_string(key), sender);
        return 1;
    }
    int OnMouseMove(void* sender, int x, int y) override {
        Note("move@" + std::to_string(x) + "," + std::to_string(y), sender);
        return 1;
    }
    void* lastSender = nullptr;

private:
    void Note(const std::string& what, void* sender) {
        m_pLog->push_back(m_name + ":" + what);
        lastSender = sender;
    }
    std::string m_name;
    std::vector<std::string>* m_pLog;
    int m_nClickResult;
};

// A button registered the way the main window registers its buttons.
struct ButtonRig {
    explicit ButtonRig(VdRect r, int toggleMode = 0, const char* caption = "")
        : bench(200, 120), button(&bench.Parent(), caption, &r, toggleMode, nullptr), rect(r) {
        auto& d = bench.Dispatcher();
        d.AddPaintControl(&button);
        d.AddMouseMoveControl(&button);
        d.AddMouseKeyControl(&button);
        d.AddKeyboardControl(&button);
    }
    // Border pixel (middle of the top edge) and a fill pixel (left of the
    // caption, half way down).
    VdColor Border() {
        bench.Paint();
        return bench.Pixel((rect.left + rect.right) / 2, rect.top);
    }
    VdColor Fill() {
        bench.Paint();
        return bench.Pixel(rect.left + 3, (rect.top + rect.bottom) / 2);
    }
    CControlBench bench;
    CVdButton button;
    VdRect rect;
};

const VdRect kRect{40, 30, 140, 70};  // 100 x 40
constexpr int kInX = 90, kInY = 50;   // a window point inside kRect
constexpr int kOutX = 10, kOutY = 10;

TEST(VdButton, LookFollowsHoverAndPressedStates) {
    struct Row {
        const char* what;
        int move;      // 1: pointer moved over the button first
        int press;     // 1: left button down inside
        int release;   // 1: and up again inside
        int toggle;    // toggle mode
        VdColor border, fill;
    };
    const Row rows[] = {
        {"idle", 0, 0, 0, 0, kGrey, kWhite},
        {"hover", 1, 0, 0, 0, kBlack, kWhite},
        {"pressed", 1, 1, 0, 0, kBlack, kPressedFill},
        {"released push", 1, 1, 1, 0, kBlack, kWhite},
        {"latched toggle", 1, 1, 1, 1, kBlack, kPressedFill},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        ButtonRig rig(kRect, row.toggle);
        auto& d = rig.bench.Dispatcher();
        if (row.move) d.HandleMouseMove(kInX, kInY);
        if (row.press) d.HandleMouseDown(VD_MOUSE_LEFT, kInX, kInY);
        if (row.release) d.HandleMouseUp(VD_MOUSE_LEFT, kInX, kInY);
        EXPECT_EQ(row.border, rig.Border()) << "row " << i << " " << row.what;
        EXPECT_EQ(row.fill, rig.Fill()) << "row " << i << " " << row.what;
        // Outside the rounded corner the window stays white.
        EXPECT_EQ(kWhite, rig.bench.Pixel(kRect.left, kRect.top)) << "row " << i;
    }
}

TEST(VdButton, CornerEllipseIsCappedAtSixteen) {
    // 58 x 12 gets a 6 x 6 corner: (3, 0) lies on the straight top edge.
    // 100 x 40 gets 16 x 16: (3, 0) is still outside the curve.
    struct Row {
        VdRect rect;
        VdColor atThreeZero;
    };
    const Row rows[] = {
        {{20, 20, 78, 32}, kBlack},
        {{20, 20, 120, 60}, kWhite},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        ButtonRig rig(rows[i].rect);
        rig.bench.Dispatcher().HandleMouseMove(rows[i].rect.left + 20, rows[i].rect.top + 5);
        rig.bench.Paint();
        EXPECT_EQ(rows[i].atThreeZero, rig.bench.Pixel(rows[i].rect.left + 3, rows[i].rect.top))
            << "row " << i;
        EXPECT_EQ(rows[i].atThreeZero, rig.bench.Pixel(rows[i].rect.left, rows[i].rect.top + 3))
            << "row " << i;
    }
}

TEST(VdButton, HoverRepaintsOnlyWhenThePointerCrossesTheEdge) {
    struct Step {
        int x, y;
        int repaints;
        VdColor border;
    };
    const Step steps[] = {
        {kOutX, kOutY, 0, kGrey},          // still outside
        {kInX, kInY, 1, kBlack},           // onto the button
        {kInX + 5, kInY + 3, 0, kBlack},   // within it
        {kRect.right, kInY, 1, kGrey},     // right edge is outside
        {kRect.right - 1, kInY, 1, kBlack},
    };
    ButtonRig rig(kRect);
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        rig.bench.Parent().Take();
        rig.bench.Dispatcher().HandleMouseMove(steps[i].x, steps[i].y);
        EXPECT_EQ(steps[i].repaints, rig.bench.Parent().Take()) << "step " << i;
        EXPECT_EQ(steps[i].border, rig.Border()) << "step " << i;
    }
}

TEST(VdButton, MouseSequences) {
    struct Row {
        const char* what;
        int button;
        int downX, downY, upX, upY;
        std::vector<std::string> log;
        VdColor fillAfter;
    };
    // Control coordinates: window minus (40, 30).
    const Row rows[] = {
        {"click inside", VD_MOUSE_LEFT, kInX, kInY, kInX, kInY,
         {"ml:down1@50,20", "ml:up1@50,20", "kl:click"}, kWhite},
        {"right button", VD_MOUSE_RIGHT, kInX, kInY, kInX + 1, kInY,
         {"ml:down3@50,20", "ml:up3@51,20", "kl:click"}, kWhite},
        // The held button claims the release outside its rectangle.
        {"release outside", VD_MOUSE_LEFT, kInX, kInY, kOutX, kOutY,
         {"ml:down1@50,20", "ml:up1@-30,-20"}, kWhite},
        {"release just past the edge", VD_MOUSE_LEFT, kInX, kInY, kRect.right, kInY,
         {"ml:down1@50,20", "ml:up1@100,20"}, kWhite},
        // Pressed elsewhere, released over the button: it is hit, so it
        // gets the release and clicks.
        {"press outside, release inside", VD_MOUSE_LEFT, kOutX, kOutY, kInX, kInY,
         {"ml:up1@50,20", "kl:click"}, kWhite},
        {"press and release outside", VD_MOUSE_LEFT, kOutX, kOutY, kOutX, kOutY, {}, kWhite},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        ButtonRig rig(kRect);
        std::vector<std::string> log;
        CRecordingListener kl("kl", &log), ml("ml", &log);
        rig.button.SetKeyboardListener(&kl);
        rig.button.SetMouseKeyListener(&ml);
        auto& d = rig.bench.Dispatcher();
        int downResult = d.HandleMouseDown(row.button, row.downX, row.downY);
        EXPECT_EQ(VdPtInRect(kRect, row.downX, row.downY) ? 1 : 0, downResult) << "row " << i;
        int upResult = d.HandleMouseUp(row.button, row.upX, row.upY);
        EXPECT_EQ(row.log.empty() ? 0 : 1, upResult) << "row " << i;
        EXPECT_EQ(row.log, log) << "row " << i << " " << row.what;
        EXPECT_EQ(row.fillAfter, rig.Fill()) << "row " << i << " " << row.what;
        // Once released the button no longer claims points outside.
        EXPECT_EQ(0, rig.button.HitTest(kOutX, kOutY)) << "row " << i;
        if (!log.empty()) {
            EXPECT_EQ(static_cast<void*>(&rig.button), ml.lastSender) << "row " << i;
        }
    }
}

TEST(VdButton, HotKey) {
    struct Row {
        const char* what;
        int hotKey;
        std::vector<std::pair<char, int>> keys;  // 'd' down, 'u' up, key
        std::vector<int> results;
        std::vector<std::string> log;
        VdColor fillAfter;
    };
    const Row rows[] = {
        {"press and release", 'A', {{'d', 'A'}, {'u', 'A'}}, {1, 1},
         {"kl:keydown65", "kl:keyup65", "kl:click"}, kWhite},
        {"held down", 'A', {{'d', 'A'}}, {1}, {"kl:keydown65"}, kPressedFill},
        {"auto-repeat clicks once", VD_VK_RETURN,
         {{'d', VD_VK_RETURN}, {'d', VD_VK_RETURN}, {'d', VD_VK_RETURN}, {'u', VD_VK_RETURN}},
         {1, 1, 1, 1}, {"kl:keydown13", "kl:keydown13", "kl:keydown13", "kl:keyup13", "kl:click"},
         kWhite},
        {"release without press", 'A', {{'u', 'A'}}, {1}, {"kl:keyup65", "kl:click"}, kWhite},
        {"foreign key", 'A', {{'d', 'B'}, {'u', 'B'}}, {0, 0}, {}, kWhite},
        {"no hot key never matches", 0, {{'d', 0}, {'u', 0}}, {0, 0}, {}, kWhite},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        ButtonRig rig(kRect);
        std::vector<std::string> log;
        CRecordingListener kl("kl", &log);
        rig.button.SetKeyboardListener(&kl);
        rig.button.SetHotKey(row.hotKey);
        auto& d = rig.bench.Dispatcher();
        for (size_t k = 0; k < row.keys.size(); ++k) {
            int r = row.keys[k].first == 'd' ? d.HandleKeyDown(row.keys[k].second)
                                             : d.HandleKeyUp(row.keys[k].second);
            EXPECT_EQ(row.results[k], r) << "row " << i << " key " << k;
        }
        EXPECT_EQ(row.log, log) << "row " << i << " " << row.what;
        EXPECT_EQ(row.fillAfter, rig.Fill()) << "row " << i << " " << row.what;
    }
}

TEST(VdButton, TwoButtonsWithTheSameHotKeyBothReact) {
    CControlBench bench(200, 120);
    const VdRect r1{10, 10, 60, 40}, r2{100, 10, 150, 40};
    CVdButton b1(&bench.Parent(), "1", &r1, 0, nullptr), b2(&bench.Parent(), "2", &r2, 0, nullptr);
    std::vector<std::string> log;
    CRecordingListener l1("b1", &log), l2("b2", &log);
    b1.SetKeyboardListener(&l1);
    b2.SetKeyboardListener(&l2);
    b1.SetHotKey('Q');
    b2.SetHotKey('Q');
    for (CVdButton* b : {&b1, &b2}) {
        bench.Dispatcher().AddPaintControl(b);
        bench.Dispatcher().AddKeyboardControl(b);
    }
    EXPECT_EQ(1, bench.Dispatcher().HandleKeyDown('Q'));
    bench.Paint();
    EXPECT_EQ(kPressedFill, bench.Pixel(13, 25));
    EXPECT_EQ(kPressedFill, bench.Pixel(103, 25));
    bench.Dispatcher().HandleKeyUp('Q');
    const std::vector<std::string> want = {"b1:keydown81", "b2:keydown81", "b1:keyup81",
                                           "b1:click", "b2:keyup81", "b2:click"};
    EXPECT_EQ(want, log);
}

TEST(VdButton, ToggleFlipsOnEveryRelease) {
    struct Step {
        char how;  // 'm' mouse click, 'k' hot-key press and release
        int state;
        VdColor fill;
    };
    const Step steps[] = {{'m', 1, kPressedFill}, {'m', 0, kWhite}, {'k', 1, kPressedFill},
                          {'m', 0, kWhite},       {'k', 1, kPressedFill}, {'k', 0, kWhite}};
    ButtonRig rig(kRect, 1);
    rig.button.SetHotKey('T');
    auto& d = rig.bench.Dispatcher();
    for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
        if (steps[i].how == 'm') {
            d.HandleMouseDown(VD_MOUSE_LEFT, kInX, kInY);
            d.HandleMouseUp(VD_MOUSE_LEFT, kInX, kInY);
        } else {
            d.HandleKeyDown('T');
            d.HandleKeyUp('T');
        }
        EXPECT_EQ(steps[i].state, rig.button.GetToggleState()) << "step " << i;
        EXPECT_EQ(steps[i].fill, rig.Fill()) << "step " << i;
    }
    // Any toggle mode other than 1 is a push button.
    ButtonRig push(kRect, 2);
    push.bench.Dispatcher().HandleMouseDown(VD_MOUSE_LEFT, kInX, kInY);
    push.bench.Dispatcher().HandleMouseUp(VD_MOUSE_LEFT, kInX, kInY);
    EXPECT_EQ(kWhite, push.Fill());
}

TEST(VdButton, ClickIsOfferedToTheKeyboardListenerFirst) {
    struct Row {
        int keyboard, mouseKey;    // listener present
        int keyboardResult, mouseKeyResult;
        std::vector<std::string> log;
        int result;
    };
    const Row rows[] = {
        {1, 1, 1, 1, {"kl:click"}, 1},
        {1, 1, 0, 7, {"kl:click", "ml:click"}, 7},
        {1, 1, 0, 0, {"kl:click", "ml:click"}, 0},
        {0, 1, 0, 5, {"ml:click"}, 5},
        {1, 0, 0, 0, {"kl:click"}, 0},
        {0, 0, 0, 0, {}, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        CControlBench bench(100, 60);
        const VdRect r{0, 0, 50, 20};
        CVdButton button(&bench.Parent(), "x", &r, 0, nullptr);
        std::vector<std::string> log;
        CRecordingListener kl("kl", &log, row.keyboardResult), ml("ml", &log, row.mouseKeyResult);
        if (row.keyboard) button.SetKeyboardListener(&kl);
        if (row.mouseKey) button.SetMouseKeyListener(&ml);
        EXPECT_EQ(row.result, button.OnClick(nullptr)) << "row " << i;
        EXPECT_EQ(row.log, log) << "row " << i;
        // The same order holds for a click made with the mouse.
        log.clear();
        button.OnMouseDown(nullptr, VD_MOUSE_LEFT, 1, 1);
        button.OnMouseUp(nullptr, VD_MOUSE_LEFT, 1, 1);
        std::vector<std::string> clicks;
        for (auto& e : log)
            if (e.find(":click") != std::string::npos) clicks.push_back(e);
        EXPECT_EQ(row.log, clicks) << "row " << i;
    }
}

TEST(VdButton, MouseMoveGoesToItsListenerInControlCoordinates) {
    ButtonRig rig(kRect);
    std::vector<std::string> log;
    CRecordingListener mm("mm", &log);
    EXPECT_EQ(0, rig.bench.Dispatcher().HandleMouseMove(kInX, kInY));  // no listener yet
    rig.button.SetMouseMoveListener(&mm);
    EXPECT_EQ(1, rig.bench.Dispatcher().HandleMouseMove(kInX + 1, kInY));
    EXPECT_EQ(0, rig.bench.Dispatcher().HandleMouseMove(kOutX, kOutY));
    EXPECT_EQ(std::vector<std::string>{"mm:move@51,20"}, log);
    EXPECT_EQ(static_cast<void*>(&rig.button), mm.lastSender);
}

TEST(VdButton, RectCaptionAndUserData) {
    ButtonRig rig(kRect, 0, "Old");
    auto& p = rig.bench.Parent();
    const VdRect moved{10, 80, 60, 100};
    p.Take();
    rig.button.SetRect(&moved);
    EXPECT_EQ(1, p.Take());
    VdRect last = p.Last(), got{};
    rig.button.GetRect(&got);
    for (const VdRect& r : {last, got}) {
        EXPECT_EQ(moved.left, r.left);
        EXPECT_EQ(moved.top, r.top);
        EXPECT_EQ(moved.right, r.right);
        EXPECT_EQ(moved.bottom, r.bottom);
    }
    rig.button.SetCaption("New caption");
    EXPECT_EQ(1, p.Take());
    EXPECT_STREQ("New caption", rig.button.GetCaption());
    rig.button.SetCaption(nullptr);
    EXPECT_STREQ("", rig.button.GetCaption());
    EXPECT_EQ(0u, rig.button.GetUserData());
    rig.button.SetUserData(static_cast<uintptr_t>(-3));
    EXPECT_EQ(static_cast<uintptr_t>(-3), rig.button.GetUserData());
}

}  // namespace
