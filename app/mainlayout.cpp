// Layout arithmetic of the main window (see mainlayout.h).
#include "app/mainlayout.h"

#include <cstdint>

namespace {

// Coordinates come from vardo.ini unchecked: sums saturate at the ends of
// the int range instead of overflowing.
int Add(int a, int b) {
    const int64_t s = static_cast<int64_t>(a) + b;
    return s > INT32_MAX ? INT32_MAX : (s < INT32_MIN ? INT32_MIN : static_cast<int>(s));
}

}  // namespace

VdRect PanelButtonRect(int x, int y, int width, int height) {
    return VdRect{x, y, Add(x, width), Add(y, height)};
}

VdRect CaptionLabelRect(const VdRect& panel, const VdPoint& offset) {
    const VdRect moved{Add(panel.left, offset.x), Add(panel.top, offset.y), Add(panel.right, offset.x),
                       Add(panel.bottom, offset.y)};
    const int right = Add(moved.left, CAPTION_LABEL_WIDTH);
    const int bottom = Add(moved.top, CAPTION_LABEL_HEIGHT);
    return VdRect{moved.left, moved.top, moved.right < right ? moved.right : right,
                  moved.bottom < bottom ? moved.bottom : bottom};
}

tagLineEnds LineUnder(const VdRect& r) {
    return tagLineEnds{r.left, Add(r.bottom, 1), r.right, Add(r.bottom, 1)};
}

void LayoutCharacterButtons(int windowHeight, VdRect out[MORSE_CODE_COUNT]) {
    const int limit = Add(windowHeight, -CHAR_BUTTON_BOTTOM_MARGIN);
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
