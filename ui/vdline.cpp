// The line control: bounds and relative end points from two window points,
// and a one-pixel black line drawn in its own coordinates.
#include "ui/vdline.h"

#include <algorithm>

#include "ui/drawsurface.h"

CVdLine::CVdLine(IPaintableParent* parent, int x1, int y1, int x2, int y2) : m_pParent(parent) {
    m_bounds.left = std::min(x1, x2);
    m_bounds.top = std::min(y1, y2);
    // End points come from settings rectangles: no sum or difference may
    // overflow.
    m_bounds.right = VdSaturatedAdd(std::max(x1, x2), 1);
    m_bounds.bottom = VdSaturatedAdd(std::max(y1, y2), 1);
    m_x1 = VdExtent(m_bounds.left, x1);
    m_x2 = VdExtent(m_bounds.left, x2);
    m_y1 = VdExtent(m_bounds.top, y1);
    m_y2 = VdExtent(m_bounds.top, y2);
}

CVdLine::~CVdLine() = default;

int CVdLine::HitTest(int x, int y) { return VdPtInRect(m_bounds, x, y) ? 1 : 0; }

void CVdLine::GetRect(VdRect* out) {
    if (out) *out = m_bounds;
}

int CVdLine::OnPaint(void*, CDrawSurface* surface, const VdRect*) {
    if (!surface) return 1;
    surface->SetPenColor(0x000000);
    surface->DrawLine(m_x1, m_y1, m_x2, m_y2);
    return 1;
}
