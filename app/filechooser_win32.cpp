// The system's open-file dialog for the File... button: a 260-character name
// initialised to "*.txt", the filters "All" and "Text", and the rule that
// the folder and the file must exist.
#include "app/filechooser.h"

#include <windows.h>
#include <commdlg.h>

#include "app/workingdirectory_win32.h"

int PlatformChooseTextFile(void* ownerWindow, std::string* path) {
    wchar_t name[MAX_PATH] = L"*.txt";
    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = static_cast<HWND>(ownerWindow);
    ofn.lpstrFilter = L"All\0*.*\0Text\0*.TXT\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name;
    ofn.nMaxFile = MAX_PATH;
    ofn.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    BOOL chosen;
    {
        // The dialog would otherwise leave the working directory in the
        // text file's folder, and vardo.ini would be saved there at exit.
        CWorkingDirectoryKeeper keep;
        chosen = GetOpenFileNameW(&ofn);
    }
    if (!chosen) {
        return 0;
    }
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, name, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) {
        return 0;
    }
    std::string utf8(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, name, -1, &utf8[0], bytes, nullptr, nullptr);
    utf8.resize(static_cast<size_t>(bytes - 1));
    *path = utf8;
    return 1;
}
