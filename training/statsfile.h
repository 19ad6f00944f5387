// The statistics file beside vardo.ini: loaded before a Koch session's text
// is drawn, and a finished session is recorded into it. Only a missing file
// starts the statistics afresh. A file that is there but cannot be read is
// left alone and nothing is saved over it; one that is cut short or
// garbled is reported, moved aside (as the name with ".bad" appended, so
// nothing the operator had is destroyed) and replaced by the statistics
// gathered from then on. Stations that share the folder record under a
// lock and add their session to the file as it is then, so neither loses
// the other's counts. The settings store never reads or writes it.
#pragma once

#include <vector>

#include "training/charstats.h"

extern const char* const VARDO_STATS_FILE;

enum StatsLoadResult : int {
    STATS_LOADED = 1,     // a whole file was read
    STATS_NEW = 2,        // there was no file: empty statistics
    STATS_REPLACED = 3,   // the file was damaged: moved aside, empty statistics
    STATS_UNREADABLE = 4, // the file is there but could not be read: left as it is
};

// How long a station waits for another one's record to finish.
constexpr int STATS_LOCK_WAIT_MS = 3000;

// Reads path into *stats. Returns one of StatsLoadResult.
int LoadCharStats(const char* path, CCharStats* stats);
// Writes stats to path, replacing it as one step. Returns nonzero on success.
int SaveCharStats(const char* path, const CCharStats& stats);

struct tagStatsRecord {
    int nLoad;   // StatsLoadResult of the read under the lock
    int bSaved;  // nonzero: the session is in the file (or there was none)
};

// Records one session: takes the file's lock, reads the file again, adds
// the session (when results is not empty) and writes it back. *stats gets
// the statistics with the session added, also when they could not be
// saved. An unreadable file or a lock that stays taken saves nothing.
tagStatsRecord RecordCharSession(const char* path, const char* charList, const std::vector<tagCharResult>& results,
                                 CCharStats* stats);
