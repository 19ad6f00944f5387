// Loading and saving the statistics file (see statsfile.h).
#include "training/statsfile.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "training/safefile.h"

const char* const VARDO_STATS_FILE = "./vardostats.txt";

namespace {
// A statistics text is a few kilobytes; anything far larger is not one.
constexpr std::streamoff STATS_FILE_LIMIT = 1 << 20;
}  // namespace

int LoadCharStats(const char* path, CCharStats* stats) {
    stats->Clear();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return STATS_NEW;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    in.seekg(0, std::ios::beg);
    std::string text;
    if (size >= 0 && size <= STATS_FILE_LIMIT) {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    in.close();
    if (size >= 0 && size <= STATS_FILE_LIMIT && stats->Parse(text)) {
        return STATS_LOADED;
    }
    // Keep the damaged file for the operator and start afresh.
    const std::string aside = std::string(path) + ".bad";
    std::remove(aside.c_str());
    std::rename(path, aside.c_str());
    SaveCharStats(path, *stats);
    return STATS_REPLACED;
}

int SaveCharStats(const char* path, const CCharStats& stats) {
    return ReplaceFileContents(path, stats.Serialize());
}
