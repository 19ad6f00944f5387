// File replacement through a synced temporary file and rename(2), which
// replaces the target atomically; the folder is synced too so that the
// rename itself survives a power loss.
#include "training/safefile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

namespace {

int WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            return 0;
        }
        done += static_cast<size_t>(n);
    }
    return 1;
}

void SyncFolderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    const int fd = open(folder.c_str(), O_RDONLY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

int ReplaceFileContents(const char* path, const std::string& bytes) {
    if (!path || !*path) {
        return 0;
    }
    const std::string temp = std::string(path) + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) {
        return 0;
    }
    int ok = WriteAll(fd, bytes) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (ok && std::rename(temp.c_str(), path) == 0) {
        SyncFolderOf(path);
        return 1;
    }
    std::remove(temp.c_str());
    return 0;
}

int FileIsMissing(const char* path) {
    struct stat st;
    return path && stat(path, &st) != 0 && errno == ENOENT;
}

int FileIsRegular(const char* path) {
    struct stat st;
    return path && stat(path, &st) == 0 && S_ISREG(st.st_mode);
}
