// The settings dialog driven as an operator would: every tab shown with the
// store's values, the speed field recomputing the durations when left, the
// host list, the byte fields, OK putting every page's edits into the store
// and Cancel dropping them.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/toolcommands.h"
#include "settings/settingsdialog.h"
#include "settings/vardosetting.h"
#include "tests/settings/settingsdialogkit_win32.h"
#include "tests/training/dialogscript_win32.h"

namespace {


void SelectTab(int index) {
    SendMessageW(Tab(), TCM_SETCURFOCUS, static_cast<WPARAM>(index), 0);
}

BOOL CALLBACK CountPage(HWND w, LPARAM p) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (GetParent(w) == g_dlg && wcscmp(cls, L"#32770") == 0) {
        ++*reinterpret_cast<int*>(p);
    }
    return TRUE;
}

int CountPages() {
    int n = 0;
    EnumChildWindows(g_dlg, CountPage, reinterpret_cast<LPARAM>(&n));
    return n;
}

void SetField(int id, const wchar_t* text) {
    SetDlgItemTextW(Page(), id, text);
}

using SettingsDialog = SettingsStoreTest;

void AddOpenStep(CDialogScript& s) {
    s.Add("dialog", [] {
        g_dlg = CDialogScript::FindTop(L"Settings");
        return g_dlg != nullptr && Page() != nullptr;
    });
}

}  // namespace

