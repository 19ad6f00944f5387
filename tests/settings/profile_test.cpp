// INI access behaviour the settings store relies on. The same rows run
// against the Windows profile calls (under Wine) and against the native
// implementation, so both are held to one description.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "inifiles.h"
#include "settings/profile.h"

namespace {

const char kIni[] =
    "[CW]\r\n"
    "Beepfreq = 440 \r\n"
    "quoted=\"a b\"\r\n"
    "single='x'\r\n"
    "half=\"abc\r\n"
    ";comment\r\n"
    "plain\r\n"
    "empty=\r\n"
    "long=0123456789\r\n"
    "\tk2\t=\tv2\t\r\n"
    "dup=1\r\n"
    "dup=2\r\n"
    "[Other]\r\n"
    "beepfreq=1\n"
    "lf=only\n";

TEST(Profile, GetString) {
    const struct { const char* section; const char* key; const char* def; int size; int ret; const char* text; } rows[] = {
        {"CW", "beepfreq", "", 32, 3, "440"},        // blanks around name and value dropped
        {"cw", "BEEPFREQ", "", 32, 3, "440"},        // names in any case
        {"CW", "quoted", "", 32, 3, "a b"},
        {"CW", "single", "", 32, 1, "x"},
        {"CW", "half", "", 32, 4, "\"abc"},          // one quote only: kept
        {"CW", "empty", "dflt", 32, 0, ""},          // present but empty: not the default
        {"CW", "missing", "dflt", 32, 4, "dflt"},
        {"CW", "plain", "dflt", 32, 4, "dflt"},      // a line without '=' has no value
        {"Nosuch", "beepfreq", "d", 32, 1, "d"},
        {"CW", "long", "", 5, 4, "0123"},            // cut to size - 1
        {"CW", "long", "", 1, 0, ""},
        {"CW", "k2", "", 32, 2, "v2"},
        {"CW", "dup", "", 32, 1, "1"},               // the first of two wins
        {"Other", "beepfreq", "", 32, 1, "1"},       // same key, other section
        {"Other", "lf", "", 32, 4, "only"},          // LF line ends read too
        {"CW", "missing", "ab  ", 32, 2, "ab"},      // default loses trailing blanks
        {"CW", "missing", "abcdef", 3, 2, "ab"},
    };
    WriteTextFile("./get.ini", kIni);
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        char buf[64];
        std::memset(buf, '#', sizeof buf);
        const int ret = VdProfile::GetString(rows[i].section, rows[i].key, rows[i].def, buf,
                                             rows[i].size, "./get.ini");
        EXPECT_EQ(rows[i].ret, ret) << "row " << i;
        EXPECT_STREQ(rows[i].text, buf) << "row " << i;
        for (int k = rows[i].size; k < static_cast<int>(sizeof buf); ++k) {
            ASSERT_EQ('#', buf[k]) << "row " << i << " wrote past the buffer at " << k;
        }
    }
    char buf[16];
    EXPECT_EQ(3, VdProfile::GetString("CW", "k", "def", buf, sizeof buf, "./nosuchfile.ini"));
    EXPECT_STREQ("def", buf);
}

std::string Joined(const std::string& text) {
    std::string s;
    for (const std::string& l : NonBlankLines(text)) {
        s += l + "|";
    }
    return s;
}

TEST(Profile, WriteString) {
    const struct { const char* before; const char* section; const char* key; const char* value; const char* after; } rows[] = {
        {nullptr, "CW", "a", "1", "[CW]|a=1|"},
        {"[CW]\r\na=1\r\n", "CW", "b", "2", "[CW]|a=1|b=2|"},
        {"[CW]\r\na=1\r\n[X]\r\nz=9\r\n", "CW", "b", "2", "[CW]|a=1|b=2|[X]|z=9|"},
        {"[CW]\r\na=1\r\n[X]\r\nz=9\r\n", "New", "k", "v", "[CW]|a=1|[X]|z=9|[New]|k=v|"},
        {"[CW]\r\nA=1\r\nb=2\r\n", "cw", "a", "7", "[CW]|A=7|b=2|"},
        {"[CW]\r\n;note\r\ngarbage\r\na=1\r\n", "CW", "a", "3", "[CW]|;note|garbage|a=3|"},
        {"top=1\r\n[CW]\r\na=1\r\n", "CW", "b", "2", "top=1|[CW]|a=1|b=2|"},
        {"[CW]\na=1\n[X]\nz=9\n", "X", "z", "8", "[CW]|a=1|[X]|z=8|"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        char path[32];
        std::snprintf(path, sizeof path, "./write%d.ini", static_cast<int>(i));
        if (rows[i].before != nullptr) {
            WriteTextFile(path, rows[i].before);
        } else {
            RemoveIniFile(path);
        }
        EXPECT_NE(0, VdProfile::WriteString(rows[i].section, rows[i].key, rows[i].value, path)) << "row " << i;
        const std::string text = ReadTextFile(path);
        EXPECT_EQ(rows[i].after, Joined(text)) << "row " << i;
        EXPECT_TRUE(AllLinesEndInCrLf(text)) << "row " << i;
        char buf[16];
        VdProfile::GetString(rows[i].section, rows[i].key, "", buf, sizeof buf, path);
        EXPECT_STREQ(rows[i].value, buf) << "row " << i;
    }
}

}  // namespace
