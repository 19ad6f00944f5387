// The settings dialog: a tab control with six pages, of which only the
// shown one exists. Each page is a child dialog filled from the working
// copy when it is created and read back into it when it is left; OK puts
// the working copy into the store and has the main window object rebuilt.
#include "settings/settingsdialog.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>

#include "app/appglobals.h"
#include "app/toolcommands.h"
#include "hw/serialkeyer.h"
#include "morse/keyingtiming.h"
#include "res/dialogs_training.h"
#include "settings/dialogtext_win32.h"
#include "settings/fieldparse.h"

SettingValues g_settingsWorkValues;
std::vector<tagHostNode> g_settingsWorkHosts;

namespace {

HINSTANCE Instance() {
    return g_hInstance ? static_cast<HINSTANCE>(g_hInstance) : GetModuleHandleW(nullptr);
}

// ---- Field access: each returns 0 and touches nothing when the control is
// not on the page, else 1.

int GetItemText(HWND page, int id, char* buffer, int size) {
    if (!GetDlgItem(page, id)) {
        return 0;
    }
    GetDlgItemAnsi(page, id, buffer, size);
    return 1;
}

int SetItemText(HWND page, int id, const char* text) {
    if (!GetDlgItem(page, id)) {
        return 0;
    }
    SetDlgItemAnsi(page, id, text);
    return 1;
}

int SetItemInt(HWND page, int id, int32_t value) {
    if (!GetDlgItem(page, id)) {
        return 0;
    }
    SetDlgItemInt(page, id, static_cast<UINT>(value), TRUE);
    return 1;
}

int GetItemInt(HWND page, int id, int32_t* value) {
    char text[32];
    if (!GetItemText(page, id, text, sizeof text)) {
        return 0;
    }
    ParseIntField(text, value);
    return 1;
}

int SetItemDouble(HWND page, int id, double value) {
    char text[64];
    FormatDoubleField(value, text, sizeof text);
    return SetItemText(page, id, text);
}

int GetItemDouble(HWND page, int id, double* value) {
    char text[FIELD_DOUBLE_CHARS + 1];
    if (!GetItemText(page, id, text, sizeof text)) {
        return 0;
    }
    ParseDoubleField(text, value);
    return 1;
}

int SetItemHexByte(HWND page, int id, uint8_t value) {
    char text[8];
    FormatHexByteField(value, text, sizeof text);
    return SetItemText(page, id, text);
}

int GetItemHexByte(HWND page, int id, uint8_t* value) {
    char text[32];
    if (!GetItemText(page, id, text, sizeof text)) {
        return 0;
    }
    ParseHexByteField(text, value);
    return 1;
}

int SetItemHexWord(HWND page, int id, uint16_t value) {
    char text[8];
    FormatHexWordField(value, text, sizeof text);
    return SetItemText(page, id, text);
}

int GetItemHexWord(HWND page, int id, uint16_t* value) {
    char text[32];
    if (!GetItemText(page, id, text, sizeof text)) {
        return 0;
    }
    ParseHexWordField(text, value);
    return 1;
}

int SetItemCheck(HWND page, int id, int32_t value) {
    if (!GetDlgItem(page, id)) {
        return 0;
    }
    CheckDlgButton(page, id, value ? BST_CHECKED : BST_UNCHECKED);
    return 1;
}

int GetItemCheck(HWND page, int id, int32_t* value) {
    if (!GetDlgItem(page, id)) {
        return 0;
    }
    *value = IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0;
    return 1;
}

// ---- Speed and durations (page "常规").

void ComputeSpeed(HWND page) {
    if (!GetDlgItem(page, IDC_VD_WPM)) {
        return;
    }
    // A cleared duration field counts as 0.
    int32_t d = 0, a = 0, h = 0, l = 0;
    GetItemInt(page, IDC_VD_SHORTHIT, &d);
    GetItemInt(page, IDC_VD_LONGHIT, &a);
    GetItemInt(page, IDC_VD_HITDELAY, &h);
    GetItemInt(page, IDC_VD_LETTERDELAY, &l);
    SetItemInt(page, IDC_VD_WPM, ::ComputeSpeed(d, a, h, l, g_settingsWorkValues.worddelay));
}

void SpeedToDurations(HWND page) {
    int32_t wpm = 0;
    GetItemInt(page, IDC_VD_WPM, &wpm);
    tagKeyDurations d{};
    if (wpm == 0 || !::SpeedToDurations(wpm, &d)) {
        return;
    }
    SetItemInt(page, IDC_VD_SHORTHIT, d.shorthit);
    SetItemInt(page, IDC_VD_HITDELAY, d.hitdelay);
    SetItemInt(page, IDC_VD_LONGHIT, d.longhit);
    SetItemInt(page, IDC_VD_LETTERDELAY, d.letterdelay);
    g_settingsWorkValues.worddelay = d.worddelay;
}

// ---- Host list (page "网络").

void AppendHostRow(HWND list, const char* host, const char* port) {
    std::wstring h = AnsiToWide(host);
    std::wstring p = AnsiToWide(port);
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(h.c_str());
    int row = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) {
        return;
    }
    LVITEMW sub = {};
    sub.iSubItem = 1;
    sub.pszText = const_cast<wchar_t*>(p.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&sub));
}

