// The settings dialog's serial keying fields (page "I/O") and its line test,
// driven as an operator would: the fields show the store, OK writes each one
// back to its own setting; the test button pulses the line the page names,
// says how it went, leaves no line asserted, and on the station's own port
// puts back the lines the station had, whatever the page's unsaved polarity.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/toolcommands.h"
#include "hw/fakeserialline.h"
#include "hw/serialkeyer.h"
#include "settings/settingsdialog.h"
#include "settings/vardosetting.h"
#include "tests/settings/settingsdialogkit_win32.h"
#include "tests/training/dialogscript_win32.h"

namespace {

enum : int {
    TAB_IO = 5,
    ID_OK = 1024,
    ID_SERIALKEY = 1340,
    ID_SERIALPORT = 1341,
    ID_SERIALLINE = 1342,
    ID_SERIALINVERT = 1343,
    ID_SERIALTEST = 1344,
    ID_SERIALPTT = 1345,
    ID_PTTLEAD = 1346,
    ID_PTTTAIL = 1347,
    ID_PTTINVERT = 1348,
};

int Checked(int id) { return IsDlgButtonChecked(Page(), id) == BST_CHECKED ? 1 : 0; }
void Check(int id, int on) { CheckDlgButton(Page(), id, on ? BST_CHECKED : BST_UNCHECKED); }
int LineChoice() { return static_cast<int>(SendDlgItemMessageW(Page(), ID_SERIALLINE, CB_GETCURSEL, 0, 0)); }

// The message box the test button opens: a dialog of this thread owned by
// the settings dialog or its page.
BOOL CALLBACK FindBoxProc(HWND w, LPARAM p) {
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (w != g_dlg && IsWindowVisible(w) && wcscmp(cls, L"#32770") == 0 && GetWindow(w, GW_OWNER) == g_dlg) {
        *reinterpret_cast<HWND*>(p) = w;
        return FALSE;
    }
    return TRUE;
}
HWND FindBox() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindBoxProc, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The box's message (its static text, id 0xFFFF).
std::string BoxText(HWND box) { return CDialogScript::Text(box, 0xFFFF); }

using SerialPage = SettingsStoreTest;

void AddOpenIoStep(CDialogScript& s) {
    s.Add("dialog", [] {
        g_dlg = CDialogScript::FindTop(L"Settings");
        if (g_dlg == nullptr || Page() == nullptr) return false;
        SendMessageW(Tab(), TCM_SETCURFOCUS, TAB_IO, 0);
        return true;
    });
}

}  // namespace

TEST_F(SerialPage, FieldsShowTheStoreAndOkWritesEachBack) {
    // Each row: what the store holds, then what the operator makes of it.
    struct Values {
        int key, port, line, invert, ptt, lead, tail, pttInvert;
    };
    static const struct {
        Values shown, typed;
    } rows[] = {
        {{0, 1, 0, 0, 0, 50, 300, 0}, {1, 12, 1, 1, 1, 70, 900, 0}},
        {{1, 12, 1, 1, 1, 70, 900, 0}, {0, 3, 0, 0, 0, 5, 40, 1}},
        {{1, 4, 0, 0, 1, 20, 100, 1}, {1, 4, 1, 0, 1, 20, 100, 0}},
    };
    static size_t row;
    for (row = 0; row < sizeof rows / sizeof rows[0]; ++row) {
        const Values& in = rows[row].shown;
        store->serialkey = in.key, store->serialport = in.port, store->serialline = in.line;
        store->serialinvert = in.invert, store->serialptt = in.ptt, store->pttlead = in.lead;
        store->ptttail = in.tail, store->pttinvert = in.pttInvert;
        CDialogScript s;
        AddOpenIoStep(s);
        s.Add("fields", [] {
            const Values& v = rows[row].shown;
            const struct {
                const char* name;
                std::string got, want;
            } shown[] = {
                {"enable", std::to_string(Checked(ID_SERIALKEY)), std::to_string(v.key)},
                {"port", Field(ID_SERIALPORT), std::to_string(v.port)},
                {"line", std::to_string(LineChoice()), std::to_string(v.line)},
                {"line text", Field(ID_SERIALLINE), v.line ? "RTS" : "DTR"},
                {"invert", std::to_string(Checked(ID_SERIALINVERT)), std::to_string(v.invert)},
                {"ptt", std::to_string(Checked(ID_SERIALPTT)), std::to_string(v.ptt)},
                {"lead", Field(ID_PTTLEAD), std::to_string(v.lead)},
                {"tail", Field(ID_PTTTAIL), std::to_string(v.tail)},
                {"ptt invert", std::to_string(Checked(ID_PTTINVERT)), std::to_string(v.pttInvert)},
            };
            for (const auto& f : shown) {
                EXPECT_EQ(f.want, f.got) << "row " << row << " " << f.name << ": expected " << f.want << ", got " << f.got;
            }
            const Values& t = rows[row].typed;
            Check(ID_SERIALKEY, t.key);
            SetDlgItemInt(Page(), ID_SERIALPORT, static_cast<UINT>(t.port), FALSE);
            SendDlgItemMessageW(Page(), ID_SERIALLINE, CB_SETCURSEL, static_cast<WPARAM>(t.line), 0);
            Check(ID_SERIALINVERT, t.invert);
            Check(ID_SERIALPTT, t.ptt);
            SetDlgItemInt(Page(), ID_PTTLEAD, static_cast<UINT>(t.lead), FALSE);
            SetDlgItemInt(Page(), ID_PTTTAIL, static_cast<UINT>(t.tail), FALSE);
            Check(ID_PTTINVERT, t.pttInvert);
            CDialogScript::PostClick(g_dlg, ID_OK);
            return true;
        });
        s.Start();
        const int result = ShowSettingsDialog(nullptr);
        EXPECT_TRUE(s.Finish()) << "row " << row << ": " << s.failure();
        EXPECT_EQ(ID_OK, result) << "row " << row;
        const Values& t = rows[row].typed;
        const struct {
            const char* name;
            long got, want;
        } written[] = {
            {"serialkey", store->serialkey, t.key},       {"serialport", store->serialport, t.port},
            {"serialline", store->serialline, t.line},    {"serialinvert", store->serialinvert, t.invert},
            {"serialptt", store->serialptt, t.ptt},       {"pttlead", store->pttlead, t.lead},
            {"ptttail", store->ptttail, t.tail},          {"pttinvert", store->pttinvert, t.pttInvert},
        };
        for (const auto& w : written) {
            EXPECT_EQ(w.want, w.got) << "row " << row << " " << w.name << ": expected " << w.want << ", got " << w.got;
        }
    }
}

