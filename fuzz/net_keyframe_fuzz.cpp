// Fuzz target: any datagram of 0 to 200 bytes given to the frame check. The
// check must never read outside the datagram, must deliver only frames that
// carry "VD", a valid flags word and a whole record, and the record it
// points at must lie inside the datagram.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "net/keyframe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 200) return 0;
    // An exact-size heap copy, so that ASan sees any read past the end.
    std::vector<uint8_t> copy(data, data + size);
    const uint8_t* p = copy.empty() ? nullptr : copy.data();
    const void* record = reinterpret_cast<const void*>(1);
    int ok = CheckKeyFrame(p, static_cast<int>(size), &record);
    if (ok) {
        const uint16_t flags = static_cast<uint16_t>(copy[2] | (copy[3] << 8));
        if (size < static_cast<size_t>(KEY_FRAME_SIZE) || copy[0] != 'V' || copy[1] != 'D' || !(flags & 1) ||
            (flags & 0x8000) || record != p + KEY_FRAME_HEADER_SIZE) {
            std::fprintf(stderr, "delivered a frame that should be dropped\n");
            std::abort();
        }
        volatile uint32_t key = ReadKeyRecord(record).nKey;
        (void)key;
    } else if (record != nullptr) {
        std::fprintf(stderr, "dropped frame left a record pointer\n");
        std::abort();
    }
    return 0;
}
