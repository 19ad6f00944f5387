// File helpers shared by the settings tests: writing and removing an INI
// file, and reading its lines back.
#pragma once

#include <string>
#include <vector>

// Writes text as the whole file.
void WriteTextFile(const char* path, const std::string& text);

// Removes the file.
void RemoveIniFile(const char* path);

// The whole file, or "<missing>" when it cannot be opened.
std::string ReadTextFile(const char* path);

// The lines of text without their CR LF, blank lines left out.
std::vector<std::string> NonBlankLines(const std::string& text);

// True when every line of text ends in CR LF.
bool AllLinesEndInCrLf(const std::string& text);