TEST_F(SettingsDialog, EveryTabShowsTheStoreAndOkAppliesAllPages) {
    CDialogScript s;
    AddOpenStep(s);
    s.Add("tabs", [] {
        const wchar_t* want[] = {L"常规", L"发送", L"接收", L"Koch训练", L"网络", L"I/O"};
        EXPECT_EQ(6, SendMessageW(Tab(), TCM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < 6; ++i) {
            wchar_t text[32] = {};
            TCITEMW item = {};
            item.mask = TCIF_TEXT;
            item.pszText = text;
            item.cchTextMax = 32;
            SendMessageW(Tab(), TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
            EXPECT_STREQ(want[i], text) << "tab " << i;
        }
        // The page sits at pixel 8, 32 of the dialog's client area.
        RECT r;
        GetWindowRect(Page(), &r);
        POINT p = {r.left, r.top};
        ScreenToClient(g_dlg, &p);
        EXPECT_EQ(8, p.x);
        EXPECT_EQ(32, p.y);
        return true;
    });
    // Each tab in turn, with the fields it must show at the defaults.
    struct Row { int tab; int id; const char* want; };
    static const Row rows[] = {
        {0, 1018, "80"}, {0, 1019, "240"}, {0, 1020, "80"}, {0, 1021, "240"}, {0, 1025, "16"},
        {0, 1370, "0"},
        {1, 1002, "1000.0000"}, {1, 1005, "0.2500"}, {1, 1007, "27"}, {1, 1009, "750"},
        {1, 1022, "13"}, {1, 1062, "240"}, {1, 1300, "0"},
        {2, 1012, "512"}, {2, 1010, "27"}, {2, 1011, "750"}, {2, 1013, "0.3000"},
        {2, 1014, "850"}, {2, 1015, "1250"},
        {3, 1026, ""}, {3, 1061, "5"},
        {4, 1032, "3010"}, {4, 1033, "3010"}, {4, 1035, ""},
        {5, 1101, "0378"}, {5, 1102, "FF"}, {5, 1103, "00"},
    };
    static size_t row;
    row = 0;
    s.Add("every tab", [] {
        const Row& r = rows[row];
        SelectTab(r.tab);
        EXPECT_EQ(r.tab, SendMessageW(Tab(), TCM_GETCURSEL, 0, 0)) << "row " << row;
        EXPECT_EQ(r.want, Field(r.id)) << "row " << row << " control " << r.id;
        EXPECT_EQ(1, CountPages()) << "row " << row << ": only one page exists at a time";
        return ++row == sizeof rows / sizeof rows[0];
    });
    s.Add("check boxes and list", [] {
        SelectTab(4);
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(Page(), 1038));
        EXPECT_EQ(0, SendDlgItemMessageW(Page(), 1034, LVM_GETITEMCOUNT, 0, 0));
        EXPECT_EQ(nullptr, GetDlgItem(Page(), 1018));
        SelectTab(5);
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(Page(), 1100));
        SelectTab(3);
        EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(Page(), 1371));
        // Training keeps off the radio unless the operator says otherwise.
        EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(Page(), 1390));
        EXPECT_EQ("训练时只放侧音，不键控电台和PTT", Field(1390));
        return true;
    });
    s.Add("speed 20 and leave the field", [] {
        SelectTab(0);
        HWND wpm = GetDlgItem(Page(), 1025);
        SetFocus(wpm);
        SendMessageW(wpm, EM_SETSEL, 0, -1);
        CDialogScript::Type(wpm, L"20");
        EXPECT_EQ("20", Field(1025));
        SetFocus(GetDlgItem(Page(), 1018));
        EXPECT_EQ("65", Field(1018));
        EXPECT_EQ("195", Field(1019));
        EXPECT_EQ("65", Field(1020));
        EXPECT_EQ("195", Field(1021));
        SetField(1370, L"12");
        SetField(1025, L"");
        CDialogScript::PostClick(Page(), 1017);
        return true;
    });
    s.Add("compute speed back", [] {
        if (Field(1025).empty()) return false;
        EXPECT_EQ("20", Field(1025));
        SelectTab(1);
        EXPECT_EQ("195", Field(1062));   // the word delay went into the working copy
        SetField(1002, L"");             // cleared tone keeps its value
        SetField(1005, L"0.5");
        SetField(1300, L"5");
        return true;
    });
    s.Add("koch and port pages", [] {
        SelectTab(3);
        HWND list = GetDlgItem(Page(), 1026);
        SetFocus(list);
        CDialogScript::Type(list, L"kmr");
        EXPECT_EQ("KMR", Field(1026));
        SetField(1061, L"4");
        CheckDlgButton(Page(), 1371, BST_CHECKED);
        CheckDlgButton(Page(), 1390, BST_UNCHECKED);
        SelectTab(5);
        SetField(1102, L"");             // cleared byte field reads as 0
        SetField(1103, L"1b");
        CheckDlgButton(Page(), 1100, BST_CHECKED);
        return true;
    });
    s.Add("add host without text", [] {
        SelectTab(4);
        CDialogScript::PostClick(Page(), 1008);
        return true;
    });
    s.Add("no host message", [] {
        HWND box = CDialogScript::FindTop(L"错误");
        if (!box) return false;
        EXPECT_TRUE(CDialogScript::HasChildText(box, L"缺少主机IP"));
        PostMessageW(box, WM_COMMAND, IDOK, 0);
        return true;
    });
    s.Add("add two hosts", [] {
        if (CDialogScript::FindTop(L"错误")) return false;
        SetField(1035, L"10.0.0.2");
        SendMessageW(GetDlgItem(Page(), 1008), BM_CLICK, 0, 0);
        SetField(1035, L"10.0.0.3");
        SendMessageW(GetDlgItem(Page(), 1008), BM_CLICK, 0, 0);
        HWND list = GetDlgItem(Page(), 1034);
        EXPECT_EQ(2, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        EXPECT_EQ("10.0.0.3", Field(1035));   // the entry keeps its text
        // Delete the selected second row.
        LVITEMW item = {};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&item));
        SendMessageW(list, LVM_SETSELECTIONMARK, 0, 1);
        SendMessageW(GetDlgItem(Page(), 1036), BM_CLICK, 0, 0);
        EXPECT_EQ(1, SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        CheckDlgButton(Page(), 1038, BST_UNCHECKED);
        return true;
    });
    s.Add("rename in place", [] {
        HWND list = GetDlgItem(Page(), 1034);
        SetFocus(list);
        HWND edit = reinterpret_cast<HWND>(SendMessageW(list, LVM_EDITLABELW, 0, 0));
        EXPECT_NE(nullptr, edit);
        if (edit) {
            SetWindowTextW(edit, L"10.0.0.9");
            SendMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
        }
        wchar_t text[64] = {};
        LVITEMW item = {};
        item.pszText = text;
        item.cchTextMax = 64;
        SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(L"10.0.0.9", text);
        item.iSubItem = 1;
        SendMessageW(list, LVM_GETITEMTEXTW, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_STREQ(L"3010", text);
        return true;
    });
    s.Add("enter is ignored", [] {
        PostMessageW(g_dlg, WM_COMMAND, IDOK, 0);
        return true;
    });
    s.Add("ok", [] {
        EXPECT_TRUE(IsWindow(g_dlg));
        CDialogScript::PostClick(g_dlg, 1024);
        return true;
    });
    s.Start();
    int result = ShowSettingsDialog(nullptr);
    EXPECT_TRUE(s.Finish()) << s.failure();
    EXPECT_EQ(1024, result);

    CVardoSetting& v = *store;
    struct Got { const char* name; long long want, got; };
    const Got got[] = {
        {"shorthit", 65, v.shorthit}, {"longhit", 195, v.longhit}, {"hitdelay", 65, v.hitdelay},
        {"letterdelay", 195, v.letterdelay}, {"worddelay", 195, v.worddelay}, {"edgems", 5, v.edgems},
        {"openbyte", 0x00, v.openbyte}, {"closebyte", 0x1B, v.closebyte},
        {"enableextport", 1, v.enableextport}, {"extportaddr", 0x378, v.extportaddr},
        {"koch_wordlen", 4, v.koch_wordlen}, {"nwenabled", 0, v.nwenabled},
        {"effectivewpm", 12, v.effectivewpm}, {"koch_weighted", 1, v.koch_weighted},
        {"kochsidetoneonly", 0, v.kochsidetoneonly},
        {"localport", 3010, v.localport}, {"sendperiod", 27, v.sendperiod},
        {"hosts", 1, static_cast<long long>(v.hosts.size())},
    };
    for (size_t i = 0; i < sizeof got / sizeof got[0]; ++i) {
        EXPECT_EQ(got[i].want, got[i].got) << "row " << i << " " << got[i].name;
    }
    EXPECT_DOUBLE_EQ(1000.0, v.beepfreq);
    EXPECT_DOUBLE_EQ(0.5, v.beepvol);
    EXPECT_STREQ("KMR", v.charlist);
    if (!v.hosts.empty()) {
        EXPECT_STREQ("10.0.0.9", v.hosts[0].host);
        EXPECT_STREQ("3010", v.hosts[0].port);
    }
}

