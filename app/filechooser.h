// Choosing the text file that the File... button sends. The Windows builds
// show the system's open-file dialog; elsewhere there is none, and tests
// (on every platform) install a hook that answers in its place.
#pragma once

#include <functional>
#include <string>

// Fills *path (UTF-8) with the chosen file. 1 when a file was chosen, 0 when
// the operator cancelled (or there is no chooser).
int ChooseTextFile(void* ownerWindow, std::string* path);

// Answers ChooseTextFile instead of the platform's chooser while set; an
// empty function restores the platform. Window thread only.
using FileChooserHook = std::function<int(void* ownerWindow, std::string* path)>;
void SetFileChooserHook(FileChooserHook hook);

// The platform's chooser (filechooser_win32.cpp, filechooser_posix.cpp).
int PlatformChooseTextFile(void* ownerWindow, std::string* path);
