// tagTextStyle: colours, text format and font shared by labels and journal
// panels. The creator (the main window) owns the style and its font; the
// controls only point to it, so one style change shows in all of them at
// their next repaint.
#pragma once

#include "ui/vdtypes.h"

class CFontDesc;

struct tagTextStyle {
    VdColor crTextColor;  // text, and the journal panel's mark ticks
    VdColor crBackColor;  // label background, the panel's space ticks and text band
    unsigned nFormat;     // VD_DT_ (Win32 DrawText) flags for label text
    CFontDesc* pFont;     // may be null: the surface keeps its current font
};