TEST_F(SettingsDialog, CancelDropsEditsAndReopeningShowsTheStore) {
    store->shorthit = 70;
    store->enableextport = 1;
    for (int pass = 0; pass < 2; ++pass) {
        CDialogScript s;
        AddOpenStep(s);
        s.Add("edit", [pass] {
            EXPECT_EQ("70", Field(1018)) << "pass " << pass;
            SetField(1018, L"99");
            SelectTab(5);
            EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(Page(), 1100)) << "pass " << pass;
            SetField(1102, L"12");
            PostMessageW(g_dlg, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        s.Start();
        int result = ShowSettingsDialog(nullptr);
        EXPECT_TRUE(s.Finish()) << s.failure();
        EXPECT_EQ(2, result);
        EXPECT_EQ(70, store->shorthit);
        EXPECT_EQ(0xFF, store->openbyte);
    }
}

TEST_F(SettingsDialog, LocalPortAndUnshownPagesAndZeroSpeed) {
    struct Row { const wchar_t* port; int want; };
    static const Row rows[] = {{L"0", 3010}, {L"65535", 3010}, {L"70000", 3010}, {L"4000", 4000}, {L"65534", 65534}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        store->localport = 3010;
        store->enableextport = 1;
        store->shorthit = 80;
        store->letterdelay = 240;
        CDialogScript s;
        AddOpenStep(s);
        s.Add("edit", [i] {
            // Speed 0 changes nothing when the field is left.
            HWND wpm = GetDlgItem(Page(), 1025);
            SetFocus(wpm);
            SetField(1025, L"0");
            SetFocus(GetDlgItem(Page(), 1018));
            EXPECT_EQ("80", Field(1018)) << "row " << i;
            SetField(1018, L"0");
            SetField(1019, L"0");
            SetField(1020, L"0");
            SetField(1021, L"");
            // For the speed a cleared field counts as 0: 240 ms of word
            // delay alone is 250 WPM.
            SendMessageW(GetDlgItem(Page(), 1017), BM_CLICK, 0, 0);
            EXPECT_EQ("250", Field(1025)) << "row " << i;
            SelectTab(4);
            SetField(1032, rows[i].port);
            CDialogScript::PostClick(g_dlg, 1024);
            return true;
        });
        s.Start();
        int result = ShowSettingsDialog(nullptr);
        EXPECT_TRUE(s.Finish()) << s.failure();
        EXPECT_EQ(1024, result) << "row " << i;
        EXPECT_EQ(rows[i].want, store->localport) << "row " << i;
        EXPECT_EQ(1, store->enableextport) << "row " << i << ": the I/O page was never shown";
        EXPECT_EQ(0, store->shorthit) << "row " << i;
        // Read back, a cleared field keeps the working value.
        EXPECT_EQ(240, store->letterdelay) << "row " << i;
    }
    // Durations that add up to 0 show 999 when the page is shown again.
    store->worddelay = 0;
    store->letterdelay = 0;
    CDialogScript s;
    AddOpenStep(s);
    s.Add("speed", [] {
        EXPECT_EQ("999", Field(1025));
        PostMessageW(g_dlg, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    s.Start();
    ShowSettingsDialog(nullptr);
    EXPECT_TRUE(s.Finish()) << s.failure();
}
