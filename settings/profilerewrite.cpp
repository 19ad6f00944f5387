// The first half of a safe save: the copy of the INI file that the store
// writes into before it replaces the file.
#include "settings/profile.h"

#include <cstdio>

namespace VdProfile {

int BeginRewrite(const char* file, const char* temp) {
    std::remove(temp);  // what an interrupted save left
    std::FILE* out = std::fopen(temp, "wb");
    if (out == nullptr) {
        return 0;
    }
    bool ok = true;
    if (std::FILE* in = std::fopen(file, "rb")) {
        char buf[4096];
        size_t n;
        while (ok && (n = std::fread(buf, 1, sizeof buf, in)) > 0) {
            ok = std::fwrite(buf, 1, n, out) == n;
        }
        ok = ok && !std::ferror(in);
        std::fclose(in);
    }
    if (std::fclose(out) != 0 || !ok) {
        std::remove(temp);
        return 0;
    }
    return 1;
}

}  // namespace VdProfile
