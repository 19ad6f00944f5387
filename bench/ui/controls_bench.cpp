// Draws the owner-drawn controls as the main window shows them (buttons in
// every state, character buttons, labels, a line, a journal panel that has
// decoded keyed text and wrapped round its ring) through the dispatcher of
// the platform's back end, writes the window surface as a PNG for review by
// eye, and prints what a sample and a paint pass cost.
//   bench_ui_controls_bench [out.png]     (default controls-<backend>.png)
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "morse/morsecode.h"
#include "ui/drawsurface.h"
#include "ui/eventdispatcher.h"
#include "ui/fontdesc.h"
#include "ui/pngwriter.h"
#include "ui/vdbutton.h"
#include "ui/vdjournalpanel.h"
#include "ui/vdlabel.h"
#include "ui/vdline.h"

#ifdef _WIN32
#include <windows.h>

#include "ui/windowhost_win32.h"
static const char kBackEnd[] = "gdi";
#else
#include "ui/windowhost_headless.h"
static const char kBackEnd[] = "raster";
#endif

namespace {

constexpr int kW = 480;
constexpr int kH = 236;

// Key samples of text at threshold 3: dot 2, dash 6, gaps 2, 6 and 14.
void KeyText(const tagMorseCode* table, const char* text, std::vector<int>* out) {
    for (const char* p = text; *p; ++p) {
        if (*p == ' ') {
            out->insert(out->end(), 8, 0);
            continue;
        }
        const tagMorseCode* code = FindCode(table, static_cast<signed char>(*p));
        ForEachMorseElement(*code, [&](bool dot) {
            out->insert(out->end(), dot ? 2 : 6, 1);
            out->insert(out->end(), 2, 0);
        });
        out->insert(out->end(), 4, 0);
    }
}

double Micros(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

}  // namespace

int main(int argc, char** argv) {
    std::string out = argc > 1 ? argv[1] : std::string("controls-") + kBackEnd + ".png";
#ifdef _WIN32
    // A visible window: only then does a paint pass get an update rectangle.
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"controls", WS_POPUP | WS_VISIBLE, 0, 0, kW, kH,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    std::unique_ptr<IWindowHost> host(new CHwndWindowHost(hwnd));
#else
    std::unique_ptr<IWindowHost> host(new CHeadlessWindowHost(kW, kH, VdRect{0, 0, kW, kH}));
#endif
    std::unique_ptr<CEventDispatcherWin32> d(new CEventDispatcherWin32(host.get()));
    CFontDesc font("Arial", 12, 0);
    tagTextStyle style{0x000000, 0xFFFFFF, VD_DT_END_ELLIPSIS, &font};
    tagMorseCode table[MORSE_CODE_COUNT];
    FillDefaultMorseTable(table);

    struct ButtonSpec {
        const char* caption;
        VdRect rect;
        int toggle;
    };
    const ButtonSpec specs[] = {
        {"idle", {10, 10, 90, 34}, 0},     {"hover", {100, 10, 180, 34}, 0},
        {"pressed", {190, 10, 270, 34}, 0}, {"toggle on", {280, 10, 360, 34}, 1},
        {"CW", {370, 10, 470, 50}, 0},
    };
    std::vector<std::unique_ptr<CVdButton>> buttons;
    for (const ButtonSpec& s : specs) {
        buttons.emplace_back(new CVdButton(d.get(), s.caption, &s.rect, s.toggle, &font));
    }
    // Character buttons as the main window lays them out.
    for (int i = 0; i < 6; ++i) {
        char caption[MORSE_CAPTION_LEN + 1];
        FormatMorseCaption(table[i == 5 ? 42 : i * 7], caption, sizeof caption);
        VdRect r{10 + i * 62, 56, 68 + i * 62, 68};
        buttons.emplace_back(new CVdButton(d.get(), caption, &r, 0, &font));
    }
    for (auto& b : buttons) {
        d->AddPaintControl(b.get());
        d->AddMouseMoveControl(b.get());
        d->AddMouseKeyControl(b.get());
        d->AddKeyboardControl(b.get());
    }
    d->HandleMouseMove(140, 20);                   // hover
    d->HandleMouseDown(VD_MOUSE_LEFT, 300, 20);    // toggle: down, up
    d->HandleMouseUp(VD_MOUSE_LEFT, 300, 20);
    d->HandleMouseDown(VD_MOUSE_LEFT, 230, 20);    // held down
    d->HandleMouseMove(140, 20);                   // and the pointer over "hover"

    const VdRect queueRect{10, 76, 230, 92}, captionRect{240, 76, 470, 92};
    CVdLabel queue(d.get(), &queueRect, nullptr, &style, "HHH");
    for (const char* p = "CQ CQ DE VARDO K"; *p; ++p) queue.AppendChar(*p);
    CVdLabel caption(d.get(), &captionRect,
                     "A caption far too long for its label ends in an ellipsis", &style, nullptr);
    CVdLine line(d.get(), 10, 98, 470, 98);
    const VdRect panelRect{10, 104, 470, 154};
    CVdJournalPanel panel(d.get(), &panelRect, table, 3, &style);
    const VdRect wrapRect{10, 164, 170, 214};
    CVdJournalPanel wrapped(d.get(), &wrapRect, table, 3, &style);
    for (IPaintEventControl* c : std::initializer_list<IPaintEventControl*>{&queue, &caption, &line, &panel, &wrapped})
        d->AddPaintControl(c);

    std::vector<int> samples;
    KeyText(table, "CQ DE VARDO", &samples);
    // .-.- is no character: the panel shows "#".
    for (int s : {1, 1, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0})
        samples.push_back(s);
    samples.insert(samples.end(), 20, 0);
    auto t0 = std::chrono::steady_clock::now();
    for (int s : samples) panel.AddSample(s);
    auto t1 = std::chrono::steady_clock::now();
    // The small panel turns its ring about twice.
    std::vector<int> tail;
    KeyText(table, "TEST 5NN", &tail);
    for (int s : tail) wrapped.AddSample(s);

    const int passes = 20;
    auto t2 = std::chrono::steady_clock::now();
    for (int i = 0; i < passes; ++i) {
        d->Invalidate(nullptr);
        d->HandlePaint();
    }
    auto t3 = std::chrono::steady_clock::now();

    int saved = VdSavePng(*d->GetWindowSurface(), out.c_str());
    std::printf("back end %s\n", kBackEnd);
    std::printf("journal AddSample: %.2f us per sample (%zu samples)\n",
                Micros(t1 - t0) / static_cast<double>(samples.size()), samples.size());
    std::printf("paint pass of %zu controls: %.1f us\n", buttons.size() + 5,
                Micros(t3 - t2) / passes);
    std::printf("%s %s\n", saved ? "wrote" : "could not write", out.c_str());
    d.reset();
    host.reset();
#ifdef _WIN32
    DestroyWindow(hwnd);
#endif
    return saved ? 0 : 1;
}
