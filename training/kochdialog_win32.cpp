// The Koch copy dialog: generates a group text, has the sender key it, and
// times and scores what the operator types into its rich edit, colouring
// the character just typed black when it matches the sent one and red when
// it does not.
#include "training/kochdialog.h"

#include <windows.h>
#include <richedit.h>

#include <cstring>
#include <string>

#include "app/stationnotice.h"
#include "app/appglobals.h"
#include "app/toolcommands.h"
#include "app/vardomainwindow.h"
#include "res/dialogs_training.h"
#include "settings/dialogtext_win32.h"
#include "settings/vardosetting.h"
#include "res/vardoresource.h"
#include "training/charstats.h"
#include "training/kochlesson.h"
#include "training/kochpractice.h"
#include "training/kochtext.h"
#include "training/statsfile.h"

char g_szCopyText[COPY_TEXT_MAX + 2];
int32_t g_bKochFinished = 0;
uint32_t g_nKochStartTick = 0;
tagCopyScore g_kochScore = {0, 0, 0, 0};

namespace {

constexpr UINT KOCH_CLOCK_PERIOD_MS = 220;
constexpr COLORREF COPY_RIGHT = RGB(0, 0, 0);
constexpr COLORREF COPY_WRONG = RGB(255, 0, 0);

// Set once the session is in the statistics: at the first "完成", or at
// Esc while copying.
int g_bSessionRecorded = 0;

// Set while the dialog colours a character, so that a change notice sent
// for the formatting is not scored again.
int g_bColouring = 0;

HINSTANCE Instance() {
    return g_hInstance ? static_cast<HINSTANCE>(g_hInstance) : GetModuleHandleW(nullptr);
}

void SetItemAscii(HWND dlg, int id, const char* text) {
    SetDlgItemTextW(dlg, id, AnsiToWide(text).c_str());
}

void ColourCharacter(HWND edit, int at, COLORREF colour) {
    g_bColouring = 1;
    CHARRANGE range = {at, at + 1};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMATW format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = colour;
    SendMessageW(edit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    CHARRANGE caret = {at + 1, at + 1};
    SendMessageW(edit, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    g_bColouring = 0;
}

void ScoreAndShow(HWND dlg) {
    HWND edit = GetDlgItem(dlg, IDC_VD_COPYEDIT);
    wchar_t wide[COPY_TEXT_MAX + 1] = {};
    int n = GetWindowTextW(edit, wide, COPY_TEXT_MAX + 1);
    if (n < 0) {
        n = 0;
    }
    for (int i = 0; i < n; ++i) {
        g_szCopyText[i] = wide[i] < 0x80 ? static_cast<char>(wide[i]) : '\x7F';
    }
    g_szCopyText[n] = 0;
    g_kochScore = ScoreCopy(g_szKochText, KOCH_TEXT_LEN, g_szCopyText, n);

    char text[32];
    FormatCopyCount(g_kochScore.nCopied, text, sizeof text);
    SetItemAscii(dlg, IDC_VD_COPYCOUNT, text);
    FormatCopyCount(g_kochScore.nWrong, text, sizeof text);
    SetItemAscii(dlg, IDC_VD_COPYWRONG, text);
    FormatAccuracy(g_kochScore, text, sizeof text);
    SetItemAscii(dlg, IDC_VD_COPYRATE, text);
    if (g_kochScore.nCopied > 0) {
        // The text reads each line break as CR LF, the control counts it as
        // one position: count back to the control's position of the last
        // character, so the colour lands on it after a line break too.
        int breaks = 0;
        for (int i = 0; i + 1 < n; ++i) {
            if (wide[i] == L'\r' && wide[i + 1] == L'\n') {
                ++breaks;
            }
        }
        ColourCharacter(edit, g_kochScore.nCopied - 1 - breaks, g_kochScore.bLastWrong ? COPY_WRONG : COPY_RIGHT);
    }
}

std::wstring LoadText(UINT id, const wchar_t* fallback) {
    wchar_t text[256];
    if (LoadStringW(GetModuleHandleW(nullptr), id, text, 256) <= 0) {
        lstrcpynW(text, fallback, 256);
    }
    return text;
}

// The number of Koch characters the sender has taken from its queue: the
// rest of the text still waits there. -1 when there is no station.
int SentCount() {
    if (!g_pMainWindow) {
        return -1;
    }
    return SentCharacterCount(KOCH_TEXT_LEN, g_pMainWindow->GetCodeQueueLength());
}

// Narrows the copy and shows the per-character table beside it.
void ShowAccuracyTable(HWND dlg, const std::vector<tagCharResult>& results, const CCharStats& stats) {
    const std::string table = FormatAccuracyTable(SummariseResults(results), stats);
    const std::wstring text = LoadText(IDS_VARDO_STATS_HEADER, L"字符  本次      累计") + L"\r\n" +
                              AnsiToWide(table.c_str());
    RECT copy = {0, 0, 224, 175};
    MapDialogRect(dlg, &copy);
    SetWindowPos(GetDlgItem(dlg, IDC_VD_COPYEDIT), nullptr, 0, 0, copy.right, copy.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    HWND box = GetDlgItem(dlg, IDC_VD_COPYSTATS);
    SetWindowTextW(box, text.c_str());
    ShowWindow(box, SW_SHOWNA);
}

// Asks whether the next Koch character joins the set once the recent
// sessions on this set reached the pass mark; adds it on "yes".
void OfferNextLesson(HWND dlg, const CCharStats& stats, const char* list) {
    if (!g_pSetting || !LessonPassed(stats, list) || std::strlen(list) >= KOCH_CHARLIST_SIZE - 1) {
        return;
    }
    const char next = NextKochCharacter(list, g_pSetting->morseTable);
    if (!next) {
        return;
    }
    const std::wstring format =
        LoadText(IDS_VARDO_LESSON_NEXT, L"最近%d次练习的正确率已达到%d%%。\n是否把下一个字符“%c”加入字符集？");
    wchar_t text[256];
    _snwprintf(text, 255, format.c_str(), LESSON_SESSIONS, LESSON_PERCENT, static_cast<wchar_t>(next));
    text[255] = 0;
    if (MessageBoxW(dlg, text, LoadText(IDS_VARDO_LESSON_CAPTION, L"Koch课程").c_str(), MB_YESNO) != IDYES) {
        return;
    }
    SettingValues values;
    g_pSetting->CopyValuesTo(values);
    const size_t n = strnlen(values.charlist, KOCH_CHARLIST_SIZE - 1);
    values.charlist[n] = next;
    values.charlist[n + 1] = 0;
    g_pSetting->CopyValuesFrom(values);
}

// Scores the copy character by character and records the session in the
// statistics file (merged with what other stations wrote meanwhile);
// reports a damaged, unreadable or unwritable file.
std::vector<tagCharResult> RecordSession(HWND dlg, int sentCount, char* list, CCharStats* stats) {
    const int copied = static_cast<int>(strnlen(g_szCopyText, COPY_TEXT_MAX));
    const std::vector<tagCharResult> results =
        ScoreCopyCharacters(g_szKochText, KOCH_TEXT_LEN, sentCount, g_szCopyText, copied);
    if (g_pSetting) {
        snprintf(list, KOCH_CHARLIST_SIZE, "%.*s", KOCH_CHARLIST_SIZE - 1, g_pSetting->charlist);
    }
    const tagStatsRecord r = RecordCharSession(VARDO_STATS_FILE, list, results, stats);
    if (r.nLoad == STATS_REPLACED) {
        ShowStationNotice(dlg, NOTICE_STATS_REPLACED);
    }
    if (r.nLoad == STATS_UNREADABLE) {
        ShowStationNotice(dlg, NOTICE_STATS_UNREADABLE);
    } else if (!r.bSaved) {
        ShowStationNotice(dlg, NOTICE_STATS_SAVE_FAILED);
    }
    return results;
}

// The end of a session: every sent character's result goes into the
// statistics file, the table shows this session beside all of them, and
// the next lesson is offered when it is due.
void EndSession(HWND dlg, int sentCount) {
    char list[KOCH_CHARLIST_SIZE] = {};
    CCharStats stats;
    g_bSessionRecorded = 1;
    const std::vector<tagCharResult> results = RecordSession(dlg, sentCount, list, &stats);
    ShowAccuracyTable(dlg, results, stats);
    OfferNextLesson(dlg, stats, list);
}

void StopTraining(HWND dlg) {
    KillTimer(dlg, IDT_VD_COPYCLOCK);
    if (g_pMainWindow) {
        g_pMainWindow->FlushQueue();
    }
}

// Closes the dialog; the radio is the station's again once the sender has
// let go of the training text.
void CloseTraining(HWND dlg, INT_PTR result) {
    StopTraining(dlg);
    if (g_pMainWindow) {
        g_pMainWindow->EndSidetoneOnly();
    }
    EndDialog(dlg, result);
}

INT_PTR CALLBACK KochDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        g_bKochFinished = 0;
        g_bSessionRecorded = 0;
        g_szCopyText[0] = 0;
        g_kochScore = tagCopyScore{0, 0, 0, 0};
        if (GeneratePracticeText() == STATS_REPLACED) {
            ShowStationNotice(dlg, NOTICE_STATS_REPLACED);
        }
        // The training starts when the operator confirms.
        MessageBoxW(dlg, L"点击[确定]或按[回车]键开始...", L"准备", MB_OK);
        if (g_pMainWindow) {
            if (!g_pSetting || g_pSetting->kochsidetoneonly) {
                g_pMainWindow->BeginSidetoneOnly();
            }
            g_pMainWindow->EnqueueText(g_szKochText, KOCH_TEXT_LEN, 0);
        }
        SetTimer(dlg, IDT_VD_COPYCLOCK, KOCH_CLOCK_PERIOD_MS, nullptr);
        g_nKochStartTick = GetTickCount();
        SendDlgItemMessageW(dlg, IDC_VD_COPYEDIT, EM_SETEVENTMASK, 0, ENM_CHANGE);
        return TRUE;
    case WM_TIMER:
        if (wParam == IDT_VD_COPYCLOCK) {
            char text[32];
            FormatElapsed(g_nKochStartTick, GetTickCount(), text, sizeof text);
            SetItemAscii(dlg, IDC_VD_COPYCLOCK, text);
            return TRUE;
        }
        break;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_VD_COPYEDIT:
            if (HIWORD(wParam) == EN_CHANGE && !g_bColouring) {
                ScoreAndShow(dlg);
            }
            return FALSE;
        case IDC_VD_COPYDONE:
            if (!g_bKochFinished) {
                // Counted before the flush empties the queue.
                const int sent = SentCount();
                StopTraining(dlg);
                SetDlgItemTextW(dlg, IDC_VD_COPYDONE, L"关闭");
                g_bKochFinished = 1;
                EndSession(dlg, sent);
            } else {
                CloseTraining(dlg, IDC_VD_COPYDONE);
            }
            return TRUE;
        case IDCANCEL:
            if (!g_bSessionRecorded) {
                // Closed while copying: what the copy covers is recorded
                // (the rest of the text was not waited for, so it is not
                // counted as missed); an empty copy records nothing.
                StopTraining(dlg);
                g_bSessionRecorded = 1;
                char list[KOCH_CHARLIST_SIZE] = {};
                CCharStats stats;
                RecordSession(dlg, -1, list, &stats);
            }
            CloseTraining(dlg, IDCANCEL);
            return TRUE;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

}  // namespace

int RunKochDialog(void* owner) {
    // The rich edit's class lives in this library; the entry loads it too,
    // and a second load only counts up.
    static HMODULE richEdit = LoadLibraryW(L"RICHED20.dll");
    (void)richEdit;
    return static_cast<int>(DialogBoxParamW(Instance(), MAKEINTRESOURCEW(IDD_VD_KOCHCOPY),
                                            static_cast<HWND>(owner), KochDlgProc, 0));
}

void ShowKochDialog(void* hwnd) {
    if (!g_pSetting || strnlen(g_pSetting->charlist, KOCH_CHARLIST_SIZE) < 2) {
        ShowStationNotice(hwnd, NOTICE_NO_KOCH_CHARS);
        return;
    }
    RunKochDialog(hwnd);
}
