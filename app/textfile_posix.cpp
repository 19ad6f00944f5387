// Raw chunked file reading with POSIX calls.
#include "app/textfile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

int ReadTextFileChunks(const char* path, const TextChunkFn& chunk) {
    const int fd = open(path, O_RDONLY);
    if (fd < 0) {
        return 0;
    }
    char buffer[TEXT_FILE_CHUNK];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof(buffer));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        chunk(buffer, static_cast<int>(n));
    }
    close(fd);
    return 1;
}
