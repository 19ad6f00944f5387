// The input box: one line of text, kept between openings.
#pragma once

#include <cstdint>

constexpr int INPUT_TEXT_SIZE = 256;
constexpr int INPUT_PROMPT_SIZE = 256;

// Shown as the box's prompt.
extern wchar_t g_szPrompt[INPUT_PROMPT_SIZE];
// The last text entered (ANSI code page, at most 255 bytes); shown again
// the next time.
extern char g_szInputText[INPUT_TEXT_SIZE];

// Runs the box modally over owner (an HWND): 1 when "提交" stored the text
// into g_szInputText, 0 for "取消" or Esc.
int ShowInputBox(void* owner);
