// PNG encoder with stored deflate blocks (see pngwriter.h).
#include "ui/pngwriter.h"

#include <cstdio>
#include <cstring>

#include "ui/drawsurface.h"

namespace {

constexpr size_t kMaxStored = 65535;  // largest stored deflate block

void Put32(std::vector<uint8_t>* out, uint32_t v) {
    out->push_back(static_cast<uint8_t>(v >> 24));
    out->push_back(static_cast<uint8_t>(v >> 16));
    out->push_back(static_cast<uint8_t>(v >> 8));
    out->push_back(static_cast<uint8_t>(v));
}

void Chunk(std::vector<uint8_t>* out, const char type[4], const std::vector<uint8_t>& body) {
    Put32(out, static_cast<uint32_t>(body.size()));
    size_t start = out->size();
    out->insert(out->end(), type, type + 4);
    out->insert(out->end(), body.begin(), body.end());
    Put32(out, VdCrc32(out->data() + start, out->size() - start));
}

}  // namespace

uint32_t VdCrc32(const uint8_t* data, size_t length, uint32_t crc) {
    struct Table {
        uint32_t v[256];
        Table() {
            for (uint32_t n = 0; n < 256; ++n) {
                uint32_t c = n;
                for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                v[n] = c;
            }
        }
    };
    static const Table t;  // built once, thread-safe
    const uint32_t* table = t.v;
    crc = ~crc;
    for (size_t i = 0; i < length; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

uint32_t VdAdler32(const uint8_t* data, size_t length, uint32_t adler) {
    uint32_t a = adler & 0xFFFF;
    uint32_t b = adler >> 16;
    for (size_t i = 0; i < length; ++i) {
        a = (a + data[i]) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

std::vector<uint8_t> VdEncodePng(int width, int height, const VdColor* pixels) {
    std::vector<uint8_t> png;
    if (width <= 0 || height <= 0 || pixels == nullptr) {
        return png;
    }
    // Raw image: a filter byte (0, none) before each row of RGB triples.
    std::vector<uint8_t> raw;
    raw.reserve(static_cast<size_t>(height) * (static_cast<size_t>(width) * 3 + 1));
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            VdColor c = pixels[static_cast<size_t>(y) * width + x];
            raw.push_back(static_cast<uint8_t>(c));
            raw.push_back(static_cast<uint8_t>(c >> 8));
            raw.push_back(static_cast<uint8_t>(c >> 16));
        }
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos < kMaxStored ? raw.size() - pos : kMaxStored;
        bool last = pos + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<ptrdiff_t>(pos), raw.begin() + static_cast<ptrdiff_t>(pos + n));
        pos += n;
    } while (pos < raw.size());
    Put32(&z, VdAdler32(raw.data(), raw.size()));

    const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.assign(signature, signature + 8);
    std::vector<uint8_t> ihdr;
    Put32(&ihdr, static_cast<uint32_t>(width));
    Put32(&ihdr, static_cast<uint32_t>(height));
    ihdr.push_back(8);  // bit depth
    ihdr.push_back(2);  // colour type: RGB
    ihdr.push_back(0);  // deflate
    ihdr.push_back(0);  // adaptive filtering
    ihdr.push_back(0);  // no interlace
    Chunk(&png, "IHDR", ihdr);
    Chunk(&png, "IDAT", z);
    Chunk(&png, "IEND", {});
    return png;
}

std::vector<uint8_t> VdEncodePng(const CDrawSurface& surface) {
    int w = surface.GetWidth();
    int h = surface.GetHeight();
    if (w <= 0 || h <= 0) {
        return {};
    }
    std::vector<VdColor> pixels(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels[static_cast<size_t>(y) * w + x] = surface.GetPixel(x, y);
    return VdEncodePng(w, h, pixels.data());
}

int VdSavePng(const CDrawSurface& surface, const char* path) {
    if (path == nullptr) {
        return 0;
    }
    std::vector<uint8_t> png = VdEncodePng(surface);
    if (png.empty()) {
        return 0;
    }
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr) {
        return 0;
    }
    size_t written = std::fwrite(png.data(), 1, png.size(), f);
    int closed = std::fclose(f);
    return written == png.size() && closed == 0 ? 1 : 0;
}
