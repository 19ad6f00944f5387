// The program's resources as Windows loads them: the menu with its items,
// ids and texts, the accelerator table, the string table and the About box
// with its picture, and the icons. Rows carry an index; every check says what was expected
// and what came back.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "res/vardoresource.h"

namespace {

HINSTANCE Module() { return GetModuleHandleW(nullptr); }

std::wstring MenuText(HMENU menu, UINT position) {
    wchar_t text[128];
    for (wchar_t& c : text) c = L'\x55AA';  // sentinel
    const int n = GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
    return n > 0 ? std::wstring(text, static_cast<size_t>(n)) : std::wstring();
}

// Readable form of a wide text in failure messages.
std::string Utf8(const std::wstring& w) {
    if (w.empty()) return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

INT_PTR CALLBACK InitOnlyProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

}  // namespace

TEST(Resources, MenuHoldsTheThreePopupsWithTheirItems) {
    HMENU menu = LoadMenuW(Module(), MAKEINTRESOURCEW(IDR_VARDO_MENU));
    ASSERT_NE(nullptr, menu);
    const struct {
        UINT popup;
        UINT position;
        UINT id;  // 0: separator
        const wchar_t* text;
    } rows[] = {
        {0, 0, IDM_VARDO_EXIT, L"退出(&X)"},
        {1, 0, IDM_VARDO_CW_WAVE, L"生成CW音频文件(&W)"},
        {1, 1, 0, L""},
        {1, 2, IDM_VARDO_KOCH, L"Koch训练法\tCtrl+K"},
        {1, 3, IDM_VARDO_KOCH_WAVE, L"生成Koch音频文件(&G)"},
        {1, 4, 0, L""},
        {1, 5, IDM_VARDO_SETTINGS, L"设置(&S)"},
        {2, 0, IDM_VARDO_ABOUT, L"关于(&A)..."},
    };
    const wchar_t* popups[] = {L"文件(&F)", L"工具(&T)", L"帮助(&H)"};
    const int counts[] = {1, 6, 1};
    ASSERT_EQ(3, GetMenuItemCount(menu));
    for (UINT p = 0; p < 3; ++p) {
        EXPECT_EQ(popups[p], MenuText(menu, p)) << "popup " << p << " got " << Utf8(MenuText(menu, p));
        ASSERT_NE(nullptr, GetSubMenu(menu, static_cast<int>(p))) << "popup " << p;
        EXPECT_EQ(counts[p], GetMenuItemCount(GetSubMenu(menu, static_cast<int>(p)))) << "popup " << p;
    }
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        HMENU sub = GetSubMenu(menu, static_cast<int>(rows[i].popup));
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID;
        ASSERT_TRUE(GetMenuItemInfoW(sub, rows[i].position, TRUE, &info)) << "row " << i;
        if (rows[i].id == 0) {
            EXPECT_TRUE(info.fType & MFT_SEPARATOR) << "row " << i << ": expected a separator";
            continue;
        }
        EXPECT_EQ(rows[i].id, info.wID) << "row " << i;
        EXPECT_EQ(rows[i].text, MenuText(sub, rows[i].position))
            << "row " << i << " got " << Utf8(MenuText(sub, rows[i].position));
    }
    DestroyMenu(menu);
}

TEST(Resources, AcceleratorsMapTheirKeysToTheirCommands) {
    HACCEL table = LoadAcceleratorsW(Module(), MAKEINTRESOURCEW(IDR_VARDO_ACCEL));
    ASSERT_NE(nullptr, table);
    ACCEL got[8];
    for (ACCEL& a : got) a = ACCEL{0xFF, 0xFFFF, 0xFFFF};  // sentinel
    const int n = CopyAcceleratorTableW(table, got, 8);
    const struct {
        BYTE virt;  // without FNOINVERT
        WORD key;
        WORD cmd;
    } rows[] = {
        {FALT, '/', IDM_VARDO_ABOUT},
        {FALT, '?', IDM_VARDO_ABOUT},
        {FVIRTKEY | FCONTROL, 'K', IDM_VARDO_KOCH},
        {FVIRTKEY, VK_ESCAPE, IDM_VARDO_ESCAPE},
    };
    ASSERT_EQ(4, n);
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        EXPECT_EQ(rows[i].virt, got[i].fVirt & ~FNOINVERT) << "row " << i;
        EXPECT_EQ(rows[i].key, got[i].key) << "row " << i;
        EXPECT_EQ(rows[i].cmd, got[i].cmd) << "row " << i;
    }
    EXPECT_EQ(0xFFFF, got[4].cmd) << "the copy wrote past the table";
    DestroyAcceleratorTable(table);
}

TEST(Resources, StringTableHoldsTitleClassAndMessages) {
    const struct {
        UINT id;
        const wchar_t* text;
    } rows[] = {
        {IDS_VARDO_TITLE, L"Vardo"},
        {IDS_VARDO_CLASS, L"VARDO"},
        {IDS_VARDO_NETWORK_FAILED, L"无法打开网络功能"},
        {IDS_VARDO_WARNING, L"警告"},
        {IDS_VARDO_NO_KOCH_CHARS, L"没有设置Koch训练字符\n请先在菜单的[工具->设置]中设置至少2个ASCII字符"},
        {IDS_VARDO_ERROR, L"错误"},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        wchar_t text[256];
        for (wchar_t& c : text) c = L'\x55AA';
        const int n = LoadStringW(Module(), rows[i].id, text, 100);
        ASSERT_GT(n, 0) << "row " << i;
        EXPECT_EQ(std::wstring(rows[i].text), std::wstring(text, static_cast<size_t>(n)))
            << "row " << i << " got " << Utf8(std::wstring(text, static_cast<size_t>(n)));
        EXPECT_EQ(L'\x55AA', text[101]) << "row " << i << ": written past the buffer";
    }
}

TEST(Resources, AboutBoxShowsItsTitleAndTexts) {
    // The About template, created modeless so that the test can read it.
    HWND about = CreateDialogParamW(Module(), MAKEINTRESOURCEW(IDD_VARDO_ABOUT), nullptr, InitOnlyProc, 0);
    ASSERT_NE(nullptr, about);
    wchar_t caption[64] = {};
    GetWindowTextW(about, caption, 64);
    EXPECT_EQ(std::wstring(L"关于Vardo"), caption) << Utf8(caption);
    // Every static and the button, in template order.
    const wchar_t* texts[] = {L"Vardo         Version 1.1.0012 (BETA)", L"...- .- .-. -.. ---", L"73 ^_^"};
    size_t found = 0;
    int pictures = 0;
    for (HWND child = GetWindow(about, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t text[128] = {};
        GetWindowTextW(child, text, 128);
        for (const wchar_t* t : texts) found += std::wstring(t) == text;
        pictures += SendMessageW(child, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0;
    }
    EXPECT_EQ(3u, found);
    EXPECT_EQ(1, pictures) << "the static of bitmap 131 holds no picture";
    // The window class's icons.
    EXPECT_NE(nullptr, LoadIconW(Module(), MAKEINTRESOURCEW(IDI_VARDO)));
    EXPECT_NE(nullptr, LoadIconW(Module(), MAKEINTRESOURCEW(IDI_VARDO_SMALL)));
    EXPECT_NE(nullptr, GetDlgItem(about, IDOK));
    DestroyWindow(about);
}
