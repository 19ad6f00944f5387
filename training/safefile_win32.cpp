// File replacement through a flushed temporary file and MoveFileEx with
// MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH, which replaces the
// target in one step and returns only when the move is on the disk.
#include "training/safefile.h"

#include <windows.h>

#include <string>

#include "settings/dialogtext_win32.h"

namespace {

// RAII for the temporary file's handle.
class CFileHandle {
public:
    explicit CFileHandle(HANDLE h) : m_hFile(h) {}
    ~CFileHandle() { Close(); }
    CFileHandle(const CFileHandle&) = delete;
    CFileHandle& operator=(const CFileHandle&) = delete;
    HANDLE Get() const { return m_hFile; }
    bool Valid() const { return m_hFile != INVALID_HANDLE_VALUE; }
    int Close() {
        const int ok = Valid() ? CloseHandle(m_hFile) != 0 : 1;
        m_hFile = INVALID_HANDLE_VALUE;
        return ok;
    }

private:
    HANDLE m_hFile;
};

}  // namespace

int ReplaceFileContents(const char* path, const std::string& bytes) {
    if (!path || !*path) {
        return 0;
    }
    const std::wstring target = AnsiToWide(path);
    const std::wstring temp = target + L".tmp";
    int ok = 0;
    {
        CFileHandle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid()) {
            return 0;
        }
        DWORD written = 0;
        ok = WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size() && FlushFileBuffers(file.Get());
        ok = file.Close() && ok;
    }
    if (ok && MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return 1;
    }
    DeleteFileW(temp.c_str());
    return 0;
}

int FileIsMissing(const char* path) {
    if (!path) {
        return 0;
    }
    if (GetFileAttributesW(AnsiToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES) {
        return 0;
    }
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

int FileIsRegular(const char* path) {
    if (!path) {
        return 0;
    }
    const DWORD attributes = GetFileAttributesW(AnsiToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) == 0;
}
