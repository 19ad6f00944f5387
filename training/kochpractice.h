// The Koch group text of a practice run, as the copy dialog and the Koch
// audio file draw it: uniform, or weighted toward the characters with recent
// errors, and toward new and seldom sent ones, when the setting
// koch_weighted is on.
#pragma once

// Fills g_szKochText from the settings store's charlist and koch_wordlen.
// With koch_weighted set, the statistics file is read for the weights.
// Returns the StatsLoadResult of that read (STATS_REPLACED tells the
// caller to report the damaged file), or 0 when it was not read.
int GeneratePracticeText();
