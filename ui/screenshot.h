// Screenshots of surfaces for reviewing the look by eye. Tests call
// VdSaveScreenshot at the points worth seeing; nothing is written unless the
// environment variable VARDO_SCREENSHOT_DIR names a folder, so ordinary test
// runs leave no files.
//   VARDO_SCREENSHOT_DIR=/tmp/shots ctest -R ui_
#pragma once

class CDrawSurface;

// Writes <VARDO_SCREENSHOT_DIR>/<name>.png; 1 if written, 0 if screenshots
// are off or writing failed.
int VdSaveScreenshot(const CDrawSurface& surface, const char* name);
