// The two audio file tools as an operator uses them: the input box with its
// prompt and remembered text, the file dialog with the default name, the
// file written where it was chosen, and the working directory (where the
// settings file lives) left as it was.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

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

long long FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return -1;
    }
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::vector<char> FileBytes(const std::wstring& path) {
    std::vector<char> bytes;
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        return bytes;
    }
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) {
        bytes.insert(bytes.end(), buf, buf + got);
    }
    CloseHandle(f);
    return bytes;
}

// The system's file dialog: the one dialog of the thread with a file name
// field.
struct FileDialogState {
    HWND dlg;
    HWND field;
};

BOOL CALLBACK FindFileDialogProc(HWND w, LPARAM p) {
    FileDialogState* st = reinterpret_cast<FileDialogState*>(p);
    const int ids[] = {0x480 /* edt1 */, 0x47C /* cmb13 */};
    for (int id : ids) {
        HWND f = GetDlgItem(w, id);
        if (f && IsWindowVisible(w)) {
            st->dlg = w;
            st->field = f;
            return FALSE;
        }
    }
    return TRUE;
}

HWND FindFileDialog(HWND* nameField) {
    FileDialogState st{nullptr, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindFileDialogProc, reinterpret_cast<LPARAM>(&st));
    *nameField = st.field;
    return st.dlg;
}

