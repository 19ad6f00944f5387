// Layout arithmetic of the main window (see mainlayout.h).
#include "app/mainlayout.h"

VdRect PanelButtonRect(int x, int y, int width, int height) {
    return VdRect{x, y, x + width, y + height};
}

VdRect CaptionLabelRect(const VdRect& panel, const VdPoint& offset) {
    const VdRect moved{panel.left + offset.x, panel.top + offset.y, panel.right + offset.x,
                       panel.bottom + offset.y};
    const int right = moved.left + CAPTION_LABEL_WIDTH;
    const int bottom = moved.top + CAPTION_LABEL_HEIGHT;
    return VdRect{moved.left, moved.top, moved.right < right ? moved.right : right,
                  moved.bottom < bottom ? moved.bottom : bottom};
}

tagLineEnds LineUnder(const VdRect& r) {
    return tagLineEnds{r.left, r.bottom + 1, r.right, r.bottom + 1};
}

void LayoutCharacterButtons(int windowHeight, VdRect out[MORSE_CODE_COUNT]) {
    const int limit = windowHeight - CHAR_BUTTON_BOTTOM_MARGIN;
    int x = CHAR_BUTTON_LEFT;
    int y = CHAR_BUTTON_TOP;
    for (int i = 0; i < MORSE_CODE_COUNT; ++i) {
        out[i] = VdRect{x, y, x + CHAR_BUTTON_WIDTH, y + CHAR_BUTTON_HEIGHT};
        y += CHAR_BUTTON_STEP;
        if (y > limit) {
            y = CHAR_BUTTON_TOP;
            x += CHAR_BUTTON_COLUMN_STEP;
        }
    }
}
