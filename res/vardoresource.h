// Resource ids of the station's own resources (vardo.rc) and the command ids
// of its menu and accelerators. Shared by the resource script and the C++
// code, so it holds nothing but #define lines.
#pragma once

// Icons, picture, menu, accelerators.
#define IDI_VARDO 107
#define IDI_VARDO_SMALL 108
#define IDR_VARDO_MENU 109
#define IDR_VARDO_ACCEL 109
#define IDB_VARDO_ABOUT 131

// Dialogs.
#define IDD_VARDO_ABOUT 103
#define IDD_VARDO_NOTE 136
#define IDC_VARDO_NOTE_EDIT 1003

// Strings: title and window class name, then the texts of the message boxes.
#define IDS_VARDO_TITLE 103
#define IDS_VARDO_CLASS 109
#define IDS_VARDO_NETWORK_FAILED 32800
#define IDS_VARDO_WARNING 32801
#define IDS_VARDO_NO_KOCH_CHARS 32802
#define IDS_VARDO_ERROR 32803
#define IDS_VARDO_STATS_REPLACED 32840
#define IDS_VARDO_RECV_LOG_FAILED 32861
#define IDS_VARDO_LESSON_NEXT 32841
#define IDS_VARDO_LESSON_CAPTION 32842
#define IDS_VARDO_STATS_HEADER 32843
#define IDS_VARDO_STATS_UNREADABLE 32844
#define IDS_VARDO_STATS_SAVE_FAILED 32845
#define IDS_VARDO_SERIAL_FAILED 32860

// Commands of the window procedure.
#define IDM_VARDO_ABOUT 104
#define IDM_VARDO_EXIT 105
#define IDM_VARDO_PORT_TEST 199
#define IDM_VARDO_SETTINGS 1006
#define IDM_VARDO_KOCH 1051
#define IDM_VARDO_ESCAPE 1052
#define IDM_VARDO_KOCH_WAVE 1053
#define IDM_VARDO_CW_WAVE 1054
#define IDM_VARDO_NOTE 32775

// What the settings dialog returns for its OK button.
#define VARDO_SETTINGS_OK 1024
