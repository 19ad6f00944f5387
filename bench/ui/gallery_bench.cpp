// Draws a gallery of every drawing operation (fills, lines, broken lines,
// rounded rectangles, blits, text in the program's fonts and formats) on the
// window surface of the platform's back end, writes it as a PNG for review
// by eye, and prints how long the text and fill operations take.
//   bench_ui_gallery_bench [out.png]      (default surface-gallery-<backend>.png)
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "ui/drawsurface.h"
#include "ui/fontdesc.h"
#include "ui/pngwriter.h"

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
constexpr int kH = 360;

void Caption(CDrawSurface* s, CFontDesc* f, int x, int y, const char* text) {
    s->SelectFont(f);
    s->SetPenColor(VdRgb(90, 90, 90));
    VdRect r{x, y, x + 240, y + 14};
    s->DrawText(&r, text, VD_DT_SINGLELINE);
}

void DrawGallery(IWindowHost* host, CDrawSurface* s) {
    CFontDesc small("Arial", 12, 0);  // the main window's font
    CFontDesc normal("Arial", 16, 1);
    CFontDesc bold("Arial", 16, 2);
    CFontDesc italic("Arial", 16, 1);
    italic.SetItalic(1);
    CFontDesc under("Arial", 16, 1);
    under.SetUnderline(1);
    CFontDesc mono("Courier New", 14, 1);

    s->BeginPaint();
    // Fills and an origin.
    s->SetOrigin(10, 10);
    const VdColor colours[] = {VdRgb(255, 0, 0), VdRgb(0, 160, 0), VdRgb(0, 0, 255), VdRgb(255, 200, 0)};
    for (int i = 0; i < 4; ++i) {
        s->SetBrushColor(colours[i]);
        VdRect r{i * 22, 0, i * 22 + 20, 20};
        s->FillRect(&r);
    }
    s->SetOrigin(0, 0);
    Caption(s, &small, 10, 32, "FillRect at origin (10,10)");

    // Lines: solid, a fan, dashed then dotted.
    for (int i = 0; i <= 8; ++i) s->DrawLine(200, 10, 200 + i * 10, 50);
    s->DrawBrokenLine(300, 15, 470, 15);
    s->SetPenColor(VdRgb(0, 0, 200));
    s->DrawBrokenLine(300, 25, 470, 25);
    s->DrawLine(300, 35, 470, 35);
    Caption(s, &small, 300, 40, "dashed, dotted, solid");

    // Rounded rectangles as buttons are drawn.
    const int radii[] = {0, 6, 12, 30};
    for (int i = 0; i < 4; ++i) {
        s->SetPenColor(VdRgb(0, 0, 0));
        s->SetBrushColor(i % 2 ? VdRgb(220, 230, 255) : VdRgb(240, 240, 240));
        VdRect r{10 + i * 60, 70, 60 + i * 60, 110};
        s->DrawRoundRect(&r, radii[i], radii[i]);
        s->SetPenColor(VdRgb(0, 0, 0));
        s->SelectFont(&normal);
        s->DrawText(&r, i == 0 ? "Q" : (i == 1 ? "R" : (i == 2 ? "S" : "T")),
                    VD_DT_CENTER | VD_DT_VCENTER | VD_DT_SINGLELINE);
    }
    Caption(s, &small, 10, 112, "RoundRect 0/6/12/30, centred captions");

    // An off-screen strip copied in twice, as the journal panel does.
    std::unique_ptr<CDrawSurface> strip(host->CreateSurface(100, 30));
    strip->SetBrushColor(VdRgb(255, 255, 255));
    VdRect all{0, 0, 100, 30};
    strip->FillRect(&all);
    strip->SetPenColor(VdRgb(200, 0, 0));
    for (int x = 0; x < 100; x += 10) strip->DrawLine(x, x % 20 ? 5 : 25, x + 10, x % 20 ? 25 : 5);
    strip->SelectFont(&small);
    strip->SetPenColor(VdRgb(0, 0, 0));
    strip->SetBrushColor(VdRgb(255, 255, 180));
    VdRect tr{2, 8, 98, 22};
    strip->DrawText(&tr, "opaque", VD_DT_CENTER | VD_DT_VCENTER | VD_DT_SINGLELINE);
    VdRect b1{260, 70, 360, 100};
    s->Blit(&b1, strip.get(), 0, 0);
    s->SetOrigin(370, 70);
    VdRect b2{0, 0, 50, 30};
    s->Blit(&b2, strip.get(), 50, 0);
    s->SetOrigin(0, 0);
    Caption(s, &small, 260, 102, "Blit of an off-screen strip");

    // Text in the fonts and formats of the program.
    struct Sample {
        CFontDesc* font;
        const char* text;
        unsigned format;
    } samples[] = {
        {&small, "Arial 12 thin: CQ CQ DE VARDO 0123456789", VD_DT_SINGLELINE},
        {&normal, "Arial 16: The quick brown fox", VD_DT_SINGLELINE},
        {&bold, "Arial 16 bold: PARIS PARIS", VD_DT_SINGLELINE},
        {&italic, "Arial 16 italic: jumps over", VD_DT_SINGLELINE},
        {&under, "Arial 16 underlined", VD_DT_SINGLELINE},
        {&mono, "Courier 14: .-.. --- ...", VD_DT_SINGLELINE},
        {&normal, "\xB7\xA2\xCB\xCD\xB6\xD3\xC1\xD0 (GBK)", VD_DT_SINGLELINE},
        {&normal, "End ellipsis cuts this rather long line of text short", VD_DT_SINGLELINE | VD_DT_END_ELLIPSIS},
    };
    int y = 130;
    for (const Sample& smp : samples) {
        VdRect r{10, y, 260, y + 22};
        s->SetPenColor(VdRgb(220, 220, 220));
        s->DrawLine(r.left, r.top, r.right, r.top);
        s->DrawLine(r.right - 1, r.top, r.right - 1, r.bottom);
        s->SetPenColor(VdRgb(0, 0, 0));
        s->SelectFont(smp.font);
        s->DrawText(&r, smp.text, smp.format);
        y += 26;
    }
    // Alignment in a box.
    s->SetPenColor(VdRgb(180, 180, 180));
    s->SetBrushColor(VdRgb(250, 250, 250));
    VdRect box{290, 140, 470, 240};
    s->DrawRoundRect(&box, 0, 0);
    s->SelectFont(&normal);
    s->SetPenColor(VdRgb(0, 0, 160));
    s->DrawText(&box, "top left", VD_DT_SINGLELINE);
    s->DrawText(&box, "centre", VD_DT_SINGLELINE | VD_DT_CENTER | VD_DT_VCENTER);
    s->DrawText(&box, "bottom right", VD_DT_SINGLELINE | VD_DT_RIGHT | VD_DT_BOTTOM);
    VdRect two{290, 250, 470, 300};
    s->DrawText(&two, "two lines\nof text", VD_DT_LEFT);
    s->EndPaint();
}

