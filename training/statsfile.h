// The statistics file beside vardo.ini: loaded before a Koch session's text
// is drawn and after each session, saved after each session. A file that is
// cut short or garbled is reported to the caller, moved aside (as the name
// with ".bad" appended, so nothing the operator had is destroyed) and
// replaced by the statistics gathered from then on. The settings store
// never reads or writes it.
#pragma once

#include "training/charstats.h"

extern const char* const VARDO_STATS_FILE;

enum StatsLoadResult : int {
    STATS_LOADED = 1,   // a whole file was read
    STATS_NEW = 2,      // there was no file: empty statistics
    STATS_REPLACED = 3, // the file was damaged: moved aside, empty statistics
};

// Reads path into *stats. Returns one of StatsLoadResult.
int LoadCharStats(const char* path, CCharStats* stats);
// Writes stats to path, replacing it as one step. Returns nonzero on success.
int SaveCharStats(const char* path, const CCharStats& stats);
