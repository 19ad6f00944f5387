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

}  // namespace VdProfile
