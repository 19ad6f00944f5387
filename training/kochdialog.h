// The Koch copy dialog's process-wide state: the copy as last read from the
// rich edit and the flags of the running training. ShowKochDialog
// (app/toolcommands.h) runs the dialog.
#pragma once

#include <cstdint>

#include "training/copyscore.h"

// The copy, one byte per character typed (characters outside ASCII are
// stored as 0x7F, which matches no sent character), zero-terminated.
extern char g_szCopyText[COPY_TEXT_MAX + 2];
// 0 while the training runs, 1 after the first press of "完成".
extern int32_t g_bKochFinished;
// Tick count (ms) when sending started.
extern uint32_t g_nKochStartTick;
// The score of the copy as last shown.
extern tagCopyScore g_kochScore;

// Runs dialog 135 modally over owner (an HWND) and returns its result:
// 1024 after "完成" and "关闭", 2 for Esc or the close box. The caller has
// checked that the character set has at least two characters.
int RunKochDialog(void* owner);
