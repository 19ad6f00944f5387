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
#include "training/statsfile.h"

namespace {

HWND g_dlg = nullptr;

struct KochDialog : ::testing::Test {
    void SetUp() override {
        store.reset(new CVardoSetting());
        strcpy(store->charlist, "AB");
        store->koch_wordlen = 5;
        g_pSetting = store.get();
    }
    void TearDown() override { g_pSetting = nullptr; }
    std::unique_ptr<CVardoSetting> store;
};

// Confirms the "准备" prompt and waits for the dialog itself.
void AddOpenSteps(CDialogScript& s) {
    s.Add("prompt", [] {
        HWND box = CDialogScript::FindTop(L"准备");
        if (!box) return false;
        EXPECT_TRUE(CDialogScript::HasChildText(box, L"点击[确定]或按[回车]键开始..."));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    s.Add("dialog", [] { return (g_dlg = CDialogScript::FindTop(L"抄报栏")) != nullptr; });
}

// Copied, wrong and accuracy as shown.
std::string Figures() {
    return CDialogScript::Text(g_dlg, 1028) + " " + CDialogScript::Text(g_dlg, 1029) + " " +
           CDialogScript::Text(g_dlg, 1030);
}

COLORREF ColourAt(int at) {
    HWND edit = GetDlgItem(g_dlg, 1003);
    CHARRANGE keep, r = {at, at + 1};
    SendMessageW(edit, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
    CHARFORMATW f = {};
    f.cbSize = sizeof f;
    SendMessageW(edit, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&f));
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
    return f.crTextColor;
}

constexpr COLORREF RED = RGB(255, 0, 0);
constexpr COLORREF BLACK = RGB(0, 0, 0);

}  // namespace

TEST_F(KochDialog, ScoresTheCopyAsItIsTyped) {
    CDialogScript s;
    AddOpenSteps(s);
    s.Add("initial figures", [] {
        EXPECT_EQ("0 0 0%", Figures());
        EXPECT_EQ("00:00:00", CDialogScript::Text(g_dlg, 1027));
        EXPECT_EQ("完成", CDialogScript::Text(g_dlg, 1024));
        return true;
    });
    // The sent text is random: each copy is made from it. A "+" stands for
    // the next sent character in lower case; other characters are typed.
    struct Row { const wchar_t* typed; const char* figures; int at; COLORREF colour; };
    static const Row rows[] = {
        {L"++++", "4 0 100.0%", 3, BLACK},
        {L"X", "5 1 80.0%", 4, RED},
        {L" ", "6 1 83.3%", 5, BLACK},        // the space after the group
        {L"你", "7 2 71.4%", 6, RED},         // never matches
        {L"\b\b\b\b\b\b\b", "0 0 %", -1, 0},   // all deleted: nothing to colour
        {L"+\r", "3 2 33.3%", -1, 0},          // a line break is two copied
        {L"X", "4 3 25.0%", 2, RED},           // the break takes one position
    };
    static size_t row;
    row = 0;
    s.Add("type rows", [] {
        HWND edit = GetDlgItem(g_dlg, 1003);
        for (const wchar_t* c = rows[row].typed; *c; ++c) {
            int n = GetWindowTextLengthW(edit);
            if (*c == L'+') {
                wchar_t ch[2] = {static_cast<wchar_t>(g_szKochText[n] | 0x20), 0};
                CDialogScript::Type(edit, ch);
            } else if (*c == L'\b') {
                CDialogScript::Key(edit, VK_BACK, VK_BACK);
            } else if (*c == L'\r') {
                CDialogScript::Key(edit, VK_RETURN, '\r');
            } else {
                wchar_t ch[2] = {*c, 0};
                CDialogScript::Type(edit, ch);
            }
        }
        EXPECT_EQ(rows[row].figures, Figures()) << "row " << row;
        if (rows[row].at >= 0) {
            EXPECT_EQ(rows[row].colour, ColourAt(rows[row].at)) << "row " << row;
            EXPECT_EQ(BLACK, ColourAt(0)) << "row " << row << ": an earlier colour changed";
        }
        return ++row == sizeof rows / sizeof rows[0];
    });
    s.Add("clock runs", [] {
        std::string clock = CDialogScript::Text(g_dlg, 1027);
        if (clock == "00:00:00") return false;
        EXPECT_EQ("00:00:01", clock);
        CDialogScript::PostClick(g_dlg, 1024);
        return true;
    });
    static DWORD t0;
    static std::string frozen;
    s.Add("first press: close button, clock stops", [] {
        if (CDialogScript::Text(g_dlg, 1024) != "关闭") return false;
        if (frozen.empty()) {
            frozen = CDialogScript::Text(g_dlg, 1027);
            t0 = GetTickCount();
        }
        if (GetTickCount() - t0 < 1500) return false;
        EXPECT_EQ(frozen, CDialogScript::Text(g_dlg, 1027));
        // The figures still follow the copy.
        CDialogScript::Type(GetDlgItem(g_dlg, 1003), L"Q");
        EXPECT_EQ("5 4 20.0%", Figures());
        CDialogScript::PostClick(g_dlg, 1024);
        return true;
    });
    frozen.clear();
    s.Start();
    int result = RunKochDialog(nullptr);
    EXPECT_TRUE(s.Finish()) << s.failure();
    EXPECT_EQ(1024, result);
    // The text scored against: 256 characters of the set in groups of five.
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
    s.Add("message", [] {
        EXPECT_EQ(nullptr, CDialogScript::FindTop(L"准备"));
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
}

TEST_F(KochDialog, SessionEndRecordsEachCharacterShowsTheTableAndOffersTheNextLesson) {
    // Three earlier sessions on AB at 95 %: the next Koch character is due.
    CCharStats earlier;
    for (int k = 0; k < 3; ++k) {
        std::vector<tagCharResult> r(40, tagCharResult{'A', COPY_OUTCOME_RIGHT});
        r[0].nOutcome = COPY_OUTCOME_WRONG;
        r[1] = tagCharResult{'B', COPY_OUTCOME_MISSED};
        earlier.AddSession("AB", r);
    }
    ASSERT_EQ(1, SaveCharStats(VARDO_STATS_FILE, earlier));
    CDialogScript s;
    AddOpenSteps(s);
    s.Add("copy and finish", [] {
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(g_dlg, 1372)));
        // Four right, then a wrong one: this session is too short to count
        // toward the lesson, but every character is recorded.
        wchar_t copy[6] = {};
        for (int i = 0; i < 4; ++i) copy[i] = static_cast<wchar_t>(g_szKochText[i]);
        copy[4] = L'X';
        CDialogScript::Type(GetDlgItem(g_dlg, 1003), copy);
        CDialogScript::PostClick(g_dlg, 1024);
        return true;
    });
    s.Add("lesson offer", [] {
        HWND box = CDialogScript::FindTop(L"Koch课程");
        if (!box) return false;
        EXPECT_TRUE(CDialogScript::HasChildText(box, L"最近3次练习的正确率已达到90%。\n是否把下一个字符“K”加入字符集？"));
        PostMessageW(box, WM_COMMAND, IDYES, 0);
        return true;
    });
    s.Add("table", [] {
        if (CDialogScript::FindTop(L"Koch课程")) return false;
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(g_dlg, 1372)));
        const std::string table = CDialogScript::Text(g_dlg, 1372);
        EXPECT_EQ(0u, table.find("字符  本次      累计\r\n")) << table;
        // One line per character of the session, each with both figures
        // (the group text is random: look for the first character sent).
        EXPECT_NE(std::string::npos, table.find(std::string(1, static_cast<char>(g_szKochText[0])) + " ")) << table;
        EXPECT_NE(std::string::npos, table.find("%  ")) << table;
        CDialogScript::PostClick(g_dlg, 1024);
        return true;
    });
    s.Start();
    EXPECT_EQ(1024, RunKochDialog(nullptr));
    EXPECT_TRUE(s.Finish()) << s.failure();
    EXPECT_STREQ("ABK", store->charlist);
    // The file now holds the earlier sessions and this one's five characters.
    CCharStats after;
    ASSERT_EQ(STATS_LOADED, LoadCharStats(VARDO_STATS_FILE, &after));
    ASSERT_EQ(4u, after.Sessions().size());
    const tagSessionTally& last = after.Sessions().back();
    EXPECT_EQ("AB", last.szCharList);
    EXPECT_EQ(4, last.nRight);
    EXPECT_EQ(1, last.nWrong);
    int64_t total = 0;
    for (char c : {'A', 'B'}) {
        const tagCharTally* t = after.Find(c);
        if (t) total += t->nRight + t->nWrong + t->nMissed;
    }
    EXPECT_EQ(3 * 40 + 5, total);
    DeleteFileA(VARDO_STATS_FILE);
}

