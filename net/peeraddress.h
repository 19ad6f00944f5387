// A peer station (IPv4 address and UDP port) and the parsing of the host and
// port texts of the settings into one. Addresses follow the numbers-and-dots
// rules of the classic inet_addr: no name lookup, and the all-ones address
// cannot be told from an error, so it is refused.
#pragma once

#include <cstdint>

// One peer of the link. `address` is in network byte order (as inet_addr
// returns it), `port` in host byte order. The link keeps its peers as a
// singly linked list in the order they were added.
struct tagPeerNode {
    uint32_t address;
    uint16_t port;
    tagPeerNode* next;
};

// The value inet_addr reports for text it does not accept.
constexpr uint32_t PEER_ADDRESS_NONE = 0xFFFFFFFFu;

// Parses "a.b.c.d" (also the shorter "a.b.c", "a.b" and "a" forms; each part
// decimal, octal with a leading 0 or hexadecimal with 0x). Returns the
// address in network byte order, or PEER_ADDRESS_NONE for anything else.
uint32_t ParsePeerAddress(const char* text);

// The decimal number at the start of `text` as "%d" reads it (leading
// white space, optional sign), cut to 16 bits; 0 when there is no number.
uint16_t ParsePeerPort(const char* text);

// Fills *out (address, port, no next) from the host and port texts of one
// setting entry. Returns 1 if the host text is an accepted address, 0 if the
// entry is to be skipped (*out is then left untouched).
int ParsePeer(const char* host, const char* port, tagPeerNode* out);
