// Small owners of GDI handles: every object, device context and selection
// is released by a destructor, so no drawing path has a release ladder.
#pragma once

#include <windows.h>

#include <atomic>

// Live GDI objects and memory contexts made through these wrappers and the
// font description: a count the tests can read on any platform (Wine's
// GetGuiResources reports nothing).
inline std::atomic<int>& VdGdiObjectCounter() {
    static std::atomic<int> count{0};
    return count;
}
inline int VdLiveGdiObjectCount() { return VdGdiObjectCounter().load(); }

// A GDI object (pen, brush, bitmap, font) deleted with DeleteObject.
template <typename THandle>
class CGdiObject {
public:
    explicit CGdiObject(THandle h = nullptr) : m_h(nullptr) { Reset(h); }
    ~CGdiObject() { Reset(nullptr); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    void Reset(THandle h) {
        if (m_h != nullptr) {
            DeleteObject(m_h);
            --VdGdiObjectCounter();
        }
        m_h = h;
        if (m_h != nullptr) {
            ++VdGdiObjectCounter();
        }
    }
    THandle Get() const { return m_h; }

private:
    THandle m_h;
};

// A memory device context deleted with DeleteDC.
class CMemoryDC {
public:
    CMemoryDC() : m_h(nullptr) {}
    explicit CMemoryDC(HDC compatibleWith) : m_h(nullptr) { Create(compatibleWith); }
    ~CMemoryDC() { Reset(nullptr); }
    // Replaces the context by a new one compatible with the given context.
    void Create(HDC compatibleWith) { Reset(CreateCompatibleDC(compatibleWith)); }
    CMemoryDC(const CMemoryDC&) = delete;
    CMemoryDC& operator=(const CMemoryDC&) = delete;
    HDC Get() const { return m_h; }

private:
    void Reset(HDC h) {
        if (m_h != nullptr) {
            DeleteDC(m_h);
            --VdGdiObjectCounter();
        }
        m_h = h;
        if (m_h != nullptr) {
            ++VdGdiObjectCounter();
        }
    }
    HDC m_h;
};

// A window's device context from GetDC, given back with ReleaseDC.
class CWindowDC {
public:
    explicit CWindowDC(HWND window) : m_hWnd(window), m_h(GetDC(window)) {}
    ~CWindowDC() {
        if (m_h != nullptr) {
            ReleaseDC(m_hWnd, m_h);
        }
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC Get() const { return m_h; }

private:
    HWND m_hWnd;
    HDC m_h;
};

// Selects an object into a context and puts the previous one back, so that
// an object is never deleted while it is selected.
class CSelection {
public:
    CSelection() : m_hDC(nullptr), m_hOld(nullptr) {}
    CSelection(HDC dc, HGDIOBJ obj) : m_hDC(nullptr), m_hOld(nullptr) { Select(dc, obj); }
    ~CSelection() { Restore(); }
    CSelection(const CSelection&) = delete;
    CSelection& operator=(const CSelection&) = delete;

    void Select(HDC dc, HGDIOBJ obj) {
        Restore();
        if (dc != nullptr && obj != nullptr) {
            HGDIOBJ old = SelectObject(dc, obj);
            if (old != nullptr && old != HGDI_ERROR) {
                m_hDC = dc;
                m_hOld = old;
            }
        }
    }
    void Restore() {
        if (m_hDC != nullptr) {
            SelectObject(m_hDC, m_hOld);
            m_hDC = nullptr;
            m_hOld = nullptr;
        }
    }

private:
    HDC m_hDC;
    HGDIOBJ m_hOld;
};