void GetHostCell(HWND list, int row, int column, char* out, int size) {
    wchar_t text[128] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(sizeof text / sizeof text[0]);
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    WideToAnsi(text, out, size);
}

void FillHostList(HWND list) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    struct Column { const wchar_t* text; int width; };
    const Column columns[] = {{L"主机", 180}, {L"端口", 80}};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW col = {};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
        col.fmt = LVCFMT_LEFT;
        col.cx = columns[i].width;
        col.pszText = const_cast<wchar_t*>(columns[i].text);
        col.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&col));
    }
    for (const tagHostNode& node : g_settingsWorkHosts) {
        AppendHostRow(list, node.host, node.port);
    }
}

void AddHost(HWND page) {
    char host[HOST_TEXT_SIZE];
    char port[32];
    GetItemText(page, IDC_VD_HOSTIP, host, sizeof host);
    GetItemText(page, IDC_VD_HOSTPORT, port, sizeof port);
    int32_t number = 0;
    switch (CheckHostEntry(host, port, &number)) {
    case HOST_ENTRY_NO_HOST:
        MessageBoxW(nullptr, L"缺少主机IP", L"错误", MB_OK);
        return;
    case HOST_ENTRY_NO_PORT:
        MessageBoxW(nullptr, L"缺少主机端口", L"错误", MB_OK);
        return;
    default:
        break;
    }
    char portText[16];
    snprintf(portText, sizeof portText, "%d", static_cast<int>(number));
    AppendHostRow(GetDlgItem(page, IDC_VD_HOSTLIST), host, portText);
}

void DeleteHost(HWND page) {
    HWND list = GetDlgItem(page, IDC_VD_HOSTLIST);
    int mark = static_cast<int>(SendMessageW(list, LVM_GETSELECTIONMARK, 0, 0));
    if (mark >= 0) {
        SendMessageW(list, LVM_DELETEITEM, static_cast<WPARAM>(mark), 0);
    }
}

// ---- Serial key line (page "I/O").

constexpr int32_t SERIAL_TEST_PULSE_MS = 200;

void FillSerialLineChoice(HWND page, int32_t line) {
    HWND combo = GetDlgItem(page, IDC_VD_SERIALLINE);
    if (!combo) {
        return;
    }
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"DTR"));
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"RTS"));
    SendMessageW(combo, CB_SETCURSEL, line == SERIAL_LINE_RTS ? 1 : 0, 0);
}

void ReadSerialLineChoice(HWND page, int32_t* line) {
    HWND combo = GetDlgItem(page, IDC_VD_SERIALLINE);
    if (combo) {
        *line = SendMessageW(combo, CB_GETCURSEL, 0, 0) == 1 ? SERIAL_LINE_RTS : SERIAL_LINE_DTR;
    }
}

