// File helpers shared by the settings tests.
#pragma once

#include <string>

void WriteTextFile(const char* path, const std::string& text);
// The whole file, or "<missing>".
std::string ReadTextFile(const char* path);
// The non-blank lines of text, each followed by '|'; "<not CRLF>" when a
// line does not end in CR LF.
std::string CrLfLines(const std::string& text);
