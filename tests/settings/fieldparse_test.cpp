// How the settings dialog's fields read their texts back: which texts keep
// the old value, which give 0, and how values are shown.
#include <gtest/gtest.h>

#include <cstring>

#include "settings/fieldparse.h"

TEST(FieldParse, DoubleKeepsValueWithoutNumber) {
    struct Row { const char* text; double start; double want; int found; };
    const Row rows[] = {
        {"1000.0000", 5.0, 1000.0, 1},
        {"", 1000.0, 1000.0, 0},             // cleared field keeps the value
        {"abc", 0.25, 0.25, 0},
        {"  0.5xyz", 0.0, 0.5, 1},            // leading number, trailing junk
        {"-3", 1.0, -3.0, 1},
        // Only 30 characters are looked at: the 31st digit is not part of it.
        {"0.00000000000000000000000000001", 7.0, 0.0, 1},
        {"1234567890123456789012345678909", 0.0, 123456789012345678901234567890.0, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        double v = rows[i].start;
        int found = ParseDoubleField(rows[i].text, &v);
        EXPECT_EQ(rows[i].found, found) << "row " << i;
        EXPECT_DOUBLE_EQ(rows[i].want, v) << "row " << i;
    }
}

TEST(FieldParse, IntKeepsValueWithoutNumberAndClamps) {
    struct Row { const char* text; int32_t start; int32_t want; int found; };
    const Row rows[] = {
        {"80", 0, 80, 1},
        {"", 240, 240, 0},
        {"-", 27, 27, 0},
        {"-12", 0, -12, 1},
        {"65535", 0, 65535, 1},
        {"99999999999", 0, INT32_MAX, 1},
        {"-99999999999", 0, INT32_MIN, 1},
        {"12ab", 0, 12, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        int32_t v = rows[i].start;
        int found = ParseIntField(rows[i].text, &v);
        EXPECT_EQ(rows[i].found, found) << "row " << i;
        EXPECT_EQ(rows[i].want, v) << "row " << i;
    }
}

TEST(FieldParse, HexByteGivesZeroWhenEmptyAndKeepsLowByte) {
    struct Row { const char* text; uint8_t start; uint8_t want; };
    const Row rows[] = {
        {"FF", 0x00, 0xFF},
        {"", 0xFF, 0x00},       // a cleared byte field reads as 0
        {"zz", 0xFF, 0x00},
        {"1a", 0, 0x1A},
        {"0x3f", 0, 0x3F},
        {"1234", 0, 0x34},       // low byte of the 16-bit scan
        {"123456", 0, 0x56},     // beyond 16 bits: still the low byte
        {"123456789ABCDEF01", 0, 0xFF},  // too long for any unsigned long: all ones
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        uint8_t v = rows[i].start;
        ParseHexByteField(rows[i].text, &v);
        EXPECT_EQ(rows[i].want, v) << "row " << i << " text '" << rows[i].text << "'";
    }
}

TEST(FieldParse, HexWordKeepsValueWithoutNumber) {
    struct Row { const char* text; uint16_t start; uint16_t want; int found; };
    const Row rows[] = {
        {"0378", 0, 0x378, 1},
        {"", 0x378, 0x378, 0},
        {"g", 0x2F8, 0x2F8, 0},
        {"3F8", 0, 0x3F8, 1},
        {"12345", 0, 0x2345, 1},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        uint16_t v = rows[i].start;
        int found = ParseHexWordField(rows[i].text, &v);
        EXPECT_EQ(rows[i].found, found) << "row " << i;
        EXPECT_EQ(rows[i].want, v) << "row " << i;
    }
}

TEST(FieldParse, Formats) {
    char buf[64];
    struct Row { int kind; double d; unsigned u; const char* want; };
    const Row rows[] = {
        {0, 1000.0, 0, "1000.0000"},
        {0, 0.25, 0, "0.2500"},
        {0, 0.3, 0, "0.3000"},
        {1, 0, 0xFF, "FF"},
        {1, 0, 0x0, "00"},
        {1, 0, 0xa, "0A"},
        {2, 0, 0x378, "0378"},
        {2, 0, 0xFFFF, "FFFF"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        memset(buf, 'x', sizeof buf);
        if (rows[i].kind == 0) {
            FormatDoubleField(rows[i].d, buf, sizeof buf);
        } else if (rows[i].kind == 1) {
            FormatHexByteField(static_cast<uint8_t>(rows[i].u), buf, sizeof buf);
        } else {
            FormatHexWordField(static_cast<uint16_t>(rows[i].u), buf, sizeof buf);
        }
        EXPECT_STREQ(rows[i].want, buf) << "row " << i;
    }
    // A formatted value reads back as itself.
    for (unsigned b = 0; b < 256; ++b) {
        FormatHexByteField(static_cast<uint8_t>(b), buf, sizeof buf);
        uint8_t back = static_cast<uint8_t>(b ^ 0x5A);
        ParseHexByteField(buf, &back);
        ASSERT_EQ(b, back) << "byte " << b;
    }
}

TEST(FieldParse, PortsAndHostEntry) {
    struct Row { const char* host; const char* port; int want; int32_t wantPort; };
    const Row rows[] = {
        {"192.168.1.7", "3010", HOST_ENTRY_OK, 3010},
        {"", "3010", HOST_ENTRY_NO_HOST, -1},
        {"10.0.0.2", "", HOST_ENTRY_NO_PORT, -1},
        {"10.0.0.2", "0", HOST_ENTRY_NO_PORT, -1},
        {"10.0.0.2", "65535", HOST_ENTRY_NO_PORT, -1},
        {"10.0.0.2", "65534", HOST_ENTRY_OK, 65534},
        {"10.0.0.2", "1", HOST_ENTRY_OK, 1},
        {"10.0.0.2", "-5", HOST_ENTRY_NO_PORT, -1},
        {"", "", HOST_ENTRY_NO_HOST, -1},     // host is checked first
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        int32_t port = -1;
        EXPECT_EQ(rows[i].want, CheckHostEntry(rows[i].host, rows[i].port, &port)) << "row " << i;
        EXPECT_EQ(rows[i].wantPort, port) << "row " << i;
    }
    EXPECT_FALSE(IsAcceptedPort(0));
    EXPECT_FALSE(IsAcceptedPort(65535));
    EXPECT_TRUE(IsAcceptedPort(65534));
    char text[] = "kmR.s/1";
    UpperCaseAscii(text);
    EXPECT_STREQ("KMR.S/1", text);
}