// Pulses the key line of the COM port shown on the page once, with the
// page's line and polarity, and says how that went, in a message box like
// the port test's. On the station's own port the station's keyer does the
// pulse and puts its lines back afterwards; while it keys, nothing moves.
void TestSerialLine(HWND page) {
    int32_t port = 0;
    int32_t line = SERIAL_LINE_DTR;
    int32_t invert = 0;
    GetItemInt(page, IDC_VD_SERIALPORT, &port);
    ReadSerialLineChoice(page, &line);
    GetItemCheck(page, IDC_VD_SERIALINVERT, &invert);
    int32_t error = SERIAL_ERROR_NONE;
    const int32_t result = SerialKeyTest(port, line, invert, SERIAL_TEST_PULSE_MS, &error);
    const wchar_t* lineName = line == SERIAL_LINE_RTS ? L"RTS" : L"DTR";
    wchar_t text[160];
    if (result == SERIAL_TEST_PULSED) {
        std::swprintf(text, 160, L"COM%d 打开成功，键控线(%ls)已脉冲一次", static_cast<int>(port), lineName);
    } else if (result == SERIAL_TEST_BUSY) {
        std::swprintf(text, 160, L"COM%d 正在键控，请稍后再测试", static_cast<int>(port));
    } else if (result == SERIAL_TEST_LINE_FAILED) {
        std::swprintf(text, 160, L"COM%d 已打开，但无法设置%ls线", static_cast<int>(port), lineName);
    } else if (error == SERIAL_ERROR_BAD_NUMBER) {
        std::swprintf(text, 160, L"串口号应为%d~%d", static_cast<int>(SERIAL_PORT_FIRST), static_cast<int>(SERIAL_PORT_LAST));
    } else if (error == SERIAL_ERROR_NO_PORT) {
        std::swprintf(text, 160, L"无法打开COM%d：该串口不存在", static_cast<int>(port));
    } else if (error == SERIAL_ERROR_BUSY) {
        std::swprintf(text, 160, L"无法打开COM%d：串口被占用或无权访问", static_cast<int>(port));
    } else {
        std::swprintf(text, 160, L"无法打开COM%d", static_cast<int>(port));
    }
    MessageBoxW(page, text, nullptr, MB_OK);
}

// ---- Pages.

