// CVdLine: a passive control that draws one black one-pixel line between two
// window points; the second end point's pixel is not drawn. Its rectangle is
// the smallest one that holds both end points.
#pragma once

#include "ui/controlinterfaces.h"
#include "ui/vdtypes.h"

class CVdLine : public IPaintEventControl {
public:
    // End points in window coordinates.
    CVdLine(IPaintableParent* parent, int x1, int y1, int x2, int y2);
    CVdLine(const CVdLine&) = delete;
    CVdLine& operator=(const CVdLine&) = delete;

    int HitTest(int x, int y) override;
    void GetRect(VdRect* out) override;
    virtual ~CVdLine();

    int OnPaint(void* sender, CDrawSurface* surface, const VdRect* clip) override;

private:
    IPaintableParent* m_pParent;
    VdRect m_bounds;
    // End points relative to the bounds' top-left corner.
    int m_x1, m_x2, m_y1, m_y2;
};
