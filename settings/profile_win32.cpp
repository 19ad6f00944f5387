// INI access through the Windows private-profile functions.
#include "settings/profile.h"

#include <windows.h>

namespace VdProfile {

int GetString(const char* section, const char* key, const char* def, char* buffer, int size,
              const char* file) {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    return static_cast<int>(GetPrivateProfileStringA(section, key, def, buffer,
                                                     static_cast<DWORD>(size), file));
}

int WriteString(const char* section, const char* key, const char* value, const char* file) {
    return WritePrivateProfileStringA(section, key, value, file) ? 1 : 0;
}

int CommitRewrite(const char* temp, const char* file) {
    // The profile functions may hold the written keys in a cache: flush it
    // to the temporary file before that file replaces the real one.
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, temp);
    if (!MoveFileExA(temp, file, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileA(temp);
        return 0;
    }
    return 1;
}

}  // namespace VdProfile
