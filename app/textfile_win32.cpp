// Raw chunked file reading with CreateFileW: read access, no sharing, the
// file must exist. The UTF-8 path is widened so that any name opens.
#include "app/textfile.h"

#include <windows.h>

#include <vector>

namespace {
// Closes the file handle on every path out.
class CFileHandle {
public:
    explicit CFileHandle(HANDLE h) : m_h(h) {}
    ~CFileHandle() {
        if (m_h != INVALID_HANDLE_VALUE) CloseHandle(m_h);
    }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};
}  // namespace

int ReadTextFileChunks(const char* path, const TextChunkFn& chunk) {
    const int chars = MultiByteToWideChar(CP_UTF8, 0, path, -1, nullptr, 0);
    if (chars <= 0) {
        return 0;
    }
    std::vector<wchar_t> wide(static_cast<size_t>(chars));
    MultiByteToWideChar(CP_UTF8, 0, path, -1, wide.data(), chars);
    CFileHandle file(CreateFileW(wide.data(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        return 0;
    }
    char buffer[TEXT_FILE_CHUNK];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        chunk(buffer, static_cast<int>(got));
    }
    return 1;
}
