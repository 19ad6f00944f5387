// Loading, saving and recording into the statistics file (see statsfile.h).
#include "training/statsfile.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "training/filelock.h"
#include "training/safefile.h"

const char* const VARDO_STATS_FILE = "./vardostats.txt";

namespace {
// A statistics text is a few kilobytes; anything far larger is not one.
constexpr std::streamoff STATS_FILE_LIMIT = 1 << 20;
}  // namespace

int LoadCharStats(const char* path, CCharStats* stats) {
    stats->Clear();
    // Only nothing at all starts afresh: a file that is locked or out of
    // reach, or a folder of that name, may hold the operator's history.
    if (!FileIsRegular(path)) {
        return FileIsMissing(path) ? STATS_NEW : STATS_UNREADABLE;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return STATS_UNREADABLE;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    std::string text;
    if (size >= 0 && size <= STATS_FILE_LIMIT) {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (in.bad()) {
            return STATS_UNREADABLE;
        }
    }
    in.close();
    if (size < 0) {
        return STATS_UNREADABLE;
    }
    if (size <= STATS_FILE_LIMIT && stats->Parse(text)) {
        return STATS_LOADED;
    }
    // Keep the damaged file for the operator and start afresh; if it cannot
    // be moved aside it stays as it is and nothing is written over it.
    const std::string aside = std::string(path) + ".bad";
    std::remove(aside.c_str());
    if (std::rename(path, aside.c_str()) != 0) {
        return STATS_UNREADABLE;
    }
    SaveCharStats(path, *stats);
    return STATS_REPLACED;
}

int SaveCharStats(const char* path, const CCharStats& stats) {
    return ReplaceFileContents(path, stats.Serialize());
}

tagStatsRecord RecordCharSession(const char* path, const char* charList, const std::vector<tagCharResult>& results,
                                 CCharStats* stats) {
    CFileLock lock;
    const int locked = lock.Acquire(path, STATS_LOCK_WAIT_MS);
    tagStatsRecord r{LoadCharStats(path, stats), 0};
    if (results.empty()) {
        r.bSaved = 1;
        return r;
    }
    stats->AddSession(charList, results);
    r.bSaved = locked && r.nLoad != STATS_UNREADABLE && SaveCharStats(path, *stats);
    return r;
}