BOOL CALLBACK FindOtherDialogProc(HWND w, LPARAM p) {
    HWND* io = reinterpret_cast<HWND*>(p);
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (w != io[0] && IsWindowVisible(w) && wcscmp(cls, L"#32770") == 0) {
        io[1] = w;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog of this thread other than not.
HWND FindOtherDialog(HWND notThis) {
    HWND io[2] = {notThis, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindOtherDialogProc, reinterpret_cast<LPARAM>(io));
    return io[1];
}

// The text of the file name field (an edit, or the edit inside a combo).
std::wstring FieldText(HWND field) {
    wchar_t text[MAX_PATH] = {};
    GetWindowTextW(field, text, MAX_PATH);
    return text;
}

struct ToolFixture : ::testing::Test {
    void SetUp() override {
        store.reset(new CVardoSetting());
        g_pSetting = store.get();
        here = CurrentDirectory();
        CreateDirectoryW(L"out", nullptr);
        DeleteFileW(L"out\\cq.wav");
        DeleteFileW(L"out\\koch.wav");
        DeleteFileW(L"out\\koch-check.wav");
        DeleteFileW(L"x.wav");
    }
    void TearDown() override {
        SetCurrentDirectoryW(here.c_str());
        g_pSetting = nullptr;
    }
    std::unique_ptr<CVardoSetting> store;
    std::wstring here;
};

}  // namespace

using WaveFileTools = ToolFixture;

TEST_F(WaveFileTools, TypedLineGoesToTheChosenFile) {
    strcpy(g_szInputText, "OLD");
    std::wstring target = here + L"\\out\\cq.wav";
    CDialogScript s;
    static HWND box;
    s.Add("input box", [] {
        box = CDialogScript::FindTop(L"输入框");
        if (!box) return false;
        EXPECT_EQ("请输入不超过200个字符长度的字符串: ", CDialogScript::Narrow(CDialogScript::Text(box, 1068)));
        EXPECT_EQ("OLD", CDialogScript::Narrow(CDialogScript::Text(box, 1066)));   // the last text
        HWND edit = GetDlgItem(box, 1066);
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        CDialogScript::Type(edit, L"sos de vardo");
        EXPECT_EQ("SOS DE VARDO", CDialogScript::Narrow(CDialogScript::Text(box, 1066)));
        CDialogScript::PostClick(box, IDOK);
        return true;
    });
    s.Add("file dialog", [&] {
        HWND field;
        HWND dlg = FindFileDialog(&field);
        if (!dlg) return false;
        EXPECT_EQ(L"SOS_DE_VARDO.wav", FieldText(field));
        SetWindowTextW(field, target.c_str());
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    s.Start(30, 400);
    MakeCwWaveFile(nullptr);
    EXPECT_TRUE(s.Finish()) << s.failure();
    EXPECT_STREQ("SOS DE VARDO", g_szInputText);
    EXPECT_EQ(here, CurrentDirectory());
    // The same text written directly gives the same bytes.
    SettingValues v;
    store->CopyValuesTo(v);
    ASSERT_EQ(1, WriteCwWave(v, L"out\\check.wav", "SOS DE VARDO", 12, 0));
    std::vector<char> want = FileBytes(L"out\\check.wav");
    EXPECT_GT(want.size(), 44u);
    EXPECT_TRUE(want == FileBytes(target)) << "sizes " << want.size() << " and " << FileSize(target);
}

TEST_F(WaveFileTools, CancelledInputBoxWritesNothing) {
    struct Row { const wchar_t* typed; int button; const char* keep; };
    const Row rows[] = {
        {L"CQ", IDCANCEL, "OLD"},    // cancelled: the text stays as it was
        {L"", IDOK, ""},             // an empty text asks for no file
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        DeleteFileW(L"CQ.wav");
        strcpy(g_szInputText, "OLD");
        CDialogScript s;
        static const Row* r;
        r = &rows[i];
        static int sawFileDialog;
        sawFileDialog = 0;
        s.Add("input box", [] {
            HWND box = CDialogScript::FindTop(L"输入框");
            if (!box) return false;
            SetDlgItemTextW(box, 1066, r->typed);
            CDialogScript::PostClick(box, r->button);
            return true;
        });
        s.Add("no file dialog", [] {
            HWND field;
            if (FindFileDialog(&field)) {
                sawFileDialog = 1;
                CDialogScript::EndAll();
            }
            return true;
        });
        s.Start();
        MakeCwWaveFile(nullptr);
        s.Finish();
        // The box was answered; the check for a file dialog only runs if
        // one kept a message loop going.
        EXPECT_GE(s.Completed(), 1u) << "row " << i;
        EXPECT_STREQ(r->keep, g_szInputText) << "row " << i;
        EXPECT_EQ(0, sawFileDialog) << "row " << i;
        EXPECT_EQ(-1, FileSize(L"CQ.wav")) << "row " << i;
    }
}

TEST_F(WaveFileTools, KochTextWithTheSetAsName) {
    strcpy(store->charlist, "KM");
    store->koch_wordlen = 3;
    std::wstring target = here + L"\\out\\koch.wav";
    CDialogScript s;
    s.Add("file dialog", [&] {
        HWND field;
        HWND dlg = FindFileDialog(&field);
        if (!dlg) return false;
        EXPECT_EQ(L"KM.wav", FieldText(field));
        SetWindowTextW(field, target.c_str());
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    s.Start(30, 400);
    MakeKochWaveFile(nullptr);
    EXPECT_TRUE(s.Finish()) << s.failure();
    EXPECT_EQ(here, CurrentDirectory());
    for (int i = 0; i < KOCH_TEXT_LEN; ++i) {
        ASSERT_EQ((i + 1) % 4 == 0, g_szKochText[i] == ' ') << "pos " << i;
    }
    SettingValues v;
    store->CopyValuesTo(v);
    ASSERT_EQ(1, WriteCwWave(v, L"out\\koch-check.wav", g_szKochText, KOCH_TEXT_LEN, 0));
    std::vector<char> want = FileBytes(L"out\\koch-check.wav");
    EXPECT_TRUE(want == FileBytes(target)) << "sizes " << want.size() << " and " << FileSize(target);
}

TEST_F(WaveFileTools, MissingFolderIsRefusedAndCancelWritesNothing) {
    std::wstring target = here + L"\\no-such-folder\\x.wav";
    CDialogScript s;
    static HWND dlg;
    s.Add("file dialog", [&] {
        HWND field;
        dlg = FindFileDialog(&field);
        if (!dlg) return false;
        SetWindowTextW(field, target.c_str());
        PostMessageW(dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    s.Add("refused with a warning", [] {
        // The dialog stays and warns instead of returning the path.
        HWND warning = FindOtherDialog(dlg);
        if (!warning) return false;
        EXPECT_TRUE(IsWindow(dlg));
        PostMessageW(warning, WM_COMMAND, IDOK, 0);
        return true;
    });
    s.Add("cancel", [] {
        if (FindOtherDialog(dlg)) return false;
        PostMessageW(dlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    SettingValues v;
    store->CopyValuesTo(v);
    s.Start(30, 400);
    EXPECT_EQ(0, ChooseWaveFile(nullptr, "x.wav", "E", 1));
    EXPECT_TRUE(s.Finish()) << s.failure();
    EXPECT_EQ(-1, FileSize(target));
    EXPECT_EQ(-1, FileSize(L"x.wav"));
    EXPECT_EQ(here, CurrentDirectory());
}