double Time(CDrawSurface* s, bool text) {
    CFontDesc font("Arial", 12, 0);
    s->SelectFont(&font);
    auto start = std::chrono::steady_clock::now();
    const int n = 2000;
    for (int i = 0; i < n; ++i) {
        VdRect r{0, 0, 120, 20};
        if (text) {
            s->DrawText(&r, "CQ CQ DE VARDO", VD_DT_CENTER | VD_DT_VCENTER | VD_DT_SINGLELINE);
        } else {
            s->FillRect(&r);
        }
    }
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / n;
}

}  // namespace

int main(int argc, char** argv) {
    std::string out = argc > 1 ? argv[1] : std::string("surface-gallery-") + kBackEnd + ".png";
#ifdef _WIN32
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"gallery", WS_POPUP, 0, 0, kW, kH, nullptr, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    std::unique_ptr<IWindowHost> host(new CHwndWindowHost(hwnd));
#else
    std::unique_ptr<IWindowHost> host(new CHeadlessWindowHost(kW, kH, VdRect{0, 0, kW, kH}));
#endif
    std::unique_ptr<CDrawSurface> surface(host->CreateWindowSurface());
    DrawGallery(host.get(), surface.get());
    int saved = VdSavePng(*surface, out.c_str());
    std::printf("%s back end: gallery %s %s\n", kBackEnd, out.c_str(), saved ? "written" : "NOT written");
    std::unique_ptr<CDrawSurface> scratch(host->CreateSurface(120, 20));
    std::printf("DrawText 14 chars, Arial 12: %.1f us per call\n", Time(scratch.get(), true));
    std::printf("FillRect 120x20: %.2f us per call\n", Time(scratch.get(), false));
    surface.reset();
    scratch.reset();
    host.reset();
#ifdef _WIN32
    DestroyWindow(hwnd);
#endif
    return saved ? 0 : 1;
}
