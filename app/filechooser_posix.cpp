// Native builds have no file dialog: without a test hook nothing is chosen.
#include "app/filechooser.h"

int PlatformChooseTextFile(void*, std::string*) { return 0; }
