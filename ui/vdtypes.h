// Plain platform-neutral types of the GUI framework: rectangles, points,
// colours, window-message parameters and the message, key and text-format
// codes the controls use. Their layouts and values match Win32, so the
// Windows back ends convert by a cast and the portable code never needs
// <windows.h>.
#pragma once

#include <cstdint>

struct VdRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

struct VdPoint {
    int32_t x;
    int32_t y;
};

// 0x00BBGGRR, as a Win32 COLORREF.
using VdColor = uint32_t;

inline constexpr VdColor VdRgb(unsigned r, unsigned g, unsigned b) {
    return (r & 0xFFu) | ((g & 0xFFu) << 8) | ((b & 0xFFu) << 16);
}

// Pointer-sized message parameters, as WPARAM and LPARAM.
using VdWParam = uintptr_t;
using VdLParam = intptr_t;

// Window messages handled by the event dispatcher.
enum : unsigned {
    VD_WM_PAINT = 0x000F,
    VD_WM_ERASEBKGND = 0x0014,
    VD_WM_KEYDOWN = 0x0100,
    VD_WM_KEYUP = 0x0101,
    VD_WM_COMMAND = 0x0111,
    VD_WM_TIMER = 0x0113,
    VD_WM_MOUSEMOVE = 0x0200,
    VD_WM_LBUTTONDOWN = 0x0201,
    VD_WM_LBUTTONUP = 0x0202,
    VD_WM_RBUTTONDOWN = 0x0204,
    VD_WM_RBUTTONUP = 0x0205,
};

// Mouse button codes reported by the dispatcher.
enum : int {
    VD_MOUSE_LEFT = 1,
    VD_MOUSE_RIGHT = 3,
};

// Text format flags, as the Win32 DT_ values.
enum : unsigned {
    VD_DT_LEFT = 0x0000,
    VD_DT_CENTER = 0x0001,
    VD_DT_RIGHT = 0x0002,
    VD_DT_VCENTER = 0x0004,
    VD_DT_BOTTOM = 0x0008,
    VD_DT_SINGLELINE = 0x0020,
    VD_DT_NOCLIP = 0x0100,
    VD_DT_END_ELLIPSIS = 0x8000,
};

// Virtual-key codes the program names.
enum : int {
    VD_VK_TAB = 0x09,
    VD_VK_RETURN = 0x0D,
    VD_VK_SPACE = 0x20,
    VD_VK_F5 = 0x74,
    VD_VK_F6 = 0x75,
    VD_VK_SUBTRACT = 0x6D,
    VD_VK_DECIMAL = 0x6E,
    VD_VK_DIVIDE = 0x6F,
};

// Win32 IntersectRect: the common part of a and b; false (and an empty out)
// when they do not meet.
inline bool VdIntersectRect(VdRect* out, const VdRect& a, const VdRect& b) {
    VdRect r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
             a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    if (r.left >= r.right || r.top >= r.bottom) {
        *out = VdRect{0, 0, 0, 0};
        return false;
    }
    *out = r;
    return true;
}

inline bool VdPtInRect(const VdRect& r, int x, int y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

// The extent from one coordinate to another (to - from), 0 when to is not
// past from. Rectangles come from vardo.ini unchecked, so the difference is
// taken in 64 bits and saturates instead of overflowing.
inline int32_t VdExtent(int32_t from, int32_t to) {
    const int64_t d = static_cast<int64_t>(to) - from;
    return d <= 0 ? 0 : (d > INT32_MAX ? INT32_MAX : static_cast<int32_t>(d));
}

// a + b, saturating at the ends of the int32 range.
inline int32_t VdSaturatedAdd(int32_t a, int32_t b) {
    const int64_t s = static_cast<int64_t>(a) + b;
    return s > INT32_MAX ? INT32_MAX : (s < INT32_MIN ? INT32_MIN : static_cast<int32_t>(s));
}
