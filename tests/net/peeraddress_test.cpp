// Host and port texts of the peer settings turned into peers.
#include <gtest/gtest.h>

#include <cstdint>

#include "net/peeraddress.h"

namespace {

// The four address bytes in wire order.
uint32_t Net(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    uint32_t v;
    uint8_t* p = reinterpret_cast<uint8_t*>(&v);
    p[0] = a, p[1] = b, p[2] = c, p[3] = d;
    return v;
}

TEST(PeerAddress, NumbersAndDots) {
    const uint32_t NONE = PEER_ADDRESS_NONE;
    const struct {
        const char* text;
        uint32_t expected;
    } rows[] = {
        {"127.0.0.1", Net(127, 0, 0, 1)}, {"192.168.1.20", Net(192, 168, 1, 20)},
        {"0.0.0.0", Net(0, 0, 0, 0)},     {"255.255.255.254", Net(255, 255, 255, 254)},
        {"10.1.2.3 x", Net(10, 1, 2, 3)}, {"0x7f.0.0.1", Net(127, 0, 0, 1)},
        {"0177.0.0.01", Net(127, 0, 0, 1)}, {"127.1", Net(127, 0, 0, 1)},
        {"10.1.515", Net(10, 1, 2, 3)},   {"0xC0A80114", Net(192, 168, 1, 20)},
        {"255.255.255.255", NONE},        {"256.0.0.1", NONE}, {"1.2.65536", NONE},
        {"1.16777216", NONE},             {"4294967296", NONE}, {"1.2.3.4.5", NONE},
        {"1.2.3.", NONE},                 {"1..2.3", NONE},    {"08.1.1.1", NONE},
        {"1a.2.3.4", NONE},               {"0x.1.1.1", NONE},  {" 1.2.3.4", NONE},
        {"localhost", NONE},              {"", NONE},          {nullptr, NONE},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].expected, ParsePeerAddress(rows[i].text))
            << "row " << i << " \"" << (rows[i].text ? rows[i].text : "(null)") << "\"";
    }
}

TEST(PeerAddress, PortIsTheDecimalValueCutTo16Bits) {
    const struct {
        const char* text;
        uint16_t expected;
    } rows[] = {
        {"3010", 3010}, {"  3011", 3011}, {"+80", 80}, {"65535", 65535}, {"65536", 0},
        {"70000", 4464}, {"-1", 65535}, {"12ab", 12}, {"abc", 0}, {"", 0}, {nullptr, 0},
        {"100000000000000000001", 1},  // 10^20 is a multiple of 2^16; no overflow
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        EXPECT_EQ(rows[i].expected, ParsePeerPort(rows[i].text)) << "row " << i;
    }
}

TEST(PeerAddress, ParsePeerLeavesSkippedEntriesAlone) {
    tagPeerNode sentinel;
    tagPeerNode out{0xA5A5A5A5u, 0x5A5A, &sentinel};
    EXPECT_EQ(0, ParsePeer("station.example", "3010", &out));
    EXPECT_EQ(0xA5A5A5A5u, out.address);
    EXPECT_EQ(&sentinel, out.next);
    EXPECT_EQ(1, ParsePeer("10.0.0.3", "68546", &out));
    EXPECT_EQ(Net(10, 0, 0, 3), out.address);
    EXPECT_EQ(3010, out.port);
    EXPECT_EQ(nullptr, out.next);
}

}  // namespace
