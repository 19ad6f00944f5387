// The settings store against ./vardo.ini: the file a default run writes,
// loading malformed and out-of-range values, the host list, and the round
// trip of every value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>

#include "inifiles.h"
#include "settings/vardosetting.h"

namespace {

const char* const kIni = "./vardo.ini";

std::string Dump(const SettingValues& v) {
    std::ostringstream o;
    auto rect = [&o](const VdRect& r) { o << r.left << ',' << r.top << ',' << r.right << ',' << r.bottom << ' '; };
    auto button = [&o](const tagPanelButton& b) {
        o << b.x << ',' << b.y << ',' << b.width << ',' << b.height << ',' << b.key << ','
          << std::string(b.caption, strnlen(b.caption, sizeof b.caption)) << ' ';
    };
    o << v.beepfreq << ' ' << v.beepvol << ' ' << v.shorthit << ' ' << v.longhit << ' ' << v.hitdelay
      << ' ' << v.letterdelay << ' ' << v.worddelay << ' ';
    rect(v.windowrect);
    o << v.sendperiod << ' ' << v.sendidlelimit << ' ';
    rect(v.sendrect);
    o << v.sendlabeloffset.x << ',' << v.sendlabeloffset.y << ' ';
    rect(v.sendqueuerect);
    o << v.recvperiod << ' ' << v.recvidlelimit << ' ';
    rect(v.recvrect);
    o << v.recvlabeloffset.x << ',' << v.recvlabeloffset.y << ' ';
    rect(v.recvmrect);
    o << v.recvanalyzesamples << ' ' << v.recvthreshold << ' ' << v.recvfreqstart << ' ' << v.recvfreqend << ' ';
    button(v.cw);
    button(v.sendpause);
    button(v.sendfile);
    button(v.autokeyswitch);
    o << '[' << std::string(v.charlist, strnlen(v.charlist, sizeof v.charlist)) << "] " << v.koch_wordlen << ' ';
    for (const tagMorseCode& c : v.morseTable) {
        o << c.nChar << ':' << c.nCode << ':' << c.nMask << ':' << c.nVKey << ' ';
    }
    o << v.enableextport << ' ' << v.extportaddr << ' ' << int{v.openbyte} << ' ' << int{v.closebyte}
      << ' ' << v.localport << ' ' << v.nwenabled;
    return o.str();
}

std::string Hosts(const CVardoSetting& s) {
    std::string out;
    for (const tagHostNode& h : s.hosts) {
        out += std::string(h.host, strnlen(h.host, sizeof h.host)) + ":" +
               std::string(h.port, strnlen(h.port, sizeof h.port)) + " ";
    }
    return out;
}

SettingValues Defaults() {
    SettingValues v;
    SetDefaultSettingValues(&v);
    return v;
}

void StartFrom(const char* text) {
    if (text == nullptr) {
        RemoveIniFile(kIni);
    } else {
        WriteTextFile(kIni, text);
    }
}

TEST(VardoSetting, DefaultFile) {
    StartFrom(nullptr);
    { CVardoSetting s; }
    const std::string text = ReadTextFile(kIni);
    EXPECT_TRUE(AllLinesEndInCrLf(text));
    std::string sections;
    int morseKeys = 0;
    std::string section;
    std::vector<std::string> seen;
    for (const std::string& l : NonBlankLines(text)) {
        if (l[0] == '[') {
            section = l;
            sections += l;
        } else {
            seen.push_back(section + l);
            morseKeys += section == "[MORSE]";
        }
    }
    EXPECT_EQ("[CW][GLOBAL][JOURNAL][MAINPANEL][KOCH][MORSE][HWCTRL][NETWORK]", sections);
    EXPECT_EQ(MORSE_CODE_COUNT, morseKeys);
    const char* lines[] = {
        "[CW]beepfreq=1000.000000", "[CW]beepvol=0.250000", "[CW]worddelay=240",
        "[GLOBAL]windowrect=0,0,360,480", "[JOURNAL]sendlabeloffset=0,-56",
        "[JOURNAL]recvthreshold=0.300000", "[MAINPANEL]cw=280,220,64,64,000D,CW",
        "[MAINPANEL]sendfile=108,104,50,12,0075,File...", "[KOCH]charlist=", "[MORSE]A=00000002,00000003,0041",
        "[MORSE]?=00000033,0000003F,0000", "[MORSE]_=00000000,00000000,0020",
        "[HWCTRL]enableextport=00000000", "[HWCTRL]extportaddr=00000378", "[HWCTRL]openbyte=000000FF",
        "[NETWORK]nwenabled=1", "[NETWORK]localport=3010", "[NETWORK]hosts=0",
    };
    for (const char* l : lines) {
        EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), l)) << "missing line " << l;
    }
    const std::vector<std::string> journal(seen.begin() + 8, seen.begin() + 13);
    EXPECT_EQ("[JOURNAL]sendqueuerect=5,192,348,203", journal[4]);  // written after the label offset
    CVardoSetting back;
    EXPECT_EQ(Dump(Defaults()), Dump(back));
    EXPECT_EQ("", Hosts(back));
}

