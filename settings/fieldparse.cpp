// Text rules of the settings dialog's fields (see fieldparse.h).
#include "settings/fieldparse.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void FormatDoubleField(double value, char* out, size_t size) {
    snprintf(out, size, "%.4lf", value);
}

void FormatHexByteField(uint8_t value, char* out, size_t size) {
    snprintf(out, size, "%2.2X", static_cast<unsigned>(value));
}

void FormatHexWordField(uint16_t value, char* out, size_t size) {
    snprintf(out, size, "%4.4X", static_cast<unsigned>(value));
}

int ParseDoubleField(const char* text, double* value) {
    char buf[FIELD_DOUBLE_CHARS + 1];
    snprintf(buf, sizeof buf, "%s", text ? text : "");
    char* end = nullptr;
    double v = strtod(buf, &end);
    if (end == buf) {
        return 0;
    }
    *value = v;
    return 1;
}

int ParseIntField(const char* text, int32_t* value) {
    if (!text) {
        return 0;
    }
    char* end = nullptr;
    errno = 0;
    long long v = strtoll(text, &end, 10);
    if (end == text) {
        return 0;
    }
    if (v > INT32_MAX) {
        v = INT32_MAX;
    } else if (v < INT32_MIN) {
        v = INT32_MIN;
    }
    *value = static_cast<int32_t>(v);
    return 1;
}

// Hex scan with the reach of "%hX": optional blanks, sign and 0x prefix.
// strtoul saturates on overflow, so the low 16 bits of a number too long
// for an unsigned long are all ones, as with the run-time's own scan.
static int ScanHex16(const char* text, uint16_t* out) {
    if (!text) {
        return 0;
    }
    char* end = nullptr;
    unsigned long v = strtoul(text, &end, 16);
    if (end == text) {
        return 0;
    }
    *out = static_cast<uint16_t>(v & 0xFFFFu);
    return 1;
}

void ParseHexByteField(const char* text, uint8_t* value) {
    uint16_t tmp = 0;
    ScanHex16(text, &tmp);
    *value = static_cast<uint8_t>(tmp & 0xFFu);
}

int ParseHexWordField(const char* text, uint16_t* value) {
    return ScanHex16(text, value);
}

int IsAcceptedPort(int32_t port) {
    return port > 0 && port < 65535;
}

void UpperCaseAscii(char* text) {
    for (; text && *text; ++text) {
        if (*text >= 'a' && *text <= 'z') {
            *text = static_cast<char>(*text - 'a' + 'A');
        }
    }
}

int CheckHostEntry(const char* hostText, const char* portText, int32_t* port) {
    if (!hostText || !*hostText) {
        return HOST_ENTRY_NO_HOST;
    }
    int32_t p = 0;
    if (!ParseIntField(portText, &p) || !IsAcceptedPort(p)) {
        return HOST_ENTRY_NO_PORT;
    }
    *port = p;
    return HOST_ENTRY_OK;
}
