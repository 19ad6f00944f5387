// Label: the 8193-character capacity, queue order, the lock time-out, whole
// texts for readers while another thread writes, and what it paints.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>

#include "tests/ui/vdcontroltestkit.h"
#include "ui/fontdesc.h"
#include "ui/vdlabel.h"

namespace {

const VdRect kRect{10, 10, 150, 30};

// Lets a test hold the label's lock as a second writer would.
struct CHeldLabel : CVdLabel {
    using CVdLabel::CVdLabel;
    using CVdLabel::TextLock;
};

struct Rig {
    explicit Rig(const char* text = nullptr, const char* lock = "HHH")
        : bench(160, 40), font("Arial", 12, 0), style{0x0000FF, 0x00FF00, VD_DT_END_ELLIPSIS, &font},
          label(&bench.Parent(), &kRect, text, &style, lock) {
        bench.D().AddPaintControl(&label);
    }
    CControlBench bench;
    CFontDesc font;
    tagTextStyle style;
    CHeldLabel label;
};

TEST(VdLabel, CapacityOrderAndRefusals) {
    struct Row {
        size_t initial;   // 'k' characters given to the constructor
        const char* lock;
        const char* add;  // appended one by one
        const char* got;  // AppendChar results, '1' or '0'
        size_t length;    // then
        char last;
        const char* removed;
    };
    const Row rows[] = {
        {0, "HHH", "ABC", "111", 3, 'C', "ABC"},
        {8192, "HHH", "zy", "10", 8193, 'z', "k"},
        {9000, "HHH", "z", "0", 8193, 'k', "k"},    // cut to 8193 at construction
        {2, nullptr, "z", "0", 2, 'k', ""},       // no lock: no queue work
        {0, "HHH", "\0", "0", 0, '\0', ""},      // the terminator is not a character
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        Rig rig(std::string(row.initial, 'k').c_str(), row.lock);
        std::string results;
        for (size_t k = 0; row.got[k]; ++k)
            results += rig.label.AppendChar(row.add[k]) ? '1' : '0';
        EXPECT_EQ(row.got, results) << "row " << i;
        EXPECT_EQ(row.length, std::strlen(rig.label.GetText())) << "row " << i;
        const char* text = rig.label.GetText();
        EXPECT_EQ(row.last, row.length ? text[row.length - 1] : '\0') << "row " << i;
        for (const char* p = row.removed; *p; ++p) EXPECT_EQ(*p, rig.label.RemoveFirstChar()) << "row " << i;
        // Emptied (or without a lock): removal yields 0 and still repaints.
        if (!row.lock || std::strlen(row.removed) >= row.length) {
            rig.bench.Parent().Take();
            EXPECT_EQ(0, rig.label.RemoveFirstChar()) << "row " << i;
            EXPECT_EQ(row.lock ? 1 : 0, rig.bench.Parent().Take()) << "row " << i;
        }
    }
}

TEST(VdLabel, LockTimeOut) {
    struct Row {
        int holdMs;  // another writer keeps the lock this long
        int appended;
        char removed;
        const char* text;
        int repaints;
    };
    const Row rows[] = {{1500, 0, 0, "q", 0}, {150, 1, 'q', "r", 2}};
    for (size_t i = 0; i < 2; ++i) {
        Rig rig("q");
        rig.bench.Parent().Take();
        for (int op = 0; op < 2; ++op) {
            std::atomic<bool> taken{false};
            std::thread holder([&] {
                rig.label.TextLock().lock();
                taken = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(rows[i].holdMs));
                rig.label.TextLock().unlock();
            });
            while (!taken) std::this_thread::yield();
            if (op == 0) {
                EXPECT_EQ(rows[i].appended, rig.label.AppendChar('r')) << "row " << i;
            } else {
                EXPECT_EQ(rows[i].removed, rig.label.RemoveFirstChar()) << "row " << i;
            }
            holder.join();
        }
        EXPECT_STREQ(rows[i].text, rig.label.GetText()) << "row " << i;
        EXPECT_EQ(rows[i].repaints, rig.bench.Parent().Take()) << "row " << i;
    }
}

TEST(VdLabel, ReadersSeeWholeTextsWhileAnotherThreadWrites) {
    // The writer keeps a window of the endless run 0123456789012...; a read
    // torn by a removal in progress shows a repeated or skipped digit.
    Rig rig;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int n = 0, next = 0; n < 6000; ++n) {
            if (rig.label.AppendChar(static_cast<char>('0' + next))) next = (next + 1) % 10;
            if (n % 3 == 2) rig.label.RemoveFirstChar();
        }
        done = true;
    });
    int torn = 0;
    char buf[32] = {};
    while (!done) {
        rig.label.CopyText(buf, sizeof buf - 1);
        for (const std::string& t : {std::string(rig.label.GetText()), std::string(buf)})
            for (size_t k = 1; k < t.size(); ++k) torn += t[k] != '0' + (t[k - 1] - '0' + 1) % 10;
    }
    writer.join();
    EXPECT_EQ(0, torn);
}

TEST(VdLabel, PaintsItsBackgroundAndText) {
    const char* texts[] = {nullptr, "", "EEE"};
    for (int i = 0; i < 3; ++i) {
        Rig rig(texts[i]);
        EXPECT_EQ(1, rig.bench.Paint());
        int text = 0, back = 0;
        for (int y = kRect.top; y < kRect.bottom; ++y)
            for (int x = kRect.left; x < kRect.right; ++x) (rig.bench.Pixel(x, y) == 0x00FF00 ? back : text)++;
        EXPECT_EQ(i == 2, text > 0) << "row " << i;
        EXPECT_GT(back, 0) << "row " << i;
        EXPECT_EQ(0xFFFFFFu, rig.bench.Pixel(kRect.left - 1, kRect.top)) << "row " << i;
    }
}

}  // namespace