TEST(VardoSetting, LoadsFileValues) {
    const std::string longCaption(40, 'X');
    const std::string longHost(61, 'a');
    const struct { std::string ini; std::function<void(SettingValues&)> change; const char* hosts; } rows[] = {
        {"", [](SettingValues&) {}, ""},
        {"[NETWORK]\r\nnwenabled=7\r\nlocalport=70000\r\n", [](SettingValues& v) { v.localport = 4464; }, ""},
        {"[NETWORK]\r\nnwenabled=0\r\n", [](SettingValues& v) { v.nwenabled = 0; }, ""},
        {"[HWCTRL]\r\nextportaddr=12345\r\nopenbyte=1FF\r\nclosebyte=ABC\r\nenableextport=1\r\n",
         [](SettingValues& v) { v.extportaddr = 0x2345; v.closebyte = 0xBC; v.enableextport = 1; }, ""},
        {"[GLOBAL]\r\nwindowrect=10,20\r\n", [](SettingValues& v) { v.windowrect.left = 10; v.windowrect.top = 20; }, ""},
        {"[MAINPANEL]\r\ncw=280,220,64,64,000D,C W\r\n", [](SettingValues& v) { std::strcpy(v.cw.caption, "C"); }, ""},
        {"[MAINPANEL]\r\nsendpause=1,2,3,4\r\nsendfile=9,9,9,9,0041,\r\n",
         [](SettingValues& v) { v.sendpause.x = 1; v.sendpause.y = 2; v.sendpause.width = 3; v.sendpause.height = 4;
                                v.sendfile.x = v.sendfile.y = v.sendfile.width = v.sendfile.height = 9; v.sendfile.key = 0x41; }, ""},
        {"[MAINPANEL]\r\ncw=1,2,3,4,000D," + longCaption + "\r\n",
         [](SettingValues& v) { v.cw.x = 1; v.cw.y = 2; v.cw.width = 3; v.cw.height = 4; std::strcpy(v.cw.caption, std::string(31, 'X').c_str()); }, ""},
        {"[MORSE]\r\n9=00000011,0000001F,0000\r\nA=00000007,0000000F\r\nB=zz\r\nC=\r\n",
         [](SettingValues& v) { v.morseTable[34] = {'9', 0x11, 0x1F, 0}; v.morseTable[0] = {'A', 7, 15, 0x41}; }, ""},
        {"[CW]\r\nshorthit=\r\nlonghit=abc\r\nhitdelay=50\r\nbeepfreq=440.5\r\nbeepvol= 0.5 \r\n",
         [](SettingValues& v) { v.hitdelay = 50; v.beepfreq = 440.5; v.beepvol = 0.5; }, ""},
        {"[JOURNAL]\r\nsendlabeloffset=5\r\nrecvthreshold=0.75\r\nsendperiod=10\r\n",
         [](SettingValues& v) { v.sendlabeloffset.x = 5; v.recvthreshold = 0.75; v.sendperiod = 10; }, ""},
        {"[KOCH]\r\ncharlist=" + std::string(50, 'K') + "\r\nkoch_wordlen=3\r\n",
         [](SettingValues& v) { std::strcpy(v.charlist, std::string(43, 'K').c_str()); v.koch_wordlen = 3; }, ""},
        {"[NETWORK]\r\nhosts=1\r\nhost1=10.0.0.2:3010\r\n", [](SettingValues&) {}, "10.0.0.2:3010 "},
        {"[NETWORK]\r\nhosts=5\r\nhost1=10.0.0.2\r\nhost2=:3010\r\nhost3=10.0.0.3:\r\nhost4=10.0.0.4:3011\r\nhost5= 10.0.0.5 x :3012\r\n",
         [](SettingValues&) {}, "10.0.0.4:3011 10.0.0.5:3012 "},
        {"[NETWORK]\r\nhosts=-1\r\nhost1=10.0.0.2:3010\r\n", [](SettingValues&) {}, ""},
        {"[NETWORK]\r\nhosts=1000000\r\nhost1=1.1.1.1:1\r\n", [](SettingValues&) {}, "1.1.1.1:1 "},
        {"[NETWORK]\r\nhosts=2\r\nhost1=" + longHost + ":3\r\nhost2=1.2.3.4:123456789012\r\n", [](SettingValues&) {},
         nullptr},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        StartFrom(rows[i].ini.c_str());
        SettingValues want = Defaults();
        rows[i].change(want);
        CVardoSetting s;
        EXPECT_EQ(Dump(want), Dump(s)) << "row " << i;
        const std::string cut = std::string(59, 'a') + ":3 1.2.3.4:1234567 ";
        EXPECT_EQ(rows[i].hosts != nullptr ? rows[i].hosts : cut.c_str(), Hosts(s)) << "row " << i;
    }
}

