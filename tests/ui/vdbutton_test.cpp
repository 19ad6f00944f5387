// Button: its look per state (window pixels), hover repaints, the held
// button claiming a release outside, clicks, the hot key, toggling and the
// order in which listeners are offered a click.
#include <gtest/gtest.h>

#include <string>

#include "tests/ui/vdcontroltestkit.h"
#include "ui/vdbutton.h"

namespace {

constexpr VdColor kBlack = 0x000000, kGrey = 0x7F7F7F, kWhite = 0xFFFFFF, kDown = 0xF0F0F0;
const VdRect kRect{40, 30, 140, 70};  // 100 x 40
constexpr int kIn = 90, kInY = 50, kOut = 10;

// Writes every call into one log ("name:what "); OnClick answers clickResult.
struct Listener : IMouseKeyEventListener, IKeyboardEventListener {
    Listener(char n, std::string* l, int r = 1) : name(n), log(l), clickResult(r) {}
    int Note(const std::string& s, void* sender) {
        *log += std::string(1, name) + ":" + s + " ";
        last = sender;
        return 1;
    }
    int OnClick(void* s) override { return Note("C", s) ? clickResult : 0; }
    int OnMouseDown(void* s, int b, int x, int y) override {
        return Note("d" + std::to_string(b) + "@" + std::to_string(x) + "," + std::to_string(y), s);
    }
    int OnMouseUp(void* s, int b, int x, int y) override {
        return Note("u" + std::to_string(b) + "@" + std::to_string(x) + "," + std::to_string(y), s);
    }
    int OnKeyDown(void* s, int k) override { return Note("D" + std::to_string(k), s); }
    int OnKeyUp(void* s, int k) override { return Note("U" + std::to_string(k), s); }
    char name;
    std::string* log;
    int clickResult;
    void* last = nullptr;
};

struct Rig {
    explicit Rig(int toggle = 0) : bench(200, 100), b(&bench.Parent(), "", &kRect, toggle, nullptr),
                                   kl('k', &log), ml('m', &log) {
        bench.D().AddPaintControl(&b);
        bench.D().AddMouseMoveControl(&b);
        bench.D().AddMouseKeyControl(&b);
        bench.D().AddKeyboardControl(&b);
        b.SetKeyboardListener(&kl);
        b.SetMouseKeyListener(&ml);
        b.SetHotKey('A');
    }
    // Runs events: M move, D/U left button down/up, R/r right down/up, K/k
    // hot key down/up, each at (x, y) of the matching entry of points.
    void Run(const char* ev, int x, int y) {
        for (const char* p = ev; *p; ++p) {
            switch (*p) {
                case 'M': bench.D().HandleMouseMove(x, y); break;
                case 'D': bench.D().HandleMouseDown(VD_MOUSE_LEFT, x, y); break;
                case 'U': bench.D().HandleMouseUp(VD_MOUSE_LEFT, x, y); break;
                case 'R': bench.D().HandleMouseDown(VD_MOUSE_RIGHT, x, y); break;
                case 'r': bench.D().HandleMouseUp(VD_MOUSE_RIGHT, x, y); break;
                case 'K': bench.D().HandleKeyDown('A'); break;
                case 'k': bench.D().HandleKeyUp('A'); break;
            }
        }
    }
    VdColor Border() { return bench.Paint(), bench.Pixel(90, kRect.top); }
    VdColor Fill() { return bench.Paint(), bench.Pixel(kRect.left + 3, kInY); }
    CControlBench bench;
    CVdButton b;
    std::string log;
    Listener kl, ml;
};

TEST(VdButton, EventsLookAndListeners) {
    struct Row {
        int toggle;
        const char* in;   // events inside the button
        const char* out;  // then events outside it
        VdColor border, fill;
        const char* log;
    };
    const Row rows[] = {
        {0, "", "", kGrey, kWhite, ""},
        {0, "M", "", kBlack, kWhite, ""},
        {0, "MD", "", kBlack, kDown, "m:d1@50,20 "},
        {0, "DU", "", kBlack, kWhite, "m:d1@50,20 m:u1@50,20 k:C "},
        {0, "Rr", "", kBlack, kWhite, "m:d3@50,20 m:u3@50,20 k:C "},
        // Held: the release outside still reaches the button, but no click.
        {0, "D", "U", kGrey, kWhite, "m:d1@50,20 m:u1@-30,-20 "},
        {0, "", "DM", kGrey, kWhite, ""},
        // Auto-repeat reaches the listener each time; one click on release.
        {0, "KKK", "", kBlack, kDown, "k:D65 k:D65 k:D65 "},
        {0, "KKk", "", kGrey, kWhite, "k:D65 k:D65 k:U65 k:C "},
        {0, "k", "", kGrey, kWhite, "k:U65 k:C "},
        {1, "DU", "", kBlack, kDown, "m:d1@50,20 m:u1@50,20 k:C "},
        {1, "DUDU", "", kBlack, kWhite, "m:d1@50,20 m:u1@50,20 k:C m:d1@50,20 m:u1@50,20 k:C "},
        {1, "Kk", "", kBlack, kDown, "k:D65 k:U65 k:C "},
        {2, "DU", "", kBlack, kWhite, "m:d1@50,20 m:u1@50,20 k:C "},  // only 1 toggles
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        Rig rig(rows[i].toggle);
        rig.Run(rows[i].in, kIn, kInY);
        rig.Run(rows[i].out, kOut, kOut);
        EXPECT_EQ(rows[i].border, rig.Border()) << "row " << i;
        EXPECT_EQ(rows[i].fill, rig.Fill()) << "row " << i;
        EXPECT_EQ(kWhite, rig.bench.Pixel(kRect.left, kRect.top)) << "row " << i;  // corner
        EXPECT_EQ(rows[i].log, rig.log) << "row " << i;
        for (void* sender : {rig.kl.last, rig.ml.last})
            EXPECT_TRUE(sender == nullptr || sender == &rig.b) << "row " << i;
    }
}

TEST(VdButton, PressOutsideReleaseInsideClicks) {
    Rig rig;
    EXPECT_EQ(0, rig.bench.D().HandleMouseDown(VD_MOUSE_LEFT, kOut, kOut));
    EXPECT_EQ(1, rig.bench.D().HandleMouseUp(VD_MOUSE_LEFT, kIn, kInY));
    EXPECT_EQ("m:u1@50,20 k:C ", rig.log);
    // A foreign key and hot key 0 are not the button's.
    EXPECT_EQ(0, rig.bench.D().HandleKeyDown('B'));
    rig.b.SetHotKey(0);
    EXPECT_EQ(0, rig.bench.D().HandleKeyDown(0) | rig.bench.D().HandleKeyUp(0));
}

TEST(VdButton, HoverRepaintsWhenThePointerCrossesTheEdge) {
    const int steps[][3] = {{kOut, kOut, 0}, {kIn, kInY, 1}, {kIn + 5, kInY, 0},
                            {kRect.right, kInY, 1}, {kRect.right - 1, kInY, 1}};
    Rig rig;
    for (size_t i = 0; i < 5; ++i) {
        rig.bench.Parent().Take();
        rig.bench.D().HandleMouseMove(steps[i][0], steps[i][1]);
        EXPECT_EQ(steps[i][2], rig.bench.Parent().Take()) << "step " << i;
    }
}

TEST(VdButton, ClickGoesToTheKeyboardListenerFirst) {
    struct Row {
        int kl, ml, klResult, mlResult;  // listener present, its answer
        const char* log;
        int result;
    };
    const Row rows[] = {{1, 1, 1, 1, "k:C ", 1}, {1, 1, 0, 7, "k:C m:C ", 7}, {0, 1, 0, 5, "m:C ", 5},
                        {1, 0, 0, 0, "k:C ", 0},  {0, 0, 0, 0, "", 0}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        Rig rig;
        rig.kl.clickResult = rows[i].klResult;
        rig.ml.clickResult = rows[i].mlResult;
        if (!rows[i].kl) rig.b.SetKeyboardListener(nullptr);
        if (!rows[i].ml) rig.b.SetMouseKeyListener(nullptr);
        EXPECT_EQ(rows[i].result, rig.b.OnClick(nullptr)) << "row " << i;
        EXPECT_EQ(rows[i].log, rig.log) << "row " << i;
    }
}

}  // namespace
