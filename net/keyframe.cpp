// Encoding and checking of the 12-byte key frame.
#include "net/keyframe.h"

namespace {

void PutLe16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void PutLe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

uint16_t GetLe16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t GetLe32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

void BuildKeyFrame(const tagKeyRecord& record, uint8_t frame[KEY_FRAME_SIZE]) {
    PutLe16(frame, KEY_FRAME_MAGIC);
    PutLe16(frame + 2, KEY_FRAME_FLAG_RECORD);
    PutLe32(frame + 4, record.nKey);
    PutLe32(frame + 8, record.nReserved);
}

int CheckKeyFrame(const void* data, int length, const void** record) {
    *record = nullptr;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    // The order of the tests matters only for which rule names the drop; a
    // header is looked at before the length of the record is.
    if (length < KEY_FRAME_HEADER_SIZE) return 0;
    if (GetLe16(p) != KEY_FRAME_MAGIC) return 0;
    const uint16_t flags = GetLe16(p + 2);
    if (flags == 0x0000 || flags == 0xFFFF) return 0;
    if ((flags & KEY_FRAME_FLAG_RECORD) == 0) return 0;
    if ((flags & KEY_FRAME_FLAG_INVALID) != 0) return 0;
    if (length < KEY_FRAME_SIZE) return 0;
    *record = p + KEY_FRAME_HEADER_SIZE;
    return 1;
}

tagKeyRecord ReadKeyRecord(const void* record8) {
    const uint8_t* p = static_cast<const uint8_t*>(record8);
    tagKeyRecord r;
    r.nKey = GetLe32(p);
    r.nReserved = GetLe32(p + 4);
    return r;
}
