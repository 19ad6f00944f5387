// CHeadlessWindowHost: a window host without a display, for the native
// build and its tests. It records every invalidation (from any thread),
// makes raster surfaces, and keeps a "screen" image that each paint pass
// updates from the window surface's back buffer, as EndPaint copies it to a
// real window. A window surface's paint pass uses the union of the
// invalidations since the last pass as its update rectangle, or the whole
// client area when nothing was invalidated but a paint was asked for.
#pragma once

#include <memory>
#include <mutex>
#include <vector>

#include "ui/drawsurface_raster.h"
#include "ui/windowhost.h"

class CHeadlessWindowHost : public IWindowHost, private IRasterPaintTarget {
public:
    CHeadlessWindowHost(int clientWidth, int clientHeight, VdRect windowRect);
    ~CHeadlessWindowHost() override;
    CHeadlessWindowHost(const CHeadlessWindowHost&) = delete;
    CHeadlessWindowHost& operator=(const CHeadlessWindowHost&) = delete;

    // A null rectangle is recorded as the whole client area. Returns 1.
    int Invalidate(const VdRect* rect) override;
    // A CRasterDrawSurface of the client size, white; the caller owns it.
    CDrawSurface* CreateWindowSurface() override;
    // A CRasterDrawSurface off-screen; the caller owns it.
    CDrawSurface* CreateSurface(int width, int height) override;
    void GetClientRect(VdRect* out) override;
    void GetWindowRect(VdRect* out) override;
    void* GetNativeHandle() override { return nullptr; }

    // Test side.
    void SetWindowRect(const VdRect& r);
    // Every rectangle passed to Invalidate since construction or the last
    // ClearInvalidations, in call order.
    std::vector<VdRect> GetInvalidations() const;
    int GetInvalidationCount() const;
    void ClearInvalidations();
    // True when something was invalidated since the last paint pass began,
    // i.e. a real window would now get WM_PAINT.
    bool HasPendingPaint() const;
    // Union of the pending invalidations (empty if none).
    VdRect GetPendingRect() const;
    // Paint passes begun and ended on window surfaces of this host.
    int GetPaintBeginCount() const;
    int GetPaintEndCount() const;
    // The update rectangle of the last pass that ended.
    VdRect GetLastPaintRect() const;
    // What the window shows: white until passes copy the back buffer in.
    const CRasterDrawSurface& GetScreen() const { return m_screen; }

private:
    void BeginPass(VdRect* update) override;
    void EndPass(const VdRect& update, const CDrawSurface& backBuffer) override;

    int m_nClientWidth;
    int m_nClientHeight;
    mutable std::mutex m_lock;  // guards everything below
    VdRect m_windowRect;
    std::vector<VdRect> m_invalidations;
    VdRect m_pending;
    bool m_bPending;
    int m_nBegun;
    int m_nEnded;
    VdRect m_lastPaint;
    CRasterDrawSurface m_screen;
};