void FillPage(HWND page) {
    SettingValues& v = g_settingsWorkValues;
    SetItemDouble(page, IDC_VD_BEEPFREQ, v.beepfreq);
    SetItemDouble(page, IDC_VD_BEEPVOL, v.beepvol);
    SetItemInt(page, IDC_VD_SENDPERIOD, v.sendperiod);
    SetItemInt(page, IDC_VD_SENDIDLELIMIT, v.sendidlelimit);
    SetItemInt(page, IDC_VD_CWKEY, v.cw.key);
    SetItemInt(page, IDC_VD_WORDDELAY, v.worddelay);
    SetItemInt(page, IDC_VD_EDGEMS, v.edgems);
    SetItemInt(page, IDC_VD_RECVSAMPLES, v.recvanalyzesamples);
    SetItemInt(page, IDC_VD_RECVPERIOD, v.recvperiod);
    SetItemInt(page, IDC_VD_RECVIDLELIMIT, v.recvidlelimit);
    SetItemDouble(page, IDC_VD_RECVTHRESHOLD, v.recvthreshold);
    SetItemInt(page, IDC_VD_RECVFREQSTART, v.recvfreqstart);
    SetItemInt(page, IDC_VD_RECVFREQEND, v.recvfreqend);
    SetItemCheck(page, IDC_VD_RECVFIXED, v.recvadaptive ? 0 : 1);
    SetItemCheck(page, IDC_VD_RECVADAPTIVE, v.recvadaptive ? 1 : 0);
    SetItemCheck(page, IDC_VD_RECVLOG, v.recvlog);
    SetItemInt(page, IDC_VD_SHORTHIT, v.shorthit);
    SetItemInt(page, IDC_VD_LONGHIT, v.longhit);
    SetItemInt(page, IDC_VD_HITDELAY, v.hitdelay);
    SetItemInt(page, IDC_VD_LETTERDELAY, v.letterdelay);
    SetItemInt(page, IDC_VD_EFFECTIVEWPM, v.effectivewpm);
    SetItemCheck(page, IDC_VD_KOCHWEIGHTED, v.koch_weighted);
    SetItemCheck(page, IDC_VD_KOCHSIDETONEONLY, v.kochsidetoneonly);
    SetItemText(page, IDC_VD_CHARLIST, v.charlist);
    SetItemInt(page, IDC_VD_KOCHWORDLEN, v.koch_wordlen);
    SetItemCheck(page, IDC_VD_EXTPORTENABLE, v.enableextport);
    SetItemHexWord(page, IDC_VD_EXTPORTADDR, v.extportaddr);
    SetItemHexByte(page, IDC_VD_OPENBYTE, v.openbyte);
    SetItemHexByte(page, IDC_VD_CLOSEBYTE, v.closebyte);
    SetItemCheck(page, IDC_VD_SERIALKEY, v.serialkey);
    SetItemInt(page, IDC_VD_SERIALPORT, v.serialport);
    FillSerialLineChoice(page, v.serialline);
    SetItemCheck(page, IDC_VD_SERIALINVERT, v.serialinvert);
    SetItemCheck(page, IDC_VD_SERIALPTT, v.serialptt);
    SetItemInt(page, IDC_VD_PTTLEAD, v.pttlead);
    SetItemInt(page, IDC_VD_PTTTAIL, v.ptttail);
    SetItemCheck(page, IDC_VD_PTTINVERT, v.pttinvert);
    ComputeSpeed(page);
    SetItemInt(page, IDC_VD_LOCALPORT, v.localport);
    SetItemInt(page, IDC_VD_HOSTPORT, v.localport);
    if (HWND list = GetDlgItem(page, IDC_VD_HOSTLIST)) {
        FillHostList(list);
    }
    SetItemCheck(page, IDC_VD_NWENABLED, v.nwenabled);
}

