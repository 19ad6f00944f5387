// Wire bytes of the key frame, decoded back through the receive check.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "net/keyframe.h"

namespace {

TEST(KeyFrame, LittleEndianFieldsRoundTrip) {
    const struct {
        tagKeyRecord record;
        uint8_t bytes[KEY_FRAME_SIZE];
    } rows[] = {
        {{1, 0}, {0x56, 0x44, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {{0, 0}, {0x56, 0x44, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}},
        {{0x11223344u, 0xA1B2C3D4u}, {0x56, 0x44, 0x01, 0x00, 0x44, 0x33, 0x22, 0x11, 0xD4, 0xC3, 0xB2, 0xA1}},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        uint8_t frame[KEY_FRAME_SIZE + 4];
        std::memset(frame, 0xCC, sizeof frame);
        BuildKeyFrame(rows[i].record, frame);
        EXPECT_EQ(0, std::memcmp(rows[i].bytes, frame, KEY_FRAME_SIZE)) << "row " << i;
        EXPECT_EQ(0xCC, frame[KEY_FRAME_SIZE]) << "row " << i << ": wrote past the frame";
        const void* record = nullptr;
        ASSERT_EQ(1, CheckKeyFrame(frame, KEY_FRAME_SIZE, &record)) << "row " << i;
        EXPECT_EQ(frame + 4, record) << "row " << i;
        const tagKeyRecord back = ReadKeyRecord(record);
        EXPECT_EQ(rows[i].record.nKey, back.nKey) << "row " << i;
        EXPECT_EQ(rows[i].record.nReserved, back.nReserved) << "row " << i;
    }
}

// Every receive rule on its own: each row breaks one rule of an otherwise
// valid frame (or keeps it valid), so removing any one test from the check
// makes its row fail.
TEST(KeyFrame, CheckDropsEachMalformedFrame) {
    const struct {
        const char* what;
        uint8_t bytes[16];
        int length;
        int delivered;
    } rows[] = {
        {"valid", {0x56, 0x44, 0x01, 0x00, 1, 0, 0, 0, 0, 0, 0, 0}, 12, 1},
        {"other flag bits ignored", {0x56, 0x44, 0x03, 0x00, 1, 0, 0, 0, 0, 0, 0, 0}, 12, 1},
        {"longer datagram, tail ignored", {0x56, 0x44, 0x01, 0x00, 1, 0, 0, 0, 0, 0, 0, 0, 9, 9, 9, 9}, 16, 1},
        {"failed receive", {0x56, 0x44, 0x01, 0x00, 1, 0, 0, 0, 0, 0, 0, 0}, -1, 0},
        {"shorter than a header", {0x56, 0x44, 0x01}, 3, 0},
        {"header only", {0x56, 0x44, 0x01, 0x00}, 4, 0},
        {"one byte short of a record", {0x56, 0x44, 0x01, 0x00, 1, 0, 0, 0, 0, 0, 0}, 11, 0},
        {"magic swapped", {0x44, 0x56, 0x01, 0x00, 1, 0, 0, 0, 0, 0, 0, 0}, 12, 0},
        {"flags 0x0000", {0x56, 0x44, 0x00, 0x00, 1, 0, 0, 0, 0, 0, 0, 0}, 12, 0},
        {"flags 0xFFFF", {0x56, 0x44, 0xFF, 0xFF, 1, 0, 0, 0, 0, 0, 0, 0}, 12, 0},
        {"record bit clear", {0x56, 0x44, 0x02, 0x00, 1, 0, 0, 0, 0, 0, 0, 0}, 12, 0},
        {"bit 15 set", {0x56, 0x44, 0x01, 0x80, 1, 0, 0, 0, 0, 0, 0, 0}, 12, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        const void* sentinel = &rows[i];
        const void* record = sentinel;
        const int got = CheckKeyFrame(rows[i].bytes, rows[i].length, &record);
        EXPECT_EQ(rows[i].delivered, got) << "row " << i << " (" << rows[i].what << ")";
        const void* want = rows[i].delivered ? static_cast<const void*>(rows[i].bytes + 4) : nullptr;
        EXPECT_EQ(want, record) << "row " << i << " (" << rows[i].what << "): record pointer";
    }
}

}  // namespace