TEST_F(SerialPage, TestButtonPulsesSaysHowAndLeavesNoLineAsserted) {
    static const struct {
        const wchar_t* port;
        int32_t line, invert;        // on the page, unsaved
        int32_t openError;
        int32_t stationInvert;       // -1: no station keyer; else one on COM5 with this polarity
        const char* box;
        const char* log;             // nullptr: checked by levels only
    } rows[] = {
        {L"3", SERIAL_LINE_DTR, 0, SERIAL_ERROR_NONE, -1, "COM3 打开成功，键控线(DTR)已脉冲一次", "O R0 D0 D1 D0 R0 D0 C "},
        {L"3", SERIAL_LINE_RTS, 1, SERIAL_ERROR_NONE, -1, "COM3 打开成功，键控线(RTS)已脉冲一次", "O D1 R1 R0 R1 D0 R0 C "},
        {L"0", SERIAL_LINE_DTR, 0, SERIAL_ERROR_NONE, -1, "串口号应为1~256", ""},
        {L"9", SERIAL_LINE_DTR, 0, SERIAL_ERROR_NO_PORT, -1, "无法打开COM9：该串口不存在", ""},
        {L"9", SERIAL_LINE_DTR, 0, SERIAL_ERROR_BUSY, -1, "无法打开COM9：串口被占用或无权访问", ""},
        // The station keys COM5, not inverted; the page has invert ticked.
        {L"5", SERIAL_LINE_DTR, 1, SERIAL_ERROR_NONE, 0, "COM5 打开成功，键控线(DTR)已脉冲一次", nullptr},
        {L"5", SERIAL_LINE_RTS, 0, SERIAL_ERROR_NONE, 1, "COM5 打开成功，键控线(RTS)已脉冲一次", nullptr},
    };
    static size_t row;
    for (row = 0; row < sizeof rows / sizeof rows[0]; ++row) {
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        std::unique_ptr<CSerialKeyer> station;
        int32_t released[2] = {-1, -1};
        if (rows[row].stationInvert >= 0) {
            station.reset(new CSerialKeyer(
                tagSerialKeyConfig{5, SERIAL_LINE_DTR, rows[row].stationInvert, 1, 10, 100, -1}));
            ASSERT_TRUE(station->IsReady()) << "row " << row;
            released[0] = log.LastLevel(SERIAL_LINE_DTR);
            released[1] = log.LastLevel(SERIAL_LINE_RTS);
        }
        log.SetOpenError(rows[row].openError);
        static std::string boxText;
        boxText.clear();
        CDialogScript s;
        AddOpenIoStep(s);
        s.Add("test", [] {
            SetDlgItemTextW(Page(), ID_SERIALPORT, rows[row].port);
            SendDlgItemMessageW(Page(), ID_SERIALLINE, CB_SETCURSEL, static_cast<WPARAM>(rows[row].line), 0);
            Check(ID_SERIALINVERT, rows[row].invert);
            CDialogScript::PostClick(Page(), ID_SERIALTEST);
            return true;
        });
        s.Add("box", [] {
            HWND box = FindBox();
            if (box == nullptr) return false;
            boxText = BoxText(box);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return true;
        });
        s.Add("cancel", [] {
            if (FindBox() != nullptr) return false;
            PostMessageW(g_dlg, WM_COMMAND, IDCANCEL, 0);
            return true;
        });
        s.Start();
        ShowSettingsDialog(nullptr);
        EXPECT_TRUE(s.Finish()) << "row " << row << ": " << s.failure();
        EXPECT_EQ(rows[row].box, boxText) << "row " << row;
        if (rows[row].log != nullptr) {
            EXPECT_EQ(rows[row].log, log.Text()) << "row " << row;
        }
        if (station) {
            // The station's lines are as it left them: key up, PTT off.
            EXPECT_EQ(released[0], log.LastLevel(SERIAL_LINE_DTR)) << "row " << row << ": " << log.Text();
            EXPECT_EQ(released[1], log.LastLevel(SERIAL_LINE_RTS)) << "row " << row << ": " << log.Text();
            EXPECT_EQ(1, log.OpenCount()) << "row " << row << ": the test went through the station's port";
            station->KeyDown();
            EXPECT_EQ(1 - released[0], log.LastLevel(SERIAL_LINE_DTR)) << "row " << row << ": the station keys on";
        }
        EXPECT_EQ(0, store->serialinvert) << "row " << row << ": Cancel keeps the store";
    }
}
