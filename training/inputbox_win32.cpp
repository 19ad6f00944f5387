// The input box (dialog 1065): a prompt, one edit line and two buttons.
#include "training/inputbox.h"

#include <windows.h>

#include "app/appglobals.h"
#include "res/dialogs_training.h"
#include "settings/dialogtext_win32.h"

wchar_t g_szPrompt[INPUT_PROMPT_SIZE] = L"请输入: ";
char g_szInputText[INPUT_TEXT_SIZE] = "";

namespace {

INT_PTR CALLBACK InputBoxDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG:
        SetDlgItemTextW(dlg, IDC_VD_INPUTPROMPT, g_szPrompt);
        SetDlgItemAnsi(dlg, IDC_VD_INPUTEDIT, g_szInputText);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            GetDlgItemAnsi(dlg, IDC_VD_INPUTEDIT, g_szInputText, INPUT_TEXT_SIZE);
            EndDialog(dlg, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, 0);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

}  // namespace

int ShowInputBox(void* owner) {
    HINSTANCE instance = g_hInstance ? static_cast<HINSTANCE>(g_hInstance) : GetModuleHandleW(nullptr);
    INT_PTR r = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_VD_INPUTBOX), static_cast<HWND>(owner),
                                InputBoxDlgProc, 0);
    return r > 0 ? static_cast<int>(r) : 0;
}
