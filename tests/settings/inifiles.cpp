// File helpers of the settings tests.
#include "inifiles.h"

#include <cstdio>

void WriteTextFile(const char* path, const std::string& text) {
    if (std::FILE* f = std::fopen(path, "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

std::string ReadTextFile(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return "<missing>";
    std::string s;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) s.append(chunk, n);
    std::fclose(f);
    return s;
}

std::string CrLfLines(const std::string& text) {
    std::string out;
    for (size_t start = 0, end; start < text.size(); start = end + 1) {
        end = text.find('\n', start);
        if (end == std::string::npos || end == start || text[end - 1] != '\r') return "<not CRLF>";
        if (end - start > 1) out += text.substr(start, end - start - 1) + "|";
    }
    return out;
}
