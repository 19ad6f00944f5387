// INI access behaviour the settings store relies on. The same rows run
// against the Windows profile calls (under Wine) and against the native
// implementation, so both are held to one description.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "inifiles.h"
#include "settings/profile.h"

namespace {

TEST(Profile, GetString) {
    WriteTextFile("./get.ini",
                  "[CW]\r\nBeepfreq = 440 \r\nquoted=\"a b\"\r\nsingle='x'\r\nhalf=\"abc\r\n;comment\r\n"
                  "plain\r\nempty=\r\nlong=0123456789\r\n\tk2\t=\tv2\t\r\ndup=1\r\ndup=2\r\n"
                  "[Other]\r\nbeepfreq=1\nlf=only\n");
    const struct { const char* section; const char* key; const char* def; int size; int ret; const char* text; } rows[] = {
        {"CW", "beepfreq", "", 32, 3, "440"},    // blanks around name and value dropped
        {"cw", "BEEPFREQ", "", 32, 3, "440"},    // names in any case
        {"CW", "quoted", "", 32, 3, "a b"},      {"CW", "single", "", 32, 1, "x"},
        {"CW", "half", "", 32, 4, "\"abc"},      // one quote only: kept
        {"CW", "empty", "dflt", 32, 0, ""},      // present but empty: not the default
        {"CW", "missing", "dflt", 32, 4, "dflt"},
        {"CW", "plain", "dflt", 32, 4, "dflt"},  // a line without '=' has no value
        {"Nosuch", "beepfreq", "d", 32, 1, "d"}, {"CW", "long", "", 5, 4, "0123"},  // cut to size - 1
        {"CW", "long", "", 1, 0, ""},            {"CW", "k2", "", 32, 2, "v2"},
        {"CW", "dup", "", 32, 1, "1"},           // the first of two wins
        {"Other", "beepfreq", "", 32, 1, "1"},   {"Other", "lf", "", 32, 4, "only"},  // LF ends too
        {"CW", "missing", "ab  ", 32, 2, "ab"},  // the default loses trailing blanks
        {"CW", "missing", "abcdef", 3, 2, "ab"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        char buf[64];
        std::memset(buf, '#', sizeof buf);
        EXPECT_EQ(rows[i].ret, VdProfile::GetString(rows[i].section, rows[i].key, rows[i].def, buf,
                                                    rows[i].size, "./get.ini")) << "row " << i;
        EXPECT_STREQ(rows[i].text, buf) << "row " << i;
        EXPECT_EQ(std::string(sizeof buf - rows[i].size, '#'), std::string(buf + rows[i].size, buf + sizeof buf))
            << "row " << i << " wrote past the buffer";
    }
    char buf[16];
    EXPECT_EQ(3, VdProfile::GetString("CW", "k", "def", buf, sizeof buf, "./nosuchfile.ini"));
    EXPECT_STREQ("def", buf);
}

TEST(Profile, WriteString) {
    const struct { const char* before; const char* section; const char* key; const char* value; const char* after; } rows[] = {
        {nullptr, "CW", "a", "1", "[CW]|a=1|"},
        {"[CW]\r\na=1\r\n", "CW", "b", "2", "[CW]|a=1|b=2|"},
        {"[CW]\r\na=1\r\n[X]\r\nz=9\r\n", "CW", "b", "2", "[CW]|a=1|b=2|[X]|z=9|"},
        {"[CW]\r\na=1\r\n[X]\r\nz=9\r\n", "New", "k", "v", "[CW]|a=1|[X]|z=9|[New]|k=v|"},
        {"[CW]\r\nA=1\r\nb=2\r\n", "cw", "a", "7", "[CW]|A=7|b=2|"},  // the file's spelling stays
        {"[CW]\r\n;note\r\ngarbage\r\na=1\r\n", "CW", "a", "3", "[CW]|;note|garbage|a=3|"},
        {"top=1\r\n[CW]\r\na=1\r\n", "CW", "b", "2", "top=1|[CW]|a=1|b=2|"},
        {"[CW]\na=1\n[X]\nz=9\n", "X", "z", "8", "[CW]|a=1|[X]|z=8|"},  // rewritten with CR LF
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        char path[32], buf[16];
        std::snprintf(path, sizeof path, "./write%d.ini", static_cast<int>(i));
        std::remove(path);
        if (rows[i].before != nullptr) WriteTextFile(path, rows[i].before);
        EXPECT_NE(0, VdProfile::WriteString(rows[i].section, rows[i].key, rows[i].value, path)) << "row " << i;
        EXPECT_EQ(rows[i].after, CrLfLines(ReadTextFile(path))) << "row " << i;
        VdProfile::GetString(rows[i].section, rows[i].key, "", buf, sizeof buf, path);
        EXPECT_STREQ(rows[i].value, buf) << "row " << i;
    }
}

// A save goes into a copy that replaces the file in one step: lines the
// store does not know stay, a temporary file left by a save that died is
// not reused, and a save that dies before its commit leaves the file whole.
TEST(Profile, RewriteReplacesTheFileOnlyWhenCommitted) {
    const struct {
        const char* before;  // the file, or null when missing
        const char* stale;   // a temporary file left before, or null
        bool commit;
        int committed;
        const char* after;
    } rows[] = {
        {"[CW]\r\na=1\r\n[Mine]\r\nx=y\r\n", nullptr, true, 1, "[CW]|a=2|[Mine]|x=y|"},
        {nullptr, "[CW]\r\na=9\r\nold=1\r\n", true, 1, "[CW]|a=2|"},
        {"[CW]\r\na=1\r\n", nullptr, false, 0, "[CW]|a=1|"},  // died before the commit
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        char path[32], temp[40];
        std::snprintf(path, sizeof path, "./rewrite%d.ini", static_cast<int>(i));
        std::snprintf(temp, sizeof temp, "%s.tmp", path);
        std::remove(path);
        std::remove(temp);
        if (rows[i].before != nullptr) WriteTextFile(path, rows[i].before);
        if (rows[i].stale != nullptr) WriteTextFile(temp, rows[i].stale);
        ASSERT_EQ(1, VdProfile::BeginRewrite(path, temp)) << "row " << i;
        EXPECT_NE(0, VdProfile::WriteString("CW", "a", "2", temp)) << "row " << i;
        if (rows[i].commit) {
            EXPECT_EQ(rows[i].committed, VdProfile::CommitRewrite(temp, path)) << "row " << i;
            EXPECT_EQ("<missing>", ReadTextFile(temp)) << "row " << i << ": the temporary file stayed";
        }
        EXPECT_EQ(rows[i].after, CrLfLines(ReadTextFile(path))) << "row " << i;
    }
    // A commit without its temporary file fails and keeps the file.
    WriteTextFile("./kept.ini", "[CW]\r\na=1\r\n");
    std::remove("./kept.ini.tmp");
    EXPECT_EQ(0, VdProfile::CommitRewrite("./kept.ini.tmp", "./kept.ini"));
    EXPECT_EQ("[CW]|a=1|", CrLfLines(ReadTextFile("./kept.ini")));
}

}  // namespace