TEST_F(KochDialog, DamagedStatisticsAreReportedAndReplaced) {
    store->koch_weighted = 1;
    {
        FILE* f = fopen(VARDO_STATS_FILE, "wb");
        ASSERT_NE(nullptr, f);
        fputs("vardo-stats 1\nchar 41 1 2", f);  // cut short
        fclose(f);
    }
    CDialogScript s;
    s.Add("notice", [] {
        HWND box = CDialogScript::FindTop(L"警告");
        if (!box) return false;
        EXPECT_TRUE(CDialogScript::HasChildText(
            box, L"字符统计文件已损坏，已改名为vardostats.txt.bad保留，并重新开始统计。"));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    AddOpenSteps(s);
    s.Add("esc", [] {
        PostMessageW(g_dlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    s.Start();
    EXPECT_EQ(2, RunKochDialog(nullptr));
    EXPECT_TRUE(s.Finish()) << s.failure();
    CCharStats after;
    EXPECT_EQ(STATS_LOADED, LoadCharStats(VARDO_STATS_FILE, &after));
    EXPECT_STREQ("AB", store->charlist);
    EXPECT_EQ(5, store->koch_wordlen);
    DeleteFileA(VARDO_STATS_FILE);
    DeleteFileA((std::string(VARDO_STATS_FILE) + ".bad").c_str());
}

TEST_F(KochDialog, EscRecordsWhatTheCopyCovers) {
    // Each row: the copy typed before Esc ('+' the sent character, others
    // as typed), and the characters recorded right and wrong (none missed:
    // the rest of the text was not waited for).
    struct Row { const wchar_t* typed; int right, wrong; };
    static const Row rows[] = {
        {L"++++X", 4, 1},
        {L"", 0, 0},  // nothing copied: no session
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        DeleteFileA(VARDO_STATS_FILE);
        static size_t row;
        row = i;
        CDialogScript s;
        AddOpenSteps(s);
        s.Add("copy and Esc", [] {
            HWND edit = GetDlgItem(g_dlg, 1003);
            for (const wchar_t* c = rows[row].typed; *c; ++c) {
                const int n = GetWindowTextLengthW(edit);
                wchar_t ch[2] = {*c == L'+' ? static_cast<wchar_t>(g_szKochText[n]) : *c, 0};
                CDialogScript::Type(edit, ch);
            }
            PostMessageW(g_dlg, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        s.Start();
        EXPECT_EQ(2, RunKochDialog(nullptr)) << "row " << i;
        EXPECT_TRUE(s.Finish()) << "row " << i << ": " << s.failure();
        CCharStats after;
        const int loaded = LoadCharStats(VARDO_STATS_FILE, &after);
        if (rows[i].right + rows[i].wrong == 0) {
            EXPECT_EQ(STATS_NEW, loaded) << "row " << i << ": an empty copy wrote a session";
            continue;
        }
        ASSERT_EQ(STATS_LOADED, loaded) << "row " << i;
        ASSERT_EQ(1u, after.Sessions().size()) << "row " << i;
        EXPECT_EQ("AB", after.Sessions()[0].szCharList) << "row " << i;
        EXPECT_EQ(rows[i].right, after.Sessions()[0].nRight) << "row " << i;
        EXPECT_EQ(rows[i].wrong, after.Sessions()[0].nWrong) << "row " << i;
        EXPECT_EQ(0, after.Sessions()[0].nMissed) << "row " << i;
    }
    DeleteFileA(VARDO_STATS_FILE);
}

TEST_F(KochDialog, AnUnreadableFileIsToldAndLeftAlone) {
    DeleteFileA(VARDO_STATS_FILE);
    ASSERT_TRUE(CreateDirectoryA(VARDO_STATS_FILE, nullptr));
    CDialogScript s;
    AddOpenSteps(s);
    s.Add("copy and finish", [] {
        wchar_t copy[3] = {static_cast<wchar_t>(g_szKochText[0]), static_cast<wchar_t>(g_szKochText[1]), 0};
        CDialogScript::Type(GetDlgItem(g_dlg, 1003), copy);
        CDialogScript::PostClick(g_dlg, 1024);
        return true;
    });
    s.Add("notice", [] {
        HWND box = CDialogScript::FindTop(L"警告");
        if (!box) return false;
        EXPECT_TRUE(CDialogScript::HasChildText(
            box, L"无法读取字符统计文件vardostats.txt，文件保持原样，本次练习未记入统计。"));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    s.Add("table and close", [] {
        if (CDialogScript::FindTop(L"警告")) return false;
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(g_dlg, 1372)));
        CDialogScript::PostClick(g_dlg, 1024);
        return true;
    });
    s.Start();
    EXPECT_EQ(1024, RunKochDialog(nullptr));
    EXPECT_TRUE(s.Finish()) << s.failure();
    const DWORD attributes = GetFileAttributesA(VARDO_STATS_FILE);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_NE(0u, attributes & FILE_ATTRIBUTE_DIRECTORY) << "the folder was replaced";
    RemoveDirectoryA(VARDO_STATS_FILE);
    DeleteFileA((std::string(VARDO_STATS_FILE) + ".lock").c_str());
}
