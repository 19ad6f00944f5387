// Resource counts of the process on Linux, from /proc.
#include "tests/app/robustkit.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>

namespace {

// Entries of a /proc directory, "." and ".." not counted.
long CountEntries(const char* path) {
    DIR* dir = opendir(path);
    if (dir == nullptr) {
        return -1;
    }
    long n = 0;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] != '.') {
            ++n;
        }
    }
    closedir(dir);
    return n;
}

long ResidentKb() {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) {
        return -1;
    }
    long size = 0;
    long resident = -1;
    if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) {
        resident = -1;
    }
    std::fclose(f);
    return resident < 0 ? -1 : resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

tagProcessCounts ReadProcessCounts() {
    tagProcessCounts c{};
    c.threads = CountEntries("/proc/self/task");
    // The listing holds one descriptor of its own; it is in every count.
    c.fds = CountEntries("/proc/self/fd");
    c.handles = -1;
    c.gdi = -1;
    c.rssKb = ResidentKb();
    return c;
}

long ReadGdiObjectCount() { return -1; }
