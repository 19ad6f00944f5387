// Screenshots on request of the environment (see screenshot.h).
#include "ui/screenshot.h"

#include <cstdlib>
#include <string>

#include "ui/pngwriter.h"

int VdSaveScreenshot(const CDrawSurface& surface, const char* name) {
    const char* dir = std::getenv("VARDO_SCREENSHOT_DIR");
    if (dir == nullptr || *dir == '\0' || name == nullptr) {
        return 0;
    }
    std::string path = dir;
    if (path.back() != '/' && path.back() != '\\') {
        path += '/';
    }
    path += name;
    path += ".png";
    return VdSavePng(surface, path.c_str());
}
