// What the settings dialog tests share: the dialog and its current page as
// found on the screen, a page field's text, and a fixture that gives each
// test a fresh store and no vardo.ini.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>

#include "settings/vardosetting.h"
#include "tests/training/dialogscript_win32.h"

// The dialog under test, once a script step has found it.
inline HWND g_dlg = nullptr;

inline HWND Tab() { return GetDlgItem(g_dlg, 1004); }
// The page the tab shows (the tab keeps it in its user data).
inline HWND Page() { return reinterpret_cast<HWND>(GetWindowLongPtrW(Tab(), GWLP_USERDATA)); }
inline std::string Field(int id) { return CDialogScript::Text(Page(), id); }

struct SettingsStoreTest : ::testing::Test {
    void SetUp() override {
        DeleteFileW(L"vardo.ini");
        store.reset(new CVardoSetting());
        g_pSetting = store.get();
        InitCommonControls();
    }
    void TearDown() override {
        g_pSetting = nullptr;
        store.reset();
        DeleteFileW(L"vardo.ini");
    }
    std::unique_ptr<CVardoSetting> store;
};
