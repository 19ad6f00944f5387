// The Windows port driver: a port I/O library the user installs beside the
// program, loaded at run time. Without it (or without the rights its kernel
// driver needs) Initialize fails and the port is simply not ready.
#include "hw/portdriver.h"

#include <windows.h>

namespace {

// The library names tried in order: the one built for this architecture,
// then the generic name.
#if defined(_WIN64)
const wchar_t* const kLibraryNames[] = {L"WinIo64.dll", L"WinIo.dll"};
#else
const wchar_t* const kLibraryNames[] = {L"WinIo32.dll", L"WinIo.dll"};
#endif

using InitializeFn = bool(WINAPI*)();
using SetPortValFn = bool(WINAPI*)(WORD, DWORD, BYTE);
using ShutdownFn = void(WINAPI*)();

// Owns a loaded library module.
class CLibraryModule {
public:
    CLibraryModule() = default;
    ~CLibraryModule() { Free(); }
    CLibraryModule(const CLibraryModule&) = delete;
    CLibraryModule& operator=(const CLibraryModule&) = delete;

    int Load(const wchar_t* name);
    void Free() {
        if (m_hModule) FreeLibrary(m_hModule);
        m_hModule = nullptr;
    }
    FARPROC Find(const char* plain, const char* decorated) const;

private:
    HMODULE m_hModule = nullptr;
};

int CLibraryModule::Load(const wchar_t* name) {
    Free();
    // The program's own folder first, by full path, so that a library of the
    // same name in the working directory is never picked up.
    wchar_t path[MAX_PATH + 32];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        while (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/') --n;
        path[n] = L'\0';
        if (lstrlenW(path) + lstrlenW(name) < MAX_PATH + 31) {
            lstrcatW(path, name);
            m_hModule = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        }
    }
    // Then the system folders; the flag is refused on systems without
    // the safe search update, and then the library is taken as missing.
    if (!m_hModule) m_hModule = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return m_hModule != nullptr;
}

FARPROC CLibraryModule::Find(const char* plain, const char* decorated) const {
    FARPROC p = GetProcAddress(m_hModule, plain);
    if (!p && decorated) p = GetProcAddress(m_hModule, decorated);
    return p;
}

class CLibraryPortDriver : public IPortDriver {
public:
    int Initialize() override;
    int SetPortVal(uint16_t address, uint32_t value, uint8_t size) override;
    void Shutdown() override;

private:
    CLibraryModule m_module;
    InitializeFn m_pInitialize = nullptr;
    SetPortValFn m_pSetPortVal = nullptr;
    ShutdownFn m_pShutdown = nullptr;
};

template <class Fn>
Fn As(FARPROC p) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(p));
}

int CLibraryPortDriver::Initialize() {
    for (const wchar_t* name : kLibraryNames) {
        if (!m_module.Load(name)) continue;
        // The plain export names, or their stdcall-decorated forms.
        m_pInitialize = As<InitializeFn>(m_module.Find("InitializeWinIo", "_InitializeWinIo@0"));
        m_pSetPortVal = As<SetPortValFn>(m_module.Find("SetPortVal", "_SetPortVal@12"));
        m_pShutdown = As<ShutdownFn>(m_module.Find("ShutdownWinIo", "_ShutdownWinIo@0"));
        if (m_pInitialize && m_pSetPortVal && m_pShutdown) {
            if (m_pInitialize()) return 1;
        }
        m_module.Free();
    }
    m_pInitialize = nullptr;
    m_pSetPortVal = nullptr;
    m_pShutdown = nullptr;
    return 0;
}

int CLibraryPortDriver::SetPortVal(uint16_t address, uint32_t value, uint8_t size) {
    if (!m_pSetPortVal) return 0;
    return m_pSetPortVal(address, value, size) ? 1 : 0;
}

void CLibraryPortDriver::Shutdown() {
    if (m_pShutdown) m_pShutdown();
    m_pInitialize = nullptr;
    m_pSetPortVal = nullptr;
    m_pShutdown = nullptr;
    m_module.Free();
}

}  // namespace

IPortDriver* DefaultPortDriver() {
    static CLibraryPortDriver driver;
    return &driver;
}
