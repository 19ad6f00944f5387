// Fixture of the control tests: the platform's test window host (headless
// natively, a shown window under Wine), a dispatcher on it, and a parent
// that counts repaint requests. Controls are painted through the dispatcher
// and checked by the window surface's pixels, so the same tests cover the
// raster and the GDI back end.
#pragma once

#include <atomic>
#include <memory>

#include "tests/ui/testsurfaces.h"
#include "ui/drawsurface.h"
#include "ui/eventdispatcher.h"

class CCountingParent : public IPaintableParent {
public:
    explicit CCountingParent(IPaintableParent* inner) : m_pInner(inner) {}
    int Invalidate(const VdRect* rect) override {
        ++m_nCount;
        return m_pInner->Invalidate(rect);
    }
    CDrawSurface* CreateSurface(int w, int h) override { return m_pInner->CreateSurface(w, h); }
    int Take() { return m_nCount.exchange(0); }  // requests since the last Take

private:
    IPaintableParent* m_pInner;
    std::atomic<int> m_nCount{0};
};

class CControlBench {
public:
    CControlBench(int w, int h) : m_pHost(CreateTestHost(w, h, true)), m_d(m_pHost.get()), m_parent(&m_d) {}
    CEventDispatcherWin32& D() { return m_d; }
    CCountingParent& Parent() { return m_parent; }
    int Paint() {
        PumpTestMessages();
        m_d.Invalidate(nullptr);
        return m_d.HandlePaint();
    }
    VdColor Pixel(int x, int y) { return m_d.GetWindowSurface()->GetPixel(x, y); }

private:
    std::unique_ptr<IWindowHost> m_pHost;
    CEventDispatcherWin32 m_d;
    CCountingParent m_parent;
};
