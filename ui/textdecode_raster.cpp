// Decoding of byte texts for the raster back end (see textdecode_raster.h).
#include "ui/textdecode_raster.h"

#include <iconv.h>

#include <cstdint>
#include <vector>

namespace {

bool DecodeUtf8(const unsigned char* s, size_t n, std::u32string* out) {
    size_t i = 0;
    while (i < n) {
        unsigned c = s[i];
        int extra;
        char32_t cp;
        if (c < 0x80) {
            extra = 0;
            cp = c;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + k >= n || (s[i + k] & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        out->push_back(cp);
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

bool DecodeGbk(const char* s, size_t n, std::u32string* out) {
    iconv_t cd = iconv_open("UTF-32LE", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::vector<char> buf(n * 4 + 4);
    char* in = const_cast<char*>(s);
    size_t inLeft = n;
    char* o = buf.data();
    size_t outLeft = buf.size();
    size_t r = iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1) || inLeft != 0) {
        return false;
    }
    size_t count = (buf.size() - outLeft) / 4;
    for (size_t k = 0; k < count; ++k) {
        const unsigned char* b = reinterpret_cast<const unsigned char*>(buf.data()) + 4 * k;
        out->push_back(static_cast<char32_t>(b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t(b[3]) << 24)));
    }
    return true;
}

}  // namespace

std::u32string VdDecodeText(const char* text, size_t length) {
    std::u32string out;
    if (text == nullptr || length == 0) {
        return out;
    }
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    if (DecodeUtf8(s, length, &out)) {
        return out;
    }
    out.clear();
    if (DecodeGbk(text, length, &out)) {
        return out;
    }
    out.clear();
    for (size_t i = 0; i < length; ++i) {
        out.push_back(s[i]);
    }
    return out;
}
