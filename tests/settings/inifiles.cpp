// File helpers of the settings tests.
#include "inifiles.h"

#include <cstdio>

void WriteTextFile(const char* path, const std::string& text) {
    std::FILE* f = std::fopen(path, "wb");
    if (f != nullptr) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
}

void RemoveIniFile(const char* path) {
    std::remove(path);
}

std::string ReadTextFile(const char* path) {
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) {
        return "<missing>";
    }
    std::string s;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        s.append(chunk, n);
    }
    std::fclose(f);
    return s;
}

std::vector<std::string> NonBlankLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string l = text.substr(start, end - start);
        if (!l.empty() && l.back() == '\r') {
            l.pop_back();
        }
        if (!l.empty()) {
            lines.push_back(l);
        }
        start = end + 1;
    }
    return lines;
}

bool AllLinesEndInCrLf(const std::string& text) {
    if (!text.empty() && text.back() != '\n') {
        return false;
    }
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) {
            return false;
        }
    }
    return true;
}
