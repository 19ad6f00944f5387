// The two audio file tools as an operator uses them: the input box with its
// prompt and remembered text, the file dialog with the default name, the
// file written where it was chosen, a missing folder refused, and the
// working directory (where the settings file lives) left as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "app/toolcommands.h"
#include "settings/vardosetting.h"
#include "tests/training/dialogscript_win32.h"
#include "training/cwwavewriter.h"
#include "training/inputbox.h"
#include "training/kochtext.h"
#include "training/wavefiledialog.h"

namespace {

std::wstring CurrentDirectory() {
    wchar_t buf[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, buf);
    return buf;
}

// The file's bytes; "missing" when it does not exist.
std::string FileBytes(const wchar_t* path) {
    std::ifstream f(path, std::ios::binary);
    return f ? std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()) : "missing";
}

// A visible dialog of this thread other than io[0] (into io[1]), or with
// io[0] null the system's file dialog: the one with a file name field.
BOOL CALLBACK FindDialogProc(HWND w, LPARAM p) {
    HWND* io = reinterpret_cast<HWND*>(p);
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (!IsWindowVisible(w) || wcscmp(cls, L"#32770") != 0 || w == io[0]) return TRUE;
    if (io[0] || GetDlgItem(w, 0x480) || GetDlgItem(w, 0x47C)) {
        io[1] = w;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialog(HWND other) {
    HWND io[2] = {other, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindDialogProc, reinterpret_cast<LPARAM>(io));
    return io[1];
}

// The file name field: an edit (edt1) or the edit of a combo box (cmb13).
HWND NameField(HWND dlg) {
    HWND f = GetDlgItem(dlg, 0x480);
    return f ? f : GetDlgItem(dlg, 0x47C);
}

// Checks the default name, types path into the file dialog and confirms.
void AddChooseStep(CDialogScript& s, const wchar_t* defaultName, const std::wstring& path) {
    s.Add("file dialog", [defaultName, path] {
        HWND dlg = FindDialog(nullptr);
        if (!dlg) return false;
        wchar_t name[MAX_PATH] = {};
        GetWindowTextW(NameField(dlg), name, MAX_PATH);
        EXPECT_STREQ(defaultName, name);
        SetWindowTextW(NameField(dlg), path.c_str());
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
}

struct WaveFileTools : ::testing::Test {
    void SetUp() override {
        store.reset(new CVardoSetting());
        g_pSetting = store.get();
        here = CurrentDirectory();
        CreateDirectoryW(L"out", nullptr);
        for (const wchar_t* f : {L"out\\cq.wav", L"out\\koch.wav", L"x.wav", L"CQ.wav"}) DeleteFileW(f);
    }
    void TearDown() override {
        SetCurrentDirectoryW(here.c_str());
        g_pSetting = nullptr;
    }
    // What WriteCwWave makes of text with the store's settings.
    std::string Expected(const char* text, int length) {
        SettingValues v;
        store->CopyValuesTo(v);
        EXPECT_EQ(1, WriteCwWave(v, L"out\\check.wav", text, length, 0));
        return FileBytes(L"out\\check.wav");
    }
    std::unique_ptr<CVardoSetting> store;
    std::wstring here;
};

}  // namespace

TEST_F(WaveFileTools, TypedLineGoesToTheChosenFile) {
    strcpy(g_szInputText, "OLD");
    CDialogScript s;
    s.Add("input box", [] {
        HWND box = CDialogScript::FindTop(L"输入框");
        if (!box) return false;
        EXPECT_EQ("请输入不超过200个字符长度的字符串: ", CDialogScript::Text(box, 1068));
        EXPECT_EQ("OLD", CDialogScript::Text(box, 1066));   // the last text comes back
        HWND edit = GetDlgItem(box, 1066);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        CDialogScript::Type(edit, L"sos de vardo");
        EXPECT_EQ("SOS DE VARDO", CDialogScript::Text(box, 1066));
        CDialogScript::PostClick(box, IDOK);
        return true;
    });
    AddChooseStep(s, L"SOS_DE_VARDO.wav", here + L"\\out\\cq.wav");
    s.Start(30, 400);
    MakeCwWaveFile(nullptr);
    EXPECT_TRUE(s.Finish()) << s.failure();
    EXPECT_STREQ("SOS DE VARDO", g_szInputText);
    EXPECT_EQ(here, CurrentDirectory());
    std::string want = Expected("SOS DE VARDO", 12);
    EXPECT_GT(want.size(), 44u);
    EXPECT_TRUE(want == FileBytes(L"out\\cq.wav"));
}

TEST_F(WaveFileTools, CancelledOrEmptyInputWritesNothing) {
    struct Row { const wchar_t* typed; int button; const char* keep; };
    static const Row rows[] = {
        {L"CQ", IDCANCEL, "OLD"},    // cancelled: the text stays as it was
        {L"", IDOK, ""},             // an empty text asks for no file
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        strcpy(g_szInputText, "OLD");
        CDialogScript s;
        s.Add("input box", [i] {
            HWND box = CDialogScript::FindTop(L"输入框");
            if (!box) return false;
            SetDlgItemTextW(box, 1066, rows[i].typed);
            CDialogScript::PostClick(box, rows[i].button);
            return true;
        });
        // Runs only if a file dialog keeps a message loop going.
        s.Add("no file dialog", [i] {
            EXPECT_EQ(nullptr, FindDialog(nullptr)) << "row " << i;
            CDialogScript::EndAll();
            return true;
        });
        s.Start();
        MakeCwWaveFile(nullptr);
        s.Finish();
        EXPECT_EQ(1u, s.Completed()) << "row " << i;
        EXPECT_STREQ(rows[i].keep, g_szInputText) << "row " << i;
        EXPECT_EQ("missing", FileBytes(L"CQ.wav")) << "row " << i;
    }
}

TEST_F(WaveFileTools, KochTextWithTheSetAsName) {
    strcpy(store->charlist, "KM");
    store->koch_wordlen = 3;
    CDialogScript s;
    AddChooseStep(s, L"KM.wav", here + L"\\out\\koch.wav");
    s.Start(30, 400);
    MakeKochWaveFile(nullptr);
    EXPECT_TRUE(s.Finish()) << s.failure();
    EXPECT_EQ(here, CurrentDirectory());
    for (int i = 0; i < KOCH_TEXT_LEN; ++i) {
        ASSERT_EQ((i + 1) % 4 == 0, g_szKochText[i] == ' ') << "pos " << i;
    }
    EXPECT_TRUE(Expected(g_szKochText, KOCH_TEXT_LEN) == FileBytes(L"out\\koch.wav"));
}

TEST_F(WaveFileTools, MissingFolderIsRefused) {
    CDialogScript s;
    static HWND dlg;
    AddChooseStep(s, L"x.wav", here + L"\\no-such-folder\\x.wav");
    s.Add("warning instead of a result", [] {
        dlg = FindDialog(nullptr);
        HWND warning = FindDialog(dlg);
        if (!warning) return false;
        PostMessageW(warning, WM_COMMAND, IDOK, 0);
        return true;
    });
    s.Add("cancel", [] {
        if (FindDialog(dlg)) return false;
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    s.Start(30, 400);
    EXPECT_EQ(0, ChooseWaveFile(nullptr, "x.wav", "E", 1));
    EXPECT_TRUE(s.Finish()) << s.failure();
    EXPECT_EQ("missing", FileBytes((here + L"\\no-such-folder\\x.wav").c_str()));
    EXPECT_EQ("missing", FileBytes(L"x.wav"));
}
