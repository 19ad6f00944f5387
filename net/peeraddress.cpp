// Parsing of the peer entries of the settings: numbers-and-dots IPv4
// addresses in the manner of inet_addr, and "%d"-style port numbers.
#include "net/peeraddress.h"

namespace {

int IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int DigitValue(char c, int base) {
    int v;
    if (c >= '0' && c <= '9') {
        v = c - '0';
    } else if (c >= 'a' && c <= 'f') {
        v = c - 'a' + 10;
    } else if (c >= 'A' && c <= 'F') {
        v = c - 'A' + 10;
    } else {
        return -1;
    }
    return v < base ? v : -1;
}

// One part of an address: a C-style number (0x.. hex, 0.. octal, decimal).
// Returns the position after it, or null when there is no valid number or
// it exceeds 32 bits.
const char* ParsePart(const char* p, uint32_t* value) {
    int base = 10;
    if (*p == '0') {
        if (p[1] == 'x' || p[1] == 'X') {
            base = 16;
            p += 2;
        } else {
            base = 8;
        }
    }
    if (DigitValue(*p, base) < 0) return nullptr;
    uint64_t v = 0;
    int d;
    while ((d = DigitValue(*p, base)) >= 0) {
        v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
        if (v > 0xFFFFFFFFull) return nullptr;
        ++p;
    }
    // A digit of a higher base (an 8 or 9 in octal) makes the part invalid.
    if (DigitValue(*p, 16) >= 0) return nullptr;
    *value = static_cast<uint32_t>(v);
    return p;
}

}  // namespace

uint32_t ParsePeerAddress(const char* text) {
    if (text == nullptr) return PEER_ADDRESS_NONE;
    uint32_t parts[4];
    int count = 0;
    const char* p = text;
    for (;;) {
        if (count == 4) return PEER_ADDRESS_NONE;
        p = ParsePart(p, &parts[count]);
        if (p == nullptr) return PEER_ADDRESS_NONE;
        ++count;
        if (*p != '.') break;
        ++p;
    }
    // The text ends here or at white space, after which anything may follow.
    if (*p != '\0' && !IsSpace(*p)) return PEER_ADDRESS_NONE;

    // The last part fills the bytes the earlier ones leave.
    uint32_t host = 0;
    switch (count) {
    case 1:
        host = parts[0];
        break;
    case 2:
        if (parts[0] > 0xFF || parts[1] > 0xFFFFFF) return PEER_ADDRESS_NONE;
        host = (parts[0] << 24) | parts[1];
        break;
    case 3:
        if (parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFFFF) return PEER_ADDRESS_NONE;
        host = (parts[0] << 24) | (parts[1] << 16) | parts[2];
        break;
    default:
        for (int i = 0; i < 4; ++i) {
            if (parts[i] > 0xFF) return PEER_ADDRESS_NONE;
        }
        host = (parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3];
        break;
    }
    // Network byte order: the first byte of the address comes first in memory.
    const uint8_t bytes[4] = {static_cast<uint8_t>(host >> 24), static_cast<uint8_t>(host >> 16),
                              static_cast<uint8_t>(host >> 8), static_cast<uint8_t>(host)};
    uint32_t net;
    uint8_t* out = reinterpret_cast<uint8_t*>(&net);
    for (int i = 0; i < 4; ++i) out[i] = bytes[i];
    return net;
}

uint16_t ParsePeerPort(const char* text) {
    if (text == nullptr) return 0;
    const char* p = text;
    while (IsSpace(*p)) ++p;
    int negative = 0;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Only the low 16 bits survive, so the value is kept modulo 2^16 and a
    // long digit string cannot overflow.
    uint32_t v = 0;
    while (*p >= '0' && *p <= '9') {
        v = (v * 10u + static_cast<uint32_t>(*p - '0')) & 0xFFFFu;
        ++p;
    }
    if (negative) v = (0x10000u - v) & 0xFFFFu;
    return static_cast<uint16_t>(v);
}

int ParsePeer(const char* host, const char* port, tagPeerNode* out) {
    const uint32_t address = ParsePeerAddress(host);
    if (address == PEER_ADDRESS_NONE) return 0;
    out->address = address;
    out->port = ParsePeerPort(port);
    out->next = nullptr;
    return 1;
}
