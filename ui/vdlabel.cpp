// The text label and its use as a character queue shared between threads:
// every access to the text happens under the label's lock, writers from
// worker threads give up after LOCK_TIMEOUT, and the repaint is requested
// only after the lock is released.
#include "ui/vdlabel.h"

#include <cstring>

#include "ui/drawsurface.h"

CVdLabel::CVdLabel(IPaintableParent* parent, const VdRect* rect, const char* text,
                   tagTextStyle* style, const char* mutexName)
    : m_pParent(parent),
      m_pStyle(style),
      m_rect(rect ? *rect : VdRect{0, 0, 0, 0}),
      m_bQueue(mutexName != nullptr) {
    m_szSnapshot[0] = '\0';
    CopyIn(text);
}

CVdLabel::~CVdLabel() = default;

// Copies at most LABEL_TEXT_MAX characters; the caller holds the lock (or is
// the constructor).
void CVdLabel::CopyIn(const char* text) {
    size_t n = 0;
    if (text) {
        while (n < static_cast<size_t>(LABEL_TEXT_MAX) && text[n] != '\0') ++n;
        std::memcpy(m_szText, text, n);
    }
    m_szText[n] = '\0';
}

int CVdLabel::HitTest(int x, int y) { return VdPtInRect(m_rect, x, y) ? 1 : 0; }

void CVdLabel::GetRect(VdRect* out) {
    if (out) *out = m_rect;
}

int CVdLabel::SetText(const char* text) {
    {
        std::lock_guard<CTimedLock> hold(m_hMutex);
        CopyIn(text);
    }
    return m_pParent ? m_pParent->Invalidate(&m_rect) : 0;
}

const char* CVdLabel::GetText() {
    std::lock_guard<CTimedLock> hold(m_hMutex);
    std::memcpy(m_szSnapshot, m_szText, std::strlen(m_szText) + 1);
    return m_szSnapshot;
}

char* CVdLabel::CopyText(char* dest, int count) {
    if (!dest || count <= 0) return dest;
    std::lock_guard<CTimedLock> hold(m_hMutex);
    std::strncpy(dest, m_szText, static_cast<size_t>(count));
    return dest;
}

int CVdLabel::AppendChar(char c) {
    if (!m_bQueue || c == '\0') return 0;
    if (!m_hMutex.try_lock_for(LOCK_TIMEOUT)) return 0;
    size_t n = std::strlen(m_szText);
    int appended = 0;
    if (n < static_cast<size_t>(LABEL_TEXT_MAX)) {
        m_szText[n] = c;
        m_szText[n + 1] = '\0';
        appended = 1;
    }
    m_hMutex.unlock();
    if (m_pParent) m_pParent->Invalidate(&m_rect);
    return appended;
}

char CVdLabel::RemoveFirstChar() {
    if (!m_bQueue) return 0;
    if (!m_hMutex.try_lock_for(LOCK_TIMEOUT)) return 0;
    char first = m_szText[0];
    if (first != '\0') std::memmove(m_szText, m_szText + 1, std::strlen(m_szText));
    m_hMutex.unlock();
    if (m_pParent) m_pParent->Invalidate(&m_rect);
    return first;
}

int CVdLabel::OnPaint(void*, CDrawSurface* surface, const VdRect*) {
    if (!surface) return 1;
    // Draw from a copy so that a worker waiting to append is held up only
    // for the copy, not for the text rendering.
    char text[LABEL_TEXT_MAX + 1];
    {
        std::lock_guard<CTimedLock> hold(m_hMutex);
        std::memcpy(text, m_szText, std::strlen(m_szText) + 1);
    }
    VdRect r{0, 0, VdExtent(m_rect.left, m_rect.right), VdExtent(m_rect.top, m_rect.bottom)};
    if (m_pStyle) {
        surface->SetBrushColor(m_pStyle->crBackColor);
        surface->FillRect(&r);
        surface->SelectFont(m_pStyle->pFont);
        surface->SetPenColor(m_pStyle->crTextColor);
        surface->DrawText(&r, text, m_pStyle->nFormat);
    } else {
        surface->FillRect(&r);
        surface->DrawText(&r, text, 0);
    }
    return 1;
}
