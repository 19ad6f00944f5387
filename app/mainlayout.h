// Where the main window puts its controls: pure arithmetic on the rectangles
// and offsets of the settings, so the layout rules are tested without a
// window.
#pragma once

#include "morse/morsecode.h"
#include "ui/vdtypes.h"

// Character buttons: 58 x 12, 14 pixels apart, in columns 69 pixels apart
// (58 * 6 / 5) starting at (10, 300); a column ends once the next top would
// pass the window's outer height minus 58.
constexpr int CHAR_BUTTON_LEFT = 10;
constexpr int CHAR_BUTTON_TOP = 300;
constexpr int CHAR_BUTTON_WIDTH = 58;
constexpr int CHAR_BUTTON_HEIGHT = 12;
constexpr int CHAR_BUTTON_STEP = 14;
constexpr int CHAR_BUTTON_COLUMN_STEP = CHAR_BUTTON_WIDTH * 6 / 5;
constexpr int CHAR_BUTTON_BOTTOM_MARGIN = 58;
// Panel caption labels ("Send", "Receive") are cut to this size.
constexpr int CAPTION_LABEL_WIDTH = 40;
constexpr int CAPTION_LABEL_HEIGHT = 12;

// (x, y, x + width, y + height).
VdRect PanelButtonRect(int x, int y, int width, int height);

// The panel rectangle moved by the offset, then cut to at most 40 x 12 from
// its new top-left corner.
VdRect CaptionLabelRect(const VdRect& panel, const VdPoint& offset);

struct tagLineEnds {
    int x1, y1, x2, y2;
};
// The line one pixel under a rectangle: (left, bottom + 1) to (right, bottom + 1).
tagLineEnds LineUnder(const VdRect& r);

// The rectangles of the MORSE_CODE_COUNT character buttons, in table order,
// for a window whose outer height is windowHeight.
void LayoutCharacterButtons(int windowHeight, VdRect out[MORSE_CODE_COUNT]);
