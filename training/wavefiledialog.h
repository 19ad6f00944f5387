// Choosing where a Morse audio file goes, and the two menu tools that write
// one (MakeCwWaveFile, MakeKochWaveFile in app/toolcommands.h).
#pragma once

// Shows the system's file dialog over owner with defaultName (see
// MakeWaveFileName) as the file name and the filters "All" and "Wave"; the
// folder must exist, the file need not. On confirmation writes text[0 ..
// length-1] there with WriteCwWave and returns 1 if the file was written;
// 0 when cancelled or the file could not be created. The working directory
// (where vardo.ini lives) is kept as it was.
int ChooseWaveFile(void* owner, const char* defaultName, const char* text, int length);
