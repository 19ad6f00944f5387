// Controls shared between threads: a worker appends to the queue label and
// feeds a journal panel (as the sender and the sampling threads do) while
// the window's thread keeps painting and another worker empties the queue.
// The native run is under TSan; the end state is checked in pixels.
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
    struct Row {
        int samples;
        int threshold;
        int removeEvery;  // the remover takes a character every n appends (0: none)
    };
    const Row rows[] = {{3000, 3, 0}, {2500, 1, 2}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        const int w = 80, h = 40;
        CControlBench bench(200, 120);
        CFontDesc font("Arial", 12, 0);
        tagTextStyle style{0x000000, 0xFFFFFF, VD_DT_END_ELLIPSIS, &font};
        tagMorseCode table[MORSE_CODE_COUNT];
        FillDefaultMorseTable(table);
        const VdRect pr{0, 0, w, h}, lr{0, 60, 200, 80};
        CVdJournalPanel panel(&bench.Parent(), &pr, table, row.threshold, &style);
        CVdLabel label(&bench.Parent(), &lr, nullptr, &style, "HHH");
        bench.Dispatcher().AddPaintControl(&panel);
        bench.Dispatcher().AddPaintControl(&label);

        auto sample = [](int k) { return (k / 3) % 4 == 0 ? 1 : 0; };
        std::atomic<int> appended{0};
        std::atomic<bool> done{false};
        std::thread feeder([&] {
            for (int k = 0; k < row.samples; ++k) {
                panel.AddSample(sample(k));
                if (label.AppendChar(static_cast<char>('A' + k % 26))) ++appended;
            }
            done = true;
        });
        std::thread remover([&] {
            int removed = 0;
            while (row.removeEvery && !done) {
                if (appended.load() / row.removeEvery > removed && label.RemoveFirstChar()) ++removed;
                std::this_thread::yield();
            }
        });
        int passes = 0;
        while (!done) {
            bench.Paint();
            ++passes;
        }
        feeder.join();
        remover.join();
        bench.Paint();

        EXPECT_EQ(row.samples, appended.load()) << "row " << i;
        // The label holds the tail of what was appended, in order.
        std::string text = label.GetText();
        int broken = 0;
        for (size_t k = 1; k < text.size(); ++k)
            broken += text[k] != 'A' + (text[k - 1] - 'A' + 1) % 26;
        EXPECT_EQ(0, broken) << "row " << i;
        if (!row.removeEvery) {
            EXPECT_EQ(static_cast<size_t>(row.samples), text.size()) << "row " << i;
        }
        // The last w samples, in order, newest at the right edge.
        int wrong = 0;
        for (int x = 0; x < w; ++x) {
            const VdColor want = sample(row.samples - w + x) ? 0x000000 : 0xFFFFFF;
            for (int y = 2; y <= 6; ++y) wrong += bench.Pixel(x, y) != want;
        }
        EXPECT_EQ(0, wrong) << "row " << i << " after " << passes << " paint passes";
    }
}

}  // namespace