void ReadPage(HWND page) {
    SettingValues& v = g_settingsWorkValues;
    GetItemDouble(page, IDC_VD_BEEPFREQ, &v.beepfreq);
    GetItemDouble(page, IDC_VD_BEEPVOL, &v.beepvol);
    GetItemInt(page, IDC_VD_SENDPERIOD, &v.sendperiod);
    GetItemInt(page, IDC_VD_SENDIDLELIMIT, &v.sendidlelimit);
    GetItemInt(page, IDC_VD_CWKEY, &v.cw.key);
    GetItemInt(page, IDC_VD_WORDDELAY, &v.worddelay);
    GetItemInt(page, IDC_VD_EDGEMS, &v.edgems);
    GetItemInt(page, IDC_VD_RECVSAMPLES, &v.recvanalyzesamples);
    GetItemInt(page, IDC_VD_RECVPERIOD, &v.recvperiod);
    GetItemInt(page, IDC_VD_RECVIDLELIMIT, &v.recvidlelimit);
    GetItemDouble(page, IDC_VD_RECVTHRESHOLD, &v.recvthreshold);
    GetItemInt(page, IDC_VD_RECVFREQSTART, &v.recvfreqstart);
    GetItemInt(page, IDC_VD_RECVFREQEND, &v.recvfreqend);
    GetItemCheck(page, IDC_VD_RECVADAPTIVE, &v.recvadaptive);
    GetItemCheck(page, IDC_VD_RECVLOG, &v.recvlog);
    GetItemInt(page, IDC_VD_SHORTHIT, &v.shorthit);
    GetItemInt(page, IDC_VD_LONGHIT, &v.longhit);
    GetItemInt(page, IDC_VD_HITDELAY, &v.hitdelay);
    GetItemInt(page, IDC_VD_LETTERDELAY, &v.letterdelay);
    GetItemInt(page, IDC_VD_EFFECTIVEWPM, &v.effectivewpm);
    GetItemCheck(page, IDC_VD_KOCHWEIGHTED, &v.koch_weighted);
    GetItemCheck(page, IDC_VD_KOCHSIDETONEONLY, &v.kochsidetoneonly);
    if (GetItemText(page, IDC_VD_CHARLIST, v.charlist, KOCH_CHARLIST_SIZE)) {
        UpperCaseAscii(v.charlist);
    }
    GetItemInt(page, IDC_VD_KOCHWORDLEN, &v.koch_wordlen);
    GetItemCheck(page, IDC_VD_EXTPORTENABLE, &v.enableextport);
    GetItemHexWord(page, IDC_VD_EXTPORTADDR, &v.extportaddr);
    GetItemHexByte(page, IDC_VD_OPENBYTE, &v.openbyte);
    GetItemHexByte(page, IDC_VD_CLOSEBYTE, &v.closebyte);
    GetItemCheck(page, IDC_VD_SERIALKEY, &v.serialkey);
    GetItemInt(page, IDC_VD_SERIALPORT, &v.serialport);
    ReadSerialLineChoice(page, &v.serialline);
    GetItemCheck(page, IDC_VD_SERIALINVERT, &v.serialinvert);
    GetItemCheck(page, IDC_VD_SERIALPTT, &v.serialptt);
    GetItemInt(page, IDC_VD_PTTLEAD, &v.pttlead);
    GetItemInt(page, IDC_VD_PTTTAIL, &v.ptttail);
    GetItemCheck(page, IDC_VD_PTTINVERT, &v.pttinvert);

    HWND list = GetDlgItem(page, IDC_VD_HOSTLIST);
    if (!list) {
        return;
    }
    int32_t port = v.localport;
    GetItemInt(page, IDC_VD_LOCALPORT, &port);
    if (IsAcceptedPort(port)) {
        v.localport = static_cast<uint16_t>(port);
    }
    int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    g_settingsWorkHosts.assign(rows > 0 ? static_cast<size_t>(rows) : 0, tagHostNode{});
    for (int i = 0; i < rows; ++i) {
        GetHostCell(list, i, 0, g_settingsWorkHosts[i].host, HOST_TEXT_SIZE);
        GetHostCell(list, i, 1, g_settingsWorkHosts[i].port, PORT_TEXT_SIZE);
    }
    GetItemCheck(page, IDC_VD_NWENABLED, &v.nwenabled);
}

INT_PTR CALLBACK PageProc(HWND page, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowPos(page, HWND_TOP, 8, 32, 0, 0, SWP_NOSIZE);
        FillPage(page);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_VD_COMPUTESPEED:
            if (HIWORD(wParam) == BN_CLICKED) {
                ComputeSpeed(page);
            }
            return TRUE;
        case IDC_VD_WPM:
            if (HIWORD(wParam) == EN_KILLFOCUS) {
                SpeedToDurations(page);
            }
            return TRUE;
        case IDC_VD_HOSTADD:
            if (HIWORD(wParam) == BN_CLICKED) {
                AddHost(page);
            }
            return TRUE;
        case IDC_VD_HOSTDELETE:
            if (HIWORD(wParam) == BN_CLICKED) {
                DeleteHost(page);
            }
            return TRUE;
        case IDC_VD_SERIALTEST:
            if (HIWORD(wParam) == BN_CLICKED) {
                TestSerialLine(page);
            }
            return TRUE;
        default:
            break;
        }
        break;
    case WM_NOTIFY: {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (hdr->idFrom == IDC_VD_HOSTLIST && hdr->code == LVN_ENDLABELEDITW) {
            // An edited host name is kept as typed; a cancelled edit has
            // no text and changes nothing.
            const NMLVDISPINFOW* info = reinterpret_cast<const NMLVDISPINFOW*>(lParam);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, info->item.pszText ? TRUE : FALSE);
            return TRUE;
        }
        break;
    }
    default:
        break;
    }
    return FALSE;
}

struct tagPage {
    const wchar_t* tab;
    int resource;
};

