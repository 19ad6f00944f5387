// The key record exchanged with peer stations and the 12-byte UDP frame that
// carries it: "VD", flags, then the record. Every multi-byte field is
// little-endian on the wire, whatever the host order. Pure functions, so the
// wire format is tested without sockets.
#pragma once

#include <cstdint>

// One key transition: bit 0 of the key word is the key state (1 down, 0 up),
// the other bits and the reserved word are 0.
struct tagKeyRecord {
    uint32_t nKey;
    uint32_t nReserved;
};

constexpr int KEY_RECORD_SIZE = 8;
constexpr int KEY_FRAME_SIZE = 12;
constexpr int KEY_FRAME_HEADER_SIZE = 4;
// "VD" read as a little-endian 16-bit number.
constexpr uint16_t KEY_FRAME_MAGIC = 0x4456;
// Bit 0: a record follows; bit 15 must be clear. Senders write exactly 0x0001.
constexpr uint16_t KEY_FRAME_FLAG_RECORD = 0x0001;
constexpr uint16_t KEY_FRAME_FLAG_INVALID = 0x8000;

// Writes the 12 bytes of the frame for one record.
void BuildKeyFrame(const tagKeyRecord& record, uint8_t frame[KEY_FRAME_SIZE]);

// Checks a received datagram of `length` bytes (negative for a failed
// receive). Returns 1 and points *record at the 8 record bytes inside `data`
// when the frame is to be delivered, 0 when it is dropped (*record is then
// null). Bytes after the first record are ignored.
int CheckKeyFrame(const void* data, int length, const void** record);

// Decodes the 8 little-endian record bytes a frame listener receives.
tagKeyRecord ReadKeyRecord(const void* record8);
