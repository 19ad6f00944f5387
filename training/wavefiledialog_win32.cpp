// The file dialog for Morse audio files and the two menu tools that write
// them: a typed line of text (1054) and a fresh Koch group text (1053).
#include "training/wavefiledialog.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <cwchar>
#include <string>

#include "app/stationnotice.h"
#include "app/toolcommands.h"
#include "app/workingdirectory_win32.h"
#include "settings/dialogtext_win32.h"
#include "settings/vardosetting.h"
#include "training/cwwavewriter.h"
#include "training/inputbox.h"
#include "training/kochpractice.h"
#include "training/kochtext.h"
#include "training/statsfile.h"
#include "training/wavefilename.h"

namespace {

int KochListLength() {
    return g_pSetting ? static_cast<int>(strnlen(g_pSetting->charlist, KOCH_CHARLIST_SIZE)) : 0;
}


}  // namespace

int ChooseWaveFile(void* owner, const char* defaultName, const char* text, int length) {
    wchar_t name[WAVE_PATH_MAX] = {};
    std::wstring wideName = AnsiToWide(defaultName);
    wcsncpy(name, wideName.c_str(), WAVE_PATH_MAX - 1);
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = static_cast<HWND>(owner);
    ofn.lpstrFilter = L"All\0*.*\0Wave\0*.wav\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name;
    ofn.nMaxFile = WAVE_PATH_MAX;
    ofn.Flags = OFN_PATHMUSTEXIST;
    BOOL chosen;
    {
        CWorkingDirectoryKeeper keep;
        chosen = GetOpenFileNameW(&ofn);
    }
    if (!chosen || !g_pSetting) {
        return 0;
    }
    SettingValues values;
    g_pSetting->CopyValuesTo(values);
    return WriteCwWave(values, name, text, length, 0);
}

void MakeCwWaveFile(void* hwnd) {
    wcsncpy(g_szPrompt, L"请输入不超过200个字符长度的字符串: ", INPUT_PROMPT_SIZE - 1);
    g_szPrompt[INPUT_PROMPT_SIZE - 1] = 0;
    if (ShowInputBox(hwnd) > 0 && g_szInputText[0]) {
        char name[WAVE_PATH_MAX];
        MakeWaveFileName(g_szInputText, name);
        ChooseWaveFile(hwnd, name, g_szInputText, static_cast<int>(strlen(g_szInputText)));
    }
}

void MakeKochWaveFile(void* hwnd) {
    if (KochListLength() < 2) {
        ShowStationNotice(hwnd, NOTICE_NO_KOCH_CHARS);
        return;
    }
    if (GeneratePracticeText() == STATS_REPLACED) {
        ShowStationNotice(hwnd, NOTICE_STATS_REPLACED);
    }
    char name[WAVE_PATH_MAX];
    MakeWaveFileName(g_pSetting->charlist, name);
    ChooseWaveFile(hwnd, name, g_szKochText, KOCH_TEXT_LEN);
}
