// The Koch copy dialog driven as an operator would: confirm the prompt,
// type a copy, read the four figures and the colour of the last character
// back from the dialog's controls, finish in two steps or cancel.
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/toolcommands.h"
#include "settings/vardosetting.h"
#include "tests/training/dialogscript_win32.h"
#include "training/kochdialog.h"
#include "training/kochtext.h"

namespace {

struct StoreFixture : ::testing::Test {
    void SetUp() override {
        store.reset(new CVardoSetting());
        strcpy(store->charlist, "AB");
        store->koch_wordlen = 5;
        g_pSetting = store.get();
    }
    void TearDown() override { g_pSetting = nullptr; }
    std::unique_ptr<CVardoSetting> store;
};

HWND g_dlg = nullptr;

// Confirms the "准备" prompt and waits until the dialog itself shows.
void AddOpenSteps(CDialogScript& s) {
    s.Add("prompt", [] {
        HWND box = CDialogScript::FindTop(L"准备");
        if (!box) return false;
        EXPECT_TRUE(CDialogScript::HasChildText(box, L"点击[确定]或按[回车]键开始..."));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    s.Add("dialog", [] {
        g_dlg = CDialogScript::FindTop(L"抄报栏");
        return g_dlg != nullptr;
    });
}

struct Figures {
    std::string copied, wrong, rate;
};

Figures Read() {
    return {CDialogScript::Narrow(CDialogScript::Text(g_dlg, 1028)),
            CDialogScript::Narrow(CDialogScript::Text(g_dlg, 1029)),
            CDialogScript::Narrow(CDialogScript::Text(g_dlg, 1030))};
}

COLORREF ColourAt(int at) {
    HWND edit = GetDlgItem(g_dlg, 1003);
    CHARRANGE keep;
    SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    CHARRANGE r = {at, at + 1};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    CHARFORMATW f = {};
    f.cbSize = sizeof f;
    SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    return f.crTextColor;
}

}  // namespace

using KochDialog = StoreFixture;

TEST_F(KochDialog, ScoresTheCopyAsItIsTyped) {
    CDialogScript s;
    AddOpenSteps(s);
    s.Add("initial figures", [&] {
        Figures f = Read();
        EXPECT_EQ("0", f.copied);
        EXPECT_EQ("0", f.wrong);
        EXPECT_EQ("0%", f.rate);
        EXPECT_EQ("00:00:00", CDialogScript::Narrow(CDialogScript::Text(g_dlg, 1027)));
        EXPECT_EQ("完成", CDialogScript::Narrow(CDialogScript::Text(g_dlg, 1024)));
        return true;
    });
    // The sent text is random; build each copy from it.
    struct Row {
        const char* what;
        std::wstring (*copy)();
        const char* copied;
        const char* wrong;
        const char* rate;
        int lastRed;  // -1: nothing to colour
    };
    static const Row rows[] = {
        {"four right in lower case",
         [] { std::wstring w; for (int i = 0; i < 4; ++i) w += static_cast<wchar_t>(g_szKochText[i] + 32); return w; },
         "4", "0", "100.0%", 0},
        {"then one wrong", [] { return std::wstring(L"X"); }, "5", "1", "80.0%", 1},
        {"then the space", [] { return std::wstring(L" "); }, "6", "1", "83.3%", 0},
        {"a non-ASCII character", [] { return std::wstring(L"你"); }, "7", "2", "71.4%", 1},
    };
    static size_t row = 0;
    row = 0;
    s.Add("type rows", [&] {
        const Row& r = rows[row];
        CDialogScript::Type(GetDlgItem(g_dlg, 1003), r.copy().c_str());
        Figures f = Read();
        EXPECT_EQ(r.copied, f.copied) << "row " << row << " " << r.what;
        EXPECT_EQ(r.wrong, f.wrong) << "row " << row << " " << r.what;
        EXPECT_EQ(r.rate, f.rate) << "row " << row << " " << r.what;
        if (r.lastRed >= 0) {
            int at = atoi(r.copied) - 1;
            EXPECT_EQ(r.lastRed ? RGB(255, 0, 0) : RGB(0, 0, 0), ColourAt(at)) << "row " << row << " " << r.what;
        }
        return ++row == sizeof rows / sizeof rows[0];
    });
    s.Add("wrong ones stay red", [&] {
        EXPECT_EQ(RGB(0, 0, 0), ColourAt(0));
        EXPECT_EQ(RGB(255, 0, 0), ColourAt(4));
        return true;
    });
    s.Add("delete all", [&] {
        HWND edit = GetDlgItem(g_dlg, 1003);
        for (int i = 0; i < 7; ++i) {
            SendMessageW(edit, WM_KEYDOWN, VK_BACK, 1);
            SendMessageW(edit, WM_CHAR, VK_BACK, 1);
            SendMessageW(edit, WM_KEYUP, VK_BACK, 0xC0000001);
        }
        Figures f = Read();
        EXPECT_EQ("0", f.copied);
        EXPECT_EQ("0", f.wrong);
        EXPECT_EQ("%", f.rate);
        return true;
    });
    s.Add("line break", [&] {
        HWND edit = GetDlgItem(g_dlg, 1003);
        std::wstring w;
        w += static_cast<wchar_t>(g_szKochText[0]);
        CDialogScript::Type(edit, w.c_str());
        SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
        SendMessageW(edit, WM_CHAR, '\r', 1);
        SendMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
        Figures f = Read();
        // A line break counts as copied and, where the sent text has a
        // letter, as wrong.
        EXPECT_EQ(std::string(g_szCopyText), std::string(1, g_szKochText[0]) + "\r\n");
        EXPECT_EQ("3", f.copied);
        EXPECT_EQ("2", f.wrong);
        EXPECT_EQ("33.3%", f.rate);
        // The character typed after the break is coloured, at the
        // control's position 2 (the break takes one there).
        CDialogScript::Type(edit, L"X");
        EXPECT_EQ("4", Read().copied);
        EXPECT_EQ(RGB(255, 0, 0), ColourAt(2));
        EXPECT_EQ(RGB(0, 0, 0), ColourAt(0));
        return true;
    });
    static DWORD t0;
    s.Add("clock runs", [&] {
        std::string clock = CDialogScript::Narrow(CDialogScript::Text(g_dlg, 1027));
        if (clock == "00:00:00") return false;
        EXPECT_EQ("00:00:01", clock);
        return true;
    });
    s.Add("finish", [&] {
        CDialogScript::PostClick(g_dlg, 1024);
        t0 = GetTickCount();
        return true;
    });
    s.Add("button reads close", [&] {
        return CDialogScript::Narrow(CDialogScript::Text(g_dlg, 1024)) == "关闭";
    });
    static std::string frozen;
    s.Add("clock stopped", [&] {
        if (frozen.empty()) frozen = CDialogScript::Narrow(CDialogScript::Text(g_dlg, 1027));
        if (GetTickCount() - t0 < 1500) return false;
        EXPECT_EQ(frozen, CDialogScript::Narrow(CDialogScript::Text(g_dlg, 1027)));
        EXPECT_TRUE(IsWindow(g_dlg));
        // Figures still follow the copy after finishing.
        CDialogScript::Type(GetDlgItem(g_dlg, 1003), L"Q");
        EXPECT_EQ("5", Read().copied);
        return true;
    });
    s.Add("close", [&] {
        CDialogScript::PostClick(g_dlg, 1024);
        return true;
    });
    frozen.clear();
    s.Start();
    int result = RunKochDialog(nullptr);
    bool ran = s.Finish();
    EXPECT_TRUE(ran) << s.failure();
    EXPECT_EQ(1024, result);
    EXPECT_EQ(1, g_bKochFinished);
    // The text the dialog scored against: 256 characters of the set in
    // groups of five.
    for (int i = 0; i < KOCH_TEXT_LEN; ++i) {
        ASSERT_EQ((i + 1) % 6 == 0, g_szKochText[i] == ' ') << "pos " << i;
    }
}

TEST_F(KochDialog, EscCancels) {
    CDialogScript s;
    AddOpenSteps(s);
    s.Add("esc", [] {
        PostMessageW(g_dlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    s.Start();
    int result = RunKochDialog(nullptr);
    EXPECT_TRUE(s.Finish()) << s.failure();
    EXPECT_EQ(2, result);
    EXPECT_EQ(0, g_bKochFinished);
}

TEST_F(KochDialog, OneCharacterShowsTheMessageOnly) {
    strcpy(store->charlist, "A");
    CDialogScript s;
    static int sawDialog;
    sawDialog = 0;
    s.Add("message", [] {
        if (CDialogScript::FindTop(L"准备") || CDialogScript::FindTop(L"抄报栏")) {
            sawDialog = 1;
        }
        HWND box = CDialogScript::FindTop(L"错误");
        if (!box) return false;
        EXPECT_TRUE(CDialogScript::HasChildText(
            box, L"没有设置Koch训练字符\n请先在菜单的[工具->设置]中设置至少2个ASCII字符"));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    s.Start();
    ShowKochDialog(nullptr);
    EXPECT_TRUE(s.Finish()) << s.failure();
    EXPECT_EQ(0, sawDialog);
}
