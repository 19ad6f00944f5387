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

}  // namespace
