// Label control: the 8193-character capacity, the queue operations and
// their order, the lock time-out, strncpy rules of CopyText, and what the
// label paints.
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

constexpr int kMax = CVdLabel::LABEL_TEXT_MAX;
const VdRect kRect{10, 10, 150, 30};

// Lets a test hold the label's lock as a second writer would.
class CHeldLabel : public CVdLabel {
public:
    using CVdLabel::CVdLabel;
    using CVdLabel::TextLock;
};

struct LabelRig {
    explicit LabelRig(const char* text = nullptr, const char* lockName = "HHH")
        : bench(200, 60), font("Arial", 12, 0),
          style{0x000000, 0xFFFFFF, VD_DT_END_ELLIPSIS, &font},
          label(&bench.Parent(), &kRect, text, &style, lockName) {
        bench.Dispatcher().AddPaintControl(&label);
    }
    CControlBench bench;
    CFontDesc font;
    tagTextStyle style;
    CHeldLabel label;
};

TEST(VdLabel, CapacityIs8193Characters) {
    struct Row {
        size_t initial;     // length of the text given to the constructor
        size_t stored;      // length kept
        int appendResult;
        size_t afterAppend;
    };
    const Row rows[] = {
        {0, 0, 1, 1},
        {8191, 8191, 1, 8192},
        {8192, 8192, 1, 8193},
        {8193, 8193, 0, 8193},
        {9000, 8193, 0, 8193},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        std::string text(row.initial, 'k');
        LabelRig rig(text.c_str());
        EXPECT_EQ(row.stored, std::strlen(rig.label.GetText())) << "row " << i;
        rig.bench.Parent().Take();
        EXPECT_EQ(row.appendResult, rig.label.AppendChar('z')) << "row " << i;
        // A full label still asks for a repaint.
        EXPECT_EQ(1, rig.bench.Parent().Take()) << "row " << i;
        std::string got = rig.label.GetText();
        EXPECT_EQ(row.afterAppend, got.size()) << "row " << i;
        if (row.appendResult) {
            EXPECT_EQ('z', got.back()) << "row " << i;
        }
        // SetText cuts the same way.
        rig.label.SetText(text.c_str());
        EXPECT_EQ(row.stored, std::strlen(rig.label.GetText())) << "row " << i;
    }
}