TEST(VardoSetting, HostCountIsBounded) {
    std::string ini = "[NETWORK]\r\nhosts=300\r\n";
    for (int n = 1; n <= 300; ++n) {
        ini += "host" + std::to_string(n) + "=10.0.0.1:" + std::to_string(n) + "\r\n";
    }
    StartFrom(ini.c_str());
    CVardoSetting s;
    ASSERT_EQ(static_cast<size_t>(MAX_HOST_COUNT), s.hosts.size());
    EXPECT_STREQ("256", s.hosts.back().port);
}

TEST(VardoSetting, ThreeHostsToOne) {
    StartFrom(nullptr);
    {
        CVardoSetting s;
        s.hosts = {{"10.0.0.1", "3010"}, {"10.0.0.2", "3011"}, {"10.0.0.3", "3012"}};
    }
    {
        CVardoSetting s;
        EXPECT_EQ("10.0.0.1:3010 10.0.0.2:3011 10.0.0.3:3012 ", Hosts(s));
        s.hosts.resize(1);
    }
    const std::vector<std::string> lines = NonBlankLines(ReadTextFile(kIni));
    for (const char* l : {"hosts=1", "host1=10.0.0.1:3010", "host2=10.0.0.2:3011", "host3=10.0.0.3:3012"}) {
        EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), l)) << "missing line " << l;
    }
    CVardoSetting s;
    EXPECT_EQ("10.0.0.1:3010 ", Hosts(s));
}

TEST(VardoSetting, EveryValueRoundTrips) {
    StartFrom(nullptr);
    SettingValues v = Defaults();
    v.beepfreq = 700.5; v.beepvol = 0.125; v.shorthit = 1; v.longhit = -2; v.hitdelay = 3;
    v.letterdelay = 4; v.worddelay = 5; v.windowrect = {-1, -2, 3000, 4000}; v.sendperiod = 6;
    v.sendidlelimit = 7; v.sendrect = {1, 2, 3, 4}; v.sendlabeloffset = {-8, 9}; v.sendqueuerect = {5, 6, 7, 8};
    v.recvperiod = 10; v.recvidlelimit = 11; v.recvrect = {9, 10, 11, 12}; v.recvlabeloffset = {12, -13};
    v.recvmrect = {13, 14, 15, 16}; v.recvanalyzesamples = 1024; v.recvthreshold = 0.5; v.recvfreqstart = 14;
    v.recvfreqend = 15; v.cw = {1, 2, 3, 4, 0xFFFF, "Key"}; v.sendpause = {5, 6, 7, 8, 0, "P"};
    std::strcpy(v.charlist, "KMRSU"); v.koch_wordlen = 16; v.morseTable[5] = {'F', 0x51, 0x7F, 0x1234};
    v.enableextport = -1; v.extportaddr = 0xFFFF; v.openbyte = 0x12; v.closebyte = 0xFE; v.localport = 65535;
    v.nwenabled = 0;
    {
        CVardoSetting s;
        s.CopyValuesFrom(v);
        s.hosts = {{"192.168.1.7", "3010"}};
    }
    CVardoSetting s;
    EXPECT_EQ(Dump(v), Dump(s));
    EXPECT_EQ("192.168.1.7:3010 ", Hosts(s));
    const std::vector<std::string> lines = NonBlankLines(ReadTextFile(kIni));
    EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), "host1=192.168.1.7:3010"));
    // A missing charlist empties the list even after it was set.
    StartFrom(nullptr);
    s.Load();
    EXPECT_STREQ("", s.charlist);
    // Copies leave the host list alone.
    s.hosts = {{"10.0.0.9", "1"}};
    SettingValues out;
    s.CopyValuesTo(out);
    s.CopyValuesFrom(Defaults());
    EXPECT_EQ(1u, s.hosts.size());
}

}  // namespace