const tagPage PAGES[] = {
    {L"常规", IDD_VD_PAGE_GENERAL},
    {L"发送", IDD_VD_PAGE_SEND},
    {L"接收", IDD_VD_PAGE_RECV},
    {L"Koch训练", IDD_VD_PAGE_KOCH},
    {L"网络", IDD_VD_PAGE_NETWORK},
    {L"I/O", IDD_VD_PAGE_PORT},
};
constexpr int PAGE_COUNT = sizeof PAGES / sizeof PAGES[0];

HWND CurrentPage(HWND dlg) {
    return reinterpret_cast<HWND>(GetWindowLongPtrW(GetDlgItem(dlg, IDC_VD_SETTINGS_TAB), GWLP_USERDATA));
}

void SetCurrentPage(HWND dlg, HWND page) {
    SetWindowLongPtrW(GetDlgItem(dlg, IDC_VD_SETTINGS_TAB), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(page));
}

// Reads the current page back into the working copy and destroys it.
void LeavePage(HWND dlg) {
    if (HWND page = CurrentPage(dlg)) {
        ReadPage(page);
        SetCurrentPage(dlg, nullptr);
        DestroyWindow(page);
    }
}

void ShowSelectedPage(HWND dlg) {
    LeavePage(dlg);
    int sel = static_cast<int>(SendDlgItemMessageW(dlg, IDC_VD_SETTINGS_TAB, TCM_GETCURSEL, 0, 0));
    if (sel < 0 || sel >= PAGE_COUNT) {
        return;
    }
    HWND page = CreateDialogParamW(Instance(), MAKEINTRESOURCEW(PAGES[sel].resource), dlg, PageProc, 0);
    if (page) {
        SetCurrentPage(dlg, page);
        ShowWindow(page, SW_SHOW);
    }
}

void ApplySettings(HWND dlg) {
    LeavePage(dlg);
    if (g_pSetting) {
        g_pSetting->CopyValuesFrom(g_settingsWorkValues);
        g_pSetting->hosts = g_settingsWorkHosts;
    }
    RebuildMainWindow();
    // Accepted values are on disk at once: a crash or a kill later loses
    // nothing. The rebuild has recorded the window rectangle too.
    if (g_pSetting) {
        g_pSetting->Save();
    }
    EndDialog(dlg, IDC_VD_SETTINGS_OK);
}

INT_PTR CALLBACK SettingsDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        if (g_pSetting) {
            g_pSetting->CopyValuesTo(g_settingsWorkValues);
            g_settingsWorkHosts = g_pSetting->hosts;
        } else {
            SetDefaultSettingValues(&g_settingsWorkValues);
            g_settingsWorkHosts.clear();
        }
        HWND tab = GetDlgItem(dlg, IDC_VD_SETTINGS_TAB);
        SetWindowLongPtrW(tab, GWLP_USERDATA, 0);
        for (int i = 0; i < PAGE_COUNT; ++i) {
            TCITEMW item = {};
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<wchar_t*>(PAGES[i].tab);
            SendMessageW(tab, TCM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        }
        ShowSelectedPage(dlg);
        return TRUE;
    }
    case WM_NOTIFY: {
        const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
        if (hdr->idFrom == IDC_VD_SETTINGS_TAB && hdr->code == TCN_SELCHANGE) {
            ShowSelectedPage(dlg);
            return TRUE;
        }
        break;
    }
    case WM_COMMAND:
        // Only OK and Cancel; Enter's command 1 is ignored.
        if (LOWORD(wParam) == IDC_VD_SETTINGS_OK) {
            ApplySettings(dlg);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, IDCANCEL);
            return TRUE;
        }
        return TRUE;
    default:
        break;
    }
    (void)lParam;
    return FALSE;
}

}  // namespace

int ShowSettingsDialog(void* hwnd) {
    return static_cast<int>(DialogBoxParamW(Instance(), MAKEINTRESOURCEW(IDD_VD_SETTINGS),
                                            static_cast<HWND>(hwnd), SettingsDlgProc, 0));
}