TEST(VdLabel, QueueKeepsOrder) {
    struct Row {
        const char* initial;
        const char* appended;
        const char* removed;  // in removal order, until 0
        int removals;
    };
    const Row rows[] = {
        {nullptr, "E", "E", 1},
        {nullptr, "ABC", "ABC", 3},
        {"XY", "Z", "XYZ", 3},
        {"", "", "", 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        LabelRig rig(row.initial);
        for (const char* p = row.appended; *p; ++p)
            EXPECT_EQ(1, rig.label.AppendChar(*p)) << "row " << i;
        for (int k = 0; k < row.removals; ++k)
            EXPECT_EQ(row.removed[k], rig.label.RemoveFirstChar()) << "row " << i << " k " << k;
        rig.bench.Parent().Take();
        // Empty now: removal yields 0, changes nothing, still repaints.
        EXPECT_EQ(0, rig.label.RemoveFirstChar()) << "row " << i;
        EXPECT_EQ(1, rig.bench.Parent().Take()) << "row " << i;
        EXPECT_STREQ("", rig.label.GetText()) << "row " << i;
    }
}

TEST(VdLabel, RefusesQueueWorkWithoutALockOrForTheTerminator) {
    LabelRig plain("ab", nullptr);
    EXPECT_EQ(0, plain.label.AppendChar('c'));
    EXPECT_EQ(0, plain.label.RemoveFirstChar());
    EXPECT_STREQ("ab", plain.label.GetText());
    LabelRig queue("ab");
    EXPECT_EQ(0, queue.label.AppendChar('\0'));
    EXPECT_STREQ("ab", queue.label.GetText());
}

TEST(VdLabel, LockTimeOut) {
    using namespace std::chrono;
    struct Row {
        int holdMs;  // how long another writer keeps the lock
        int appendResult;
        char removeResult;
        const char* text;
        int repaints;
    };
    const Row rows[] = {
        {1500, 0, 0, "q", 0},   // not had within one second: nothing happens
        {150, 1, 'q', "r", 2},  // had after a short wait
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const Row& row = rows[i];
        LabelRig rig("q");
        rig.bench.Parent().Take();
        for (int op = 0; op < 2; ++op) {
            std::atomic<bool> taken{false};
            std::thread holder([&] {
                CTimedLock& lock = rig.label.TextLock();
                lock.lock();
                taken = true;
                std::this_thread::sleep_for(milliseconds(row.holdMs));
                lock.unlock();
            });
            while (!taken) std::this_thread::yield();
            if (op == 0) {
                EXPECT_EQ(row.appendResult, rig.label.AppendChar('r')) << "row " << i;
            } else {
                EXPECT_EQ(row.removeResult, rig.label.RemoveFirstChar()) << "row " << i;
            }
            holder.join();
        }
        EXPECT_STREQ(row.text, rig.label.GetText()) << "row " << i;
        EXPECT_EQ(row.repaints, rig.bench.Parent().Take()) << "row " << i;
    }
}

TEST(VdLabel, CopyTextFollowsStrncpy) {
    struct Row {
        const char* text;
        int count;
        const char* expect;  // expected bytes, '@' for the untouched sentinel
        int len;
    };
    const Row rows[] = {
        {"abc", 6, "abc\0\0\0@@", 8},
        {"abc", 4, "abc\0@@@@", 8},
        {"abc", 3, "abc@@@@@", 8},  // not terminated
        {"abc", 1, "a@@@@@@@", 8},
        {"abc", 0, "@@@@@@@@", 8},
        {"abc", -2, "@@@@@@@@", 8},
        {"", 3, "\0\0\0@@@@@", 8},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        LabelRig rig(rows[i].text);
        char buf[8];
        std::memset(buf, '@', sizeof buf);
        EXPECT_EQ(buf, rig.label.CopyText(buf, rows[i].count)) << "row " << i;
        EXPECT_EQ(std::string(rows[i].expect, rows[i].len), std::string(buf, sizeof buf))
            << "row " << i;
    }
    LabelRig rig("abc");
    EXPECT_EQ(nullptr, rig.label.CopyText(nullptr, 5));
}

TEST(VdLabel, PaintsBackgroundAndText) {
    struct Row {
        const char* text;
        VdColor back, textColor;
        int expectText;  // 1: some pixel of the label differs from the background
    };
    const Row rows[] = {
        {nullptr, 0x00FF00, 0x0000FF, 0},
        {"", 0xFFFFFF, 0x000000, 0},
        {"EEE", 0x00FF00, 0x0000FF, 1},
        {"Queue: CQ CQ DE", 0xFFFFFF, 0x000000, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        LabelRig rig(rows[i].text);
        rig.style.crBackColor = rows[i].back;
        rig.style.crTextColor = rows[i].textColor;
        EXPECT_EQ(1, rig.bench.Paint()) << "row " << i;
        int other = 0, outside = 0;
        for (VdColor c : rig.bench.Pixels(kRect)) other += c != rows[i].back;
        // Nothing is drawn around the label.
        for (VdColor c : rig.bench.Pixels(VdRect{0, 0, 200, kRect.top})) outside += c != 0xFFFFFF;
        EXPECT_EQ(rows[i].expectText, other > 0 ? 1 : 0) << "row " << i << " " << other;
        EXPECT_EQ(0, outside) << "row " << i;
        EXPECT_EQ(rows[i].back, rig.bench.Pixel(kRect.right - 1, kRect.bottom - 1)) << "row " << i;
    }
}

TEST(VdLabel, SetTextRepaintsAndReportsTheResult) {
    LabelRig rig("old");
    rig.bench.Parent().Take();
    EXPECT_NE(0, rig.label.SetText("new"));
    EXPECT_EQ(1, rig.bench.Parent().Take());
    EXPECT_STREQ("new", rig.label.GetText());
    rig.label.SetText(nullptr);
    EXPECT_STREQ("", rig.label.GetText());
    VdRect r{}, last = rig.bench.Parent().Last();
    rig.label.GetRect(&r);
    EXPECT_EQ(0, std::memcmp(&r, &kRect, sizeof r));
    EXPECT_EQ(0, std::memcmp(&last, &kRect, sizeof r));
    EXPECT_EQ(1, rig.label.HitTest(kRect.left, kRect.top));
    EXPECT_EQ(0, rig.label.HitTest(kRect.right, kRect.top));
}

TEST(VdLabel, ReadersSeeWholeTextsWhileAnotherThreadWrites) {
    // The writer keeps a window of the endless sequence 0123456789012...;
    // every text a reader sees must be a run of that sequence. A read torn
    // by a removal in progress shows a repeated or skipped digit.
    LabelRig rig;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        int next = 0;
        for (int n = 0; n < 20000; ++n) {
            if (rig.label.AppendChar(static_cast<char>('0' + next))) next = (next + 1) % 10;
            if (n % 3 == 2) rig.label.RemoveFirstChar();
        }
        done = true;
    });
    int reads = 0, torn = 0;
    char buf[64];
    while (!done || reads < 100) {
        std::string a = rig.label.GetText();
        rig.label.CopyText(buf, sizeof buf - 1);
        buf[sizeof buf - 1] = '\0';
        for (const std::string& t : {a, std::string(buf)}) {
            for (size_t k = 1; k < t.size(); ++k)
                if (t[k] != '0' + (t[k - 1] - '0' + 1) % 10) ++torn;
        }
        rig.bench.Paint();
        ++reads;
    }
    writer.join();
    EXPECT_EQ(0, torn) << reads << " reads";
}

}  // namespace
