// Headless window host (see windowhost_headless.h).
#include "ui/windowhost_headless.h"

namespace {

VdRect Union(const VdRect& a, const VdRect& b) {
    return VdRect{a.left < b.left ? a.left : b.left, a.top < b.top ? a.top : b.top,
                  a.right > b.right ? a.right : b.right, a.bottom > b.bottom ? a.bottom : b.bottom};
}

}  // namespace

CHeadlessWindowHost::CHeadlessWindowHost(int clientWidth, int clientHeight, VdRect windowRect)
    : m_nClientWidth(clientWidth < 0 ? 0 : clientWidth),
      m_nClientHeight(clientHeight < 0 ? 0 : clientHeight),
      m_windowRect(windowRect),
      m_pending{0, 0, 0, 0},
      m_bPending(false),
      m_nBegun(0),
      m_nEnded(0),
      m_lastPaint{0, 0, 0, 0},
      m_screen(clientWidth, clientHeight, nullptr) {}

CHeadlessWindowHost::~CHeadlessWindowHost() = default;

int CHeadlessWindowHost::Invalidate(const VdRect* rect) {
    VdRect client{0, 0, m_nClientWidth, m_nClientHeight};
    VdRect r = rect != nullptr ? *rect : client;
    std::lock_guard<std::mutex> hold(m_lock);
    m_invalidations.push_back(r);
    // Like a window's update region: only the part inside the client area
    // counts, and an empty rectangle asks for nothing.
    VdRect inside;
    if (VdIntersectRect(&inside, r, client)) {
        m_pending = m_bPending ? Union(m_pending, inside) : inside;
        m_bPending = true;
    }
    return 1;
}

CDrawSurface* CHeadlessWindowHost::CreateWindowSurface() {
    return new CRasterDrawSurface(m_nClientWidth, m_nClientHeight, this);
}

CDrawSurface* CHeadlessWindowHost::CreateSurface(int width, int height) {
    return new CRasterDrawSurface(width, height);
}

void CHeadlessWindowHost::GetClientRect(VdRect* out) {
    if (out != nullptr) {
        *out = VdRect{0, 0, m_nClientWidth, m_nClientHeight};
    }
}

void CHeadlessWindowHost::GetWindowRect(VdRect* out) {
    if (out != nullptr) {
        std::lock_guard<std::mutex> hold(m_lock);
        *out = m_windowRect;
    }
}

void CHeadlessWindowHost::SetWindowRect(const VdRect& r) {
    std::lock_guard<std::mutex> hold(m_lock);
    m_windowRect = r;
}

std::vector<VdRect> CHeadlessWindowHost::GetInvalidations() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_invalidations;
}

int CHeadlessWindowHost::GetInvalidationCount() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return static_cast<int>(m_invalidations.size());
}

void CHeadlessWindowHost::ClearInvalidations() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_invalidations.clear();
}

bool CHeadlessWindowHost::HasPendingPaint() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_bPending;
}

VdRect CHeadlessWindowHost::GetPendingRect() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_bPending ? m_pending : VdRect{0, 0, 0, 0};
}

int CHeadlessWindowHost::GetPaintBeginCount() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_nBegun;
}

int CHeadlessWindowHost::GetPaintEndCount() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_nEnded;
}

VdRect CHeadlessWindowHost::GetLastPaintRect() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_lastPaint;
}

void CHeadlessWindowHost::BeginPass(VdRect* update) {
    std::lock_guard<std::mutex> hold(m_lock);
    *update = m_bPending ? m_pending : VdRect{0, 0, m_nClientWidth, m_nClientHeight};
    m_bPending = false;
    m_pending = VdRect{0, 0, 0, 0};
    ++m_nBegun;
}

void CHeadlessWindowHost::EndPass(const VdRect& update, const CDrawSurface& backBuffer) {
    std::lock_guard<std::mutex> hold(m_lock);
    VdRect r = update;
    m_screen.SetOrigin(0, 0);
    m_screen.Blit(&r, &backBuffer, update.left, update.top);
    m_lastPaint = update;
    ++m_nEnded;
}
