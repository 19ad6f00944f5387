// Resource counts of the process on Windows: a Toolhelp snapshot of its
// threads, its kernel handles, its GDI objects and its working set.
#include "tests/app/robustkit.h"

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <vector>

namespace {

long ThreadCount() {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snap == INVALID_HANDLE_VALUE) {
        return -1;
    }
    const DWORD self = GetCurrentProcessId();
    long n = 0;
    THREADENTRY32 e;
    e.dwSize = sizeof e;
    for (BOOL more = Thread32First(snap, &e); more; more = Thread32Next(snap, &e)) {
        if (e.th32OwnerProcessID == self) {
            ++n;
        }
        e.dwSize = sizeof e;
    }
    CloseHandle(snap);
    return n;
}

// Handle values are multiples of 4 from a small table; this many are
// looked at when the count must be probed.
constexpr uintptr_t PROBED_HANDLES = 65536;

// GetProcessHandleCount where the system reports it; Wine answers 0 there,
// so the handles are then counted by asking for each value's flags.
long HandleCount() {
    DWORD n = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &n) && n != 0) {
        return static_cast<long>(n);
    }
    long count = 0;
    for (uintptr_t v = 4; v < 4 * PROBED_HANDLES; v += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags)) {
            ++count;
        }
    }
    return count;
}

long WorkingSetKb() {
    PROCESS_MEMORY_COUNTERS pmc;
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc)) {
        return -1;
    }
    return static_cast<long>(pmc.WorkingSetSize / 1024);
}

}  // namespace

tagProcessCounts ReadProcessCounts() {
    tagProcessCounts c{};
    c.threads = ThreadCount();
    c.fds = -1;
    c.handles = HandleCount();
    c.gdi = -1;
    c.rssKb = WorkingSetKb();
    return c;
}

// GetGuiResources where the system reports it; Wine answers 0 there, so
// the objects in use are then told by how many more the handle table still
// takes (a negative number, only differences are meaningful).
long ReadGdiObjectCount() {
    const DWORD reported = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (reported != 0) {
        return static_cast<long>(reported);
    }
    std::vector<HPEN> pens;
    HPEN p;
    while (pens.size() < 200000 && (p = CreatePen(PS_SOLID, 1, 0)) != nullptr) {
        pens.push_back(p);
    }
    for (HPEN h : pens) {
        DeleteObject(h);
    }
    return -static_cast<long>(pens.size());
}
