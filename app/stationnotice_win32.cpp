// The station's message boxes, with text and caption from the string table
// (wide, so the Chinese texts show on any system locale).
#include "app/stationnotice.h"

#include <windows.h>

#include "res/vardoresource.h"

namespace {
// The string table entry, or the fallback when the resources are missing.
void LoadText(UINT id, const wchar_t* fallback, wchar_t* out, int size) {
    if (LoadStringW(GetModuleHandleW(nullptr), id, out, size) <= 0) {
        lstrcpynW(out, fallback, size);
    }
}
}  // namespace

void PlatformShowStationNotice(void* ownerWindow, int notice) {
    wchar_t text[256];
    wchar_t caption[64];
    HWND owner = nullptr;
    switch (notice) {
    case NOTICE_NETWORK_FAILED:
        LoadText(IDS_VARDO_NETWORK_FAILED, L"无法打开网络功能", text, 256);
        LoadText(IDS_VARDO_WARNING, L"警告", caption, 64);
        break;
    case NOTICE_NO_KOCH_CHARS:
        LoadText(IDS_VARDO_NO_KOCH_CHARS,
                 L"没有设置Koch训练字符\n请先在菜单的[工具->设置]中设置至少2个ASCII字符", text, 256);
        LoadText(IDS_VARDO_ERROR, L"错误", caption, 64);
        owner = static_cast<HWND>(ownerWindow);
        break;
    case NOTICE_STATS_REPLACED:
        LoadText(IDS_VARDO_STATS_REPLACED, L"字符统计文件已损坏，已改名为vardostats.txt.bad保留，并重新开始统计。",
                 text, 256);
        LoadText(IDS_VARDO_WARNING, L"警告", caption, 64);
        owner = static_cast<HWND>(ownerWindow);
        break;
    case NOTICE_STATS_UNREADABLE:
        LoadText(IDS_VARDO_STATS_UNREADABLE, L"无法读取字符统计文件vardostats.txt，文件保持原样，本次练习未记入统计。", text,
                 256);
        LoadText(IDS_VARDO_WARNING, L"警告", caption, 64);
        owner = static_cast<HWND>(ownerWindow);
        break;
    case NOTICE_STATS_SAVE_FAILED:
        LoadText(IDS_VARDO_STATS_SAVE_FAILED, L"无法保存字符统计文件vardostats.txt，本次练习未记入统计。", text, 256);
        LoadText(IDS_VARDO_WARNING, L"警告", caption, 64);
        owner = static_cast<HWND>(ownerWindow);
        break;
    case NOTICE_SERIAL_FAILED:
        LoadText(IDS_VARDO_SERIAL_FAILED, L"串口键控失败：无法设置键控线或PTT线（串口可能已拔出）。键控已停止，串口恢复后将自动重新打开。", text, 256);
        LoadText(IDS_VARDO_WARNING, L"警告", caption, 64);
        break;
    case NOTICE_RECV_LOG_FAILED:
        LoadText(IDS_VARDO_RECV_LOG_FAILED, L"无法写入接收记录文件vardorecv.txt，本次运行不再记录。", text, 256);
        LoadText(IDS_VARDO_WARNING, L"警告", caption, 64);
        break;
    default:
        return;
    }
    MessageBoxW(owner, text, caption, MB_OK);
}
