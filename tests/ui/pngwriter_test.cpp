// The PNG writer: checksums against their published check values, and the
// file structure decoded independently (chunks, CRCs, zlib header, stored
// blocks, Adler-32, filter bytes, RGB order) for sizes that need one and
// several deflate blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ui/pngwriter.h"

namespace {

uint32_t Be32(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

struct tagDecoded {
    bool ok = false;
    std::string error;
    uint32_t width = 0, height = 0;
    std::vector<std::string> chunks;
    std::vector<uint8_t> raw;  // inflated stream
    int blocks = 0;
};

// A reader for exactly what the writer may produce: one IDAT of stored blocks.
tagDecoded Decode(const std::vector<uint8_t>& png) {
    tagDecoded d;
    const uint8_t sig[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (png.size() < 8 || std::memcmp(png.data(), sig, 8) != 0) { d.error = "signature"; return d; }
    std::vector<uint8_t> z;
    size_t pos = 8;
    while (pos + 12 <= png.size()) {
        uint32_t len = Be32(&png[pos]);
        if (pos + 12 + len > png.size()) { d.error = "chunk length"; return d; }
        std::string type(reinterpret_cast<const char*>(&png[pos + 4]), 4);
        uint32_t crc = Be32(&png[pos + 8 + len]);
        if (crc != VdCrc32(&png[pos + 4], len + 4)) { d.error = "crc of " + type; return d; }
        const uint8_t* body = &png[pos + 8];
        if (type == "IHDR") {
            d.width = Be32(body);
            d.height = Be32(body + 4);
            if (len != 13 || body[8] != 8 || body[9] != 2 || body[10] || body[11] || body[12]) { d.error = "ihdr"; return d; }
        } else if (type == "IDAT") {
            z.insert(z.end(), body, body + len);
        }
        d.chunks.push_back(type);
        pos += 12 + len;
    }
    if (pos != png.size()) { d.error = "trailing bytes"; return d; }
    if (z.size() < 6 || ((z[0] << 8) | z[1]) % 31 != 0 || (z[0] & 0x0F) != 8) { d.error = "zlib header"; return d; }
    size_t p = 2;
    bool last = false;
    while (!last) {
        if (p + 5 > z.size()) { d.error = "block header"; return d; }
        last = (z[p] & 1) != 0;
        if ((z[p] >> 1) != 0) { d.error = "not stored"; return d; }
        unsigned n = z[p + 1] | (z[p + 2] << 8);
        unsigned nn = z[p + 3] | (z[p + 4] << 8);
        if ((n ^ 0xFFFF) != nn || p + 5 + n > z.size()) { d.error = "block length"; return d; }
        d.raw.insert(d.raw.end(), z.begin() + static_cast<ptrdiff_t>(p + 5), z.begin() + static_cast<ptrdiff_t>(p + 5 + n));
        p += 5 + n;
        ++d.blocks;
    }
    if (p + 4 != z.size() || Be32(&z[p]) != VdAdler32(d.raw.data(), d.raw.size())) { d.error = "adler"; return d; }
    d.ok = true;
    return d;
}

TEST(PngWriter, ChecksumsMatchTheirCheckValues) {
    struct Row {
        const char* text;
        uint32_t crc, adler;
    } rows[] = {
        {"", 0x00000000u, 0x00000001u},
        {"123456789", 0xCBF43926u, 0x091E01DEu},
        {"Wikipedia", 0xADAAC02Eu, 0x11E60398u},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        const uint8_t* p = reinterpret_cast<const uint8_t*>(rows[i].text);
        size_t n = std::strlen(rows[i].text);
        EXPECT_EQ(rows[i].crc, VdCrc32(p, n)) << "row " << i;
        EXPECT_EQ(rows[i].adler, VdAdler32(p, n)) << "row " << i;
        // Running checksums continue across pieces.
        if (n > 3) {
            EXPECT_EQ(rows[i].crc, VdCrc32(p + 3, n - 3, VdCrc32(p, 3))) << "row " << i;
            EXPECT_EQ(rows[i].adler, VdAdler32(p + 3, n - 3, VdAdler32(p, 3))) << "row " << i;
        }
    }
}

TEST(PngWriter, StructureAndPixelsDecode) {
    struct Row {
        int w, h;
        int blocks;
    } rows[] = {{1, 1, 1}, {3, 2, 1}, {200, 120, 2}, {21844, 1, 1}, {21845, 1, 2}, {100, 500, 3}};
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        int w = rows[i].w, h = rows[i].h;
        std::vector<VdColor> px(static_cast<size_t>(w) * h);
        for (size_t k = 0; k < px.size(); ++k) px[k] = static_cast<VdColor>((k * 2654435761u) & 0xFFFFFF);
        tagDecoded d = Decode(VdEncodePng(w, h, px.data()));
        ASSERT_TRUE(d.ok) << "row " << i << ": " << d.error;
        EXPECT_EQ(static_cast<uint32_t>(w), d.width) << "row " << i;
        EXPECT_EQ(static_cast<uint32_t>(h), d.height) << "row " << i;
        EXPECT_EQ((std::vector<std::string>{"IHDR", "IDAT", "IEND"}), d.chunks) << "row " << i;
        EXPECT_EQ(rows[i].blocks, d.blocks) << "row " << i;
        ASSERT_EQ(static_cast<size_t>(h) * (3 * w + 1), d.raw.size()) << "row " << i;
        bool same = true;
        for (int y = 0; y < h && same; ++y) {
            const uint8_t* row = &d.raw[static_cast<size_t>(y) * (3 * w + 1)];
            same = row[0] == 0;
            for (int x = 0; x < w && same; ++x) {
                VdColor c = px[static_cast<size_t>(y) * w + x];
                same = row[1 + 3 * x] == (c & 0xFF) && row[2 + 3 * x] == ((c >> 8) & 0xFF) &&
                       row[3 + 3 * x] == ((c >> 16) & 0xFF);
            }
        }
        EXPECT_TRUE(same) << "row " << i;
    }
}

}  // namespace
