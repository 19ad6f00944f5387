// A worker appends to the queue label and feeds a journal panel (as the
// sender and the sampling threads do) while the window's thread paints and
// another worker empties the queue. Run natively under TSan; the end state
// is checked in pixels and text.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "morse/morsecode.h"
#include "tests/ui/vdcontroltestkit.h"
#include "ui/fontdesc.h"
#include "ui/vdjournalpanel.h"
#include "ui/vdlabel.h"

namespace {

TEST(VdControlThreads, WorkersWriteWhileTheWindowPaints) {
    const int n = 3000, w = 80;
    CControlBench bench(200, 100);
    CFontDesc font("Arial", 12, 0);
    tagTextStyle style{0x000000, 0xFFFFFF, VD_DT_END_ELLIPSIS, &font};
    tagMorseCode table[MORSE_CODE_COUNT];
    FillDefaultMorseTable(table);
    const VdRect pr{0, 0, w, 40}, lr{0, 60, 200, 80};
    CVdJournalPanel panel(&bench.Parent(), &pr, table, 1, &style);
    CVdLabel label(&bench.Parent(), &lr, nullptr, &style, "HHH");
    bench.D().AddPaintControl(&panel);
    bench.D().AddPaintControl(&label);
    auto sample = [](int k) { return (k / 3) % 4 == 0 ? 1 : 0; };  // E E E ...
    std::atomic<int> appended{0}, removed{0};
    std::atomic<bool> done{false};
    std::thread feeder([&] {
        for (int k = 0; k < n; ++k) {
            panel.AddSample(sample(k));
            appended += label.AppendChar(static_cast<char>('A' + k % 26));
        }
        done = true;
    });
    std::thread remover([&] {
        while (!done)
            if (appended > 2 * removed) removed += label.RemoveFirstChar() != 0;
    });
    while (!done) bench.Paint();
    feeder.join();
    remover.join();
    bench.Paint();
    EXPECT_EQ(n, appended.load());
    std::string text = label.GetText();
    EXPECT_EQ(static_cast<size_t>(n - removed), text.size());
    int broken = 0, wrong = 0;
    for (size_t k = 1; k < text.size(); ++k) broken += text[k] != 'A' + (text[k - 1] - 'A' + 1) % 26;
    for (int x = 0; x < w; ++x) wrong += bench.Pixel(x, 4) != (sample(n - w + x) ? 0u : 0xFFFFFFu);
    EXPECT_EQ(0, broken);
    EXPECT_EQ(0, wrong);
}

}  // namespace
