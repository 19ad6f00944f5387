// Shared fixture of the control tests: a window host of the platform (the
// headless host natively, a real window in the Windows builds), a dispatcher
// on it, and a parent that counts repaint requests before passing them on.
// Controls are painted through the dispatcher into the window surface, and
// the tests read back its pixels, so the same tests check the raster and the
// GDI back end.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "ui/drawsurface.h"
#include "ui/eventdispatcher.h"
#include "ui/windowhost.h"
#include "tests/ui/testsurfaces.h"

// Counts Invalidate calls (from any thread) and forwards everything to the
// dispatcher.
class CCountingParent : public IPaintableParent {
public:
    explicit CCountingParent(IPaintableParent* inner) : m_pInner(inner) {}
    int Invalidate(const VdRect* rect) override {
        m_nCount.fetch_add(1);
        {
            std::lock_guard<std::mutex> hold(m_lock);
            m_last = rect ? *rect : VdRect{0, 0, 0, 0};
        }
        return m_pInner->Invalidate(rect);
    }
    CDrawSurface* CreateSurface(int width, int height) override {
        return m_pInner->CreateSurface(width, height);
    }
    int Count() const { return m_nCount.load(); }
    // Count since the previous call.
    int Take() { return m_nCount.exchange(0); }
    VdRect Last() {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_last;
    }

private:
    IPaintableParent* m_pInner;
    std::atomic<int> m_nCount{0};
    std::mutex m_lock;
    VdRect m_last{0, 0, 0, 0};
};

class CControlBench {
public:
    CControlBench(int width, int height)
        : m_pHost(CreateTestHost(width, height, true)),
          m_dispatcher(m_pHost.get()),
          m_parent(&m_dispatcher) {}

    CEventDispatcherWin32& Dispatcher() { return m_dispatcher; }
    CCountingParent& Parent() { return m_parent; }
    IWindowHost* Host() { return m_pHost.get(); }

    // One paint pass over the whole client area.
    int Paint() {
        PumpTestMessages();
        m_dispatcher.Invalidate(nullptr);
        return m_dispatcher.HandlePaint();
    }
    CDrawSurface* Surface() { return m_dispatcher.GetWindowSurface(); }
    VdColor Pixel(int x, int y) { return Surface()->GetPixel(x, y); }
    // Pixels of a rectangle of the window surface, row by row.
    std::vector<VdColor> Pixels(const VdRect& r) {
        std::vector<VdColor> out;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) out.push_back(Pixel(x, y));
        return out;
    }

private:
    std::unique_ptr<IWindowHost> m_pHost;
    CEventDispatcherWin32 m_dispatcher;
    CCountingParent m_parent;
};

// Pixels of a whole surface, row by row.
inline std::vector<VdColor> VdSurfacePixels(const CDrawSurface* s, const VdRect& r) {
    std::vector<VdColor> out;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) out.push_back(s->GetPixel(x, y));
    return out;
}
