// Byte texts to Unicode for the native renderer: UTF-8 when valid, else GBK,
// else Latin-1 byte by byte.
#include <gtest/gtest.h>

#include <cstring>

#include "ui/textdecode_raster.h"

namespace {

TEST(TextDecode, PicksUtf8ThenGbkThenLatin1) {
    struct Row {
        const char* bytes;
        std::u32string expect;
    } rows[] = {
        {"", U""},
        {"CQ de VARDO", U"CQ de VARDO"},
        {"caf\xC3\xA9", U"caf\u00E9"},                       // UTF-8
        {"\xE5\x8F\x91\xE9\x80\x81", U"\u53D1\u9001"},       // UTF-8 of the same two
        {"\xB7\xA2\xCB\xCD", U"\u53D1\u9001"},               // GBK
        {"\xB6\xD3\xC1\xD0 ok", U"\u961F\u5217 ok"},         // GBK with ASCII
        {"\xF0\x9F\x93\xBB", U"\U0001F4FB"},                 // four-byte UTF-8
        {"A\xFF" "B", U"A\u00FF" "B"},                        // neither: Latin-1
        {"\xC0\xAF", U"\u8721"},                              // overlong UTF-8, valid GBK
        {"\xED\xA0\x80", U"\u980E\u20AC"},                    // UTF-8 surrogate, GBK with the euro byte
        {"\xB7", U"\u00B7"},                                  // cut GBK pair
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        std::u32string got = VdDecodeText(rows[i].bytes, std::strlen(rows[i].bytes));
        EXPECT_TRUE(rows[i].expect == got) << "row " << i << " length " << got.size();
    }
    EXPECT_TRUE(VdDecodeText(nullptr, 4).empty());
}

}  // namespace
