// The file chooser's hook in front of the platform's dialog.
#include "app/filechooser.h"

#include <utility>

namespace {
FileChooserHook& Hook() {
    static FileChooserHook hook;
    return hook;
}
}  // namespace

void SetFileChooserHook(FileChooserHook hook) { Hook() = std::move(hook); }

int ChooseTextFile(void* ownerWindow, std::string* path) {
    if (Hook()) {
        return Hook()(ownerWindow, path) ? 1 : 0;
    }
    return PlatformChooseTextFile(ownerWindow, path);
}
