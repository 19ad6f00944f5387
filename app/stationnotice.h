// The few messages the station shows the operator. The Windows builds show a
// message box with the text from the string table; natively the text goes
// to standard error. Tests install a hook to see them without a modal box.
#pragma once

#include <functional>

enum StationNotice : int {
    // "无法打开网络功能", caption "警告", no owner.
    NOTICE_NETWORK_FAILED = 1,
    // The Koch character list holds fewer than 2 characters; caption "错误",
    // owned by the main window.
    NOTICE_NO_KOCH_CHARS = 2,
    // The character statistics file was damaged and has been replaced;
    // caption "警告", owned by the given window.
    NOTICE_STATS_REPLACED = 32840,
    // The statistics file is there but could not be read: it is left as it
    // is and the session is not recorded; caption "警告", owned.
    NOTICE_STATS_UNREADABLE = 32844,
    // The session could not be written to the statistics file; caption
    // "警告", owned.
    NOTICE_STATS_SAVE_FAILED = 32845,
    // The serial key line or PTT could not be set (the adapter was
    // unplugged, say); caption "警告", no owner. Shown once per failure.
    NOTICE_SERIAL_FAILED = 32860,
    // The receive log vardorecv.txt cannot be written; caption "警告", no
    // owner. Shown once per start of the station.
    NOTICE_RECV_LOG_FAILED = 32861,
};

void ShowStationNotice(void* ownerWindow, int notice);

// While set, the hook is called instead of the platform's message; an empty
// function restores it.
using StationNoticeHook = std::function<void(void* ownerWindow, int notice)>;
void SetStationNoticeHook(StationNoticeHook hook);

// The platform's message (stationnotice_win32.cpp, stationnotice_posix.cpp).
void PlatformShowStationNotice(void* ownerWindow, int notice);
