// INI access on systems without the Windows profile functions: the file is
// read whole, looked up line by line and rewritten whole on change, with
// the observable behaviour of the Windows calls the store relies on.
#include "settings/profile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& s) {
    size_t b = 0;
    size_t e = s.size();
    while (b < e && IsBlank(s[b])) {
        ++b;
    }
    while (e > b && IsBlank(s[e - 1])) {
        --e;
    }
    return s.substr(b, e - b);
}

bool SameName(const std::string& a, const char* b) {
    const size_t n = std::strlen(b);
    if (a.size() != n) {
        return false;
    }
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'a' && x <= 'z') {
            x = static_cast<unsigned char>(x - 32);
        }
        if (y >= 'a' && y <= 'z') {
            y = static_cast<unsigned char>(y - 32);
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

// One line of the file as it was read (CR dropped), with what it means.
struct Line {
    std::string text;
    enum Kind { OTHER, SECTION, KEY } kind;
    std::string name;   // section or key name, trimmed
    bool hasValue;      // key line with '='
    std::string value;  // trimmed value
};

Line ParseLine(const std::string& text) {
    Line l{text, Line::OTHER, std::string(), false, std::string()};
    const std::string t = Trim(text);
    if (t.empty() || t[0] == ';') {
        return l;
    }
    if (t[0] == '[') {
        const size_t close = t.rfind(']');
        if (close != std::string::npos && close > 0) {
            l.kind = Line::SECTION;
            l.name = Trim(t.substr(1, close - 1));
            return l;
        }
        return l;
    }
    l.kind = Line::KEY;
    const size_t eq = t.find('=');
    if (eq == std::string::npos) {
        l.name = t;
    } else {
        l.name = Trim(t.substr(0, eq));
        l.hasValue = true;
        l.value = Trim(t.substr(eq + 1));
    }
    return l;
}

bool ReadLines(const char* file, std::vector<Line>* lines) {
    std::FILE* f = std::fopen(file, "rb");
    if (f == nullptr) {
        return false;
    }
    std::string all;
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        all.append(chunk, n);
    }
    std::fclose(f);
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\n', start);
        if (end == std::string::npos) {
            end = all.size();
        }
        std::string text = all.substr(start, end - start);
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        lines->push_back(ParseLine(text));
        start = end + 1;
    }
    return true;
}

bool WriteLines(const char* file, const std::vector<Line>& lines) {
    std::string all;
    for (const Line& l : lines) {
        all += l.text;
        all += "\r\n";
    }
    const std::string temp = std::string(file) + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(all.data(), 1, all.size(), f) == all.size();
    if (std::fclose(f) != 0 || !ok) {
        std::remove(temp.c_str());
        return false;
    }
    return std::rename(temp.c_str(), file) == 0;
}

// Index of the first line of the named section's header, or -1.
int FindSection(const std::vector<Line>& lines, const char* section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].kind == Line::SECTION && SameName(lines[i].name, section)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// Index one past the last line of the section whose header is at head.
int SectionEnd(const std::vector<Line>& lines, int head) {
    size_t i = static_cast<size_t>(head) + 1;
    while (i < lines.size() && lines[i].kind != Line::SECTION) {
        ++i;
    }
    return static_cast<int>(i);
}

int FindKey(const std::vector<Line>& lines, int head, const char* key) {
    const int end = SectionEnd(lines, head);
    for (int i = head + 1; i < end; ++i) {
        if (lines[i].kind == Line::KEY && SameName(lines[i].name, key)) {
            return i;
        }
    }
    return -1;
}

int CopyOut(const std::string& text, char* buffer, int size) {
    size_t n = text.size();
    if (n > static_cast<size_t>(size - 1)) {
        n = static_cast<size_t>(size - 1);
    }
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

}  // namespace

namespace VdProfile {

int GetString(const char* section, const char* key, const char* def, char* buffer, int size,
              const char* file) {
    if (buffer == nullptr || size <= 0) {
        return 0;
    }
    std::vector<Line> lines;
    if (section != nullptr && key != nullptr && file != nullptr && ReadLines(file, &lines)) {
        const int head = FindSection(lines, section);
        const int at = head < 0 ? -1 : FindKey(lines, head, key);
        if (at >= 0 && lines[at].hasValue) {
            std::string v = lines[at].value;
            if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) {
                v = v.substr(1, v.size() - 2);
            }
            return CopyOut(v, buffer, size);
        }
    }
    // The default loses its trailing blanks, as the Windows call does.
    std::string d = def != nullptr ? def : "";
    while (!d.empty() && d.back() == ' ') {
        d.pop_back();
    }
    return CopyOut(d, buffer, size);
}

int WriteString(const char* section, const char* key, const char* value, const char* file) {
    if (section == nullptr || key == nullptr || value == nullptr || file == nullptr) {
        return 0;
    }
    std::vector<Line> lines;
    ReadLines(file, &lines);
    const int head = FindSection(lines, section);
    if (head < 0) {
        lines.push_back(ParseLine(std::string("[") + section + "]"));
        lines.push_back(ParseLine(std::string(key) + "=" + value));
        return WriteLines(file, lines) ? 1 : 0;
    }
    const int at = FindKey(lines, head, key);
    if (at >= 0) {
        // The key keeps the spelling it has in the file.
        lines[at] = ParseLine(lines[at].name + "=" + value);
        return WriteLines(file, lines) ? 1 : 0;
    }
    // New keys go after the last non-blank line of their section.
    int pos = SectionEnd(lines, head);
    while (pos > head + 1 && Trim(lines[pos - 1].text).empty()) {
        --pos;
    }
    lines.insert(lines.begin() + pos, ParseLine(std::string(key) + "=" + value));
    return WriteLines(file, lines) ? 1 : 0;
}

int CommitRewrite(const char* temp, const char* file) {
    // The data reaches the disk before the name points at it, so that a
    // crash leaves either the old file or the new one.
    const int fd = open(temp, O_RDONLY);
    if (fd < 0) {
        return 0;
    }
    const bool synced = fsync(fd) == 0;
    close(fd);
    if (!synced || std::rename(temp, file) != 0) {
        std::remove(temp);
        return 0;
    }
    return 1;
}

}  // namespace VdProfile
