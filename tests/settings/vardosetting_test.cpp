// The settings store against ./vardo.ini: the file a default run writes,
// loading malformed and out-of-range values, the host list, and the round
// trip of every value.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>

#include "inifiles.h"
#include "settings/vardosetting.h"

namespace {

const char* const kIni = "./vardo.ini";

template <size_t N>
std::string Text(const char (&s)[N]) { return std::string(s, strnlen(s, N)); }

std::string Dump(const SettingValues& v) {
    std::ostringstream o;
    auto r = [&o](const VdRect& x) { o << x.left << ',' << x.top << ',' << x.right << ',' << x.bottom << ' '; };
    auto p = [&o](const VdPoint& x) { o << x.x << ',' << x.y << ' '; };
    auto b = [&o](const tagPanelButton& x) { o << x.x << ',' << x.y << ',' << x.width << ',' << x.height << ',' << x.key << ',' << Text(x.caption) << ' '; };
    o << v.beepfreq << ' ' << v.beepvol << ' ' << v.shorthit << ' ' << v.longhit << ' ' << v.hitdelay << ' '
      << v.letterdelay << ' ' << v.worddelay << ' ' << v.effectivewpm << ' ' << v.edgems << ' ';
    r(v.windowrect);
    o << v.sendperiod << ' ' << v.sendidlelimit << ' ';
    r(v.sendrect), p(v.sendlabeloffset), r(v.sendqueuerect);
    o << v.recvperiod << ' ' << v.recvidlelimit << ' ';
    r(v.recvrect), p(v.recvlabeloffset), r(v.recvmrect);
    o << v.recvanalyzesamples << ' ' << v.recvthreshold << ' ' << v.recvfreqstart << ' ' << v.recvfreqend << ' ';
    o << v.recvadaptive << ' ' << v.recvsearchstart << ' ' << v.recvsearchend << ' ';
    b(v.cw), b(v.sendpause), b(v.sendfile), b(v.autokeyswitch);
    o << '[' << Text(v.charlist) << "] " << v.koch_wordlen << ' ' << v.koch_weighted << ' ';
    for (const tagMorseCode& c : v.morseTable) o << c.nChar << ':' << c.nCode << ':' << c.nMask << ':' << c.nVKey << ' ';
    o << v.enableextport << ' ' << v.extportaddr << ' ' << int{v.openbyte} << ' ' << int{v.closebyte} << ' '
      << v.serialkey << ' ' << v.serialport << ' ' << v.serialline << ' ' << v.serialinvert << ' ' << v.serialptt
      << ' ' << v.pttlead << ' ' << v.ptttail << ' ' << v.pttinvert << ' ' << v.localport << ' ' << v.nwenabled;
    return o.str();
}

std::string Hosts(const CVardoSetting& s) {
    std::string out;
    for (const tagHostNode& h : s.hosts) out += Text(h.host) + ":" + Text(h.port) + " ";
    return out;
}

SettingValues Defaults() {
    SettingValues v;
    SetDefaultSettingValues(&v);
    return v;
}

TEST(VardoSetting, DefaultFile) {
    std::remove(kIni);
    { CVardoSetting s; }
    const std::string lines = CrLfLines(ReadTextFile(kIni));
    const char* const head =
        "[CW]|beepfreq=1000.000000|beepvol=0.250000|shorthit=80|longhit=240|hitdelay=80|letterdelay=240|"
        "worddelay=240|effectivewpm=0|edgems=0|[GLOBAL]|windowrect=0,0,360,480|[JOURNAL]|sendperiod=27|sendidlelimit=750|"
        "sendrect=5,160,348,192|sendlabeloffset=0,-56|sendqueuerect=5,192,348,203|recvperiod=27|"
        "recvidlelimit=750|recvrect=5,64,348,96|recvlabeloffset=0,-56|recvmrect=50,10,306,58|"
        "recvanalyzesamples=512|recvthreshold=0.300000|recvfreqstart=850|recvfreqend=1250|recvadaptive=1|"
        "recvlog=0|recvsearchstart=200|recvsearchend=3000|[MAINPANEL]|"
        "cw=280,220,64,64,000D,CW|sendpause=50,104,50,12,0074,Pause|sendfile=108,104,50,12,0075,File...|"
        "autokeyswitch=166,104,50,12,0009,Manual|[KOCH]|charlist=|koch_wordlen=5|koch_weighted=0|kochsidetoneonly=1|[MORSE]|"
        "A=00000002,00000003,0041|B=00000007,0000000F,0042|";
    const std::string tail =
        "|?=00000033,0000003F,0000|/=0000000D,0000001F,006F|(=00000009,0000001F,0000|)=00000012,0000003F,0000|"
        "-=0000001E,0000003F,006D|.=0000002A,0000003F,006E|_=00000000,00000000,0020|[HWCTRL]|"
        "enableextport=00000000|extportaddr=00000378|openbyte=000000FF|closebyte=00000000|serialkey=0|"
        "serialport=1|serialline=0|serialinvert=0|serialptt=0|pttlead=50|ptttail=300|pttinvert=0|[NETWORK]|"
        "nwenabled=1|localport=3010|hosts=0|";
    EXPECT_EQ(0u, lines.find(head)) << lines;
    ASSERT_GT(lines.size(), tail.size());
    EXPECT_EQ(tail, lines.substr(lines.size() - tail.size())) << lines;
    const size_t morse = lines.find("[MORSE]|"), hw = lines.find("[HWCTRL]|");
    EXPECT_EQ(43, std::count(lines.begin() + morse + 8, lines.begin() + hw, '|'));
    CVardoSetting back;
    EXPECT_EQ(Dump(Defaults()), Dump(back));
    EXPECT_EQ("", Hosts(back));
}

TEST(VardoSetting, LoadsFileValues) {
    const std::string many = "[NETWORK]\r\nhosts=1000000\r\nhost1=1.1.1.1:1\r\n";
    const struct { std::string ini; std::function<void(SettingValues&)> change; std::string hosts; } rows[] = {
        {"", [](SettingValues&) {}, ""},
        {"[NETWORK]\r\nnwenabled=7\r\nlocalport=70000\r\n", [](SettingValues& v) { v.localport = 4464; }, ""},
        {"[NETWORK]\r\nnwenabled=0\r\n", [](SettingValues& v) { v.nwenabled = 0; }, ""},
        {"[HWCTRL]\r\nextportaddr=12345\r\nopenbyte=1FF\r\nclosebyte=ABC\r\nenableextport=1\r\n",
         [](SettingValues& v) { v.extportaddr = 0x2345, v.closebyte = 0xBC, v.enableextport = 1; }, ""},
        {"[HWCTRL]\r\nserialkey=5\r\nserialport=12\r\nserialline=1\r\nserialinvert=1\r\nserialptt=1\r\n"
         "pttlead=20\r\nptttail=x\r\n", [](SettingValues& v) {
             v.serialkey = 1, v.serialport = 12, v.serialline = 1, v.serialinvert = 1, v.serialptt = 1, v.pttlead = 20;
             v.pttinvert = 1; }, ""},
        // A file from before the PTT had a polarity of its own: the PTT
        // keeps the key line's; one that has it keeps its own either way.
        {"[HWCTRL]\r\nserialinvert=1\r\n", [](SettingValues& v) { v.serialinvert = 1, v.pttinvert = 1; }, ""},
        {"[HWCTRL]\r\nserialinvert=1\r\npttinvert=0\r\n", [](SettingValues& v) { v.serialinvert = 1; }, ""},
        {"[HWCTRL]\r\npttinvert=3\r\n", [](SettingValues& v) { v.pttinvert = 1; }, ""},
        {"[GLOBAL]\r\nwindowrect=10,20\r\n", [](SettingValues& v) { v.windowrect.left = 10, v.windowrect.top = 20; }, ""},
        {"[MAINPANEL]\r\ncw=280,220,64,64,000D,C W\r\n", [](SettingValues& v) { std::strcpy(v.cw.caption, "C"); }, ""},
        {"[MAINPANEL]\r\nsendpause=1,2,3,4\r\nsendfile=9,9,9,9,0041,\r\n", [](SettingValues& v) {
             v.sendpause.x = 1, v.sendpause.y = 2, v.sendpause.width = 3, v.sendpause.height = 4;
             v.sendfile.x = v.sendfile.y = v.sendfile.width = v.sendfile.height = 9, v.sendfile.key = 0x41; }, ""},
        {"[MAINPANEL]\r\ncw=1,2,3,4,000D," + std::string(40, 'X') + "\r\n", [](SettingValues& v) {
             v.cw.x = 1, v.cw.y = 2, v.cw.width = 3, v.cw.height = 4, std::strcpy(v.cw.caption, std::string(31, 'X').c_str()); }, ""},
        {"[MORSE]\r\n9=00000011,0000001F,0000\r\nA=00000007,0000000F\r\nB=zz\r\nC=\r\n",
         [](SettingValues& v) { v.morseTable[34] = {'9', 0x11, 0x1F, 0}, v.morseTable[0] = {'A', 7, 15, 0x41}; }, ""},
        {"[CW]\r\nshorthit=\r\nlonghit=abc\r\nhitdelay=50\r\nbeepfreq=440.5\r\n",
         [](SettingValues& v) { v.hitdelay = 50, v.beepfreq = 440.5; }, ""},
        {"[CW]\r\nedgems=5\r\n", [](SettingValues& v) { v.edgems = 5; }, ""},
        // Both orders of the two newest [CW] keys load alike.
        {"[CW]\r\neffectivewpm=15\r\nedgems=4\r\n", [](SettingValues& v) { v.effectivewpm = 15, v.edgems = 4; }, ""},
        {"[CW]\r\nedgems=4\r\neffectivewpm=15\r\n", [](SettingValues& v) { v.effectivewpm = 15, v.edgems = 4; }, ""},
        {"[KOCH]\r\nkochsidetoneonly=0\r\n", [](SettingValues& v) { v.kochsidetoneonly = 0; }, ""},
        {"[KOCH]\r\nkochsidetoneonly=7\r\n", [](SettingValues&) {}, ""},
        // A file from before the option (no key) keeps the radio out of training.
        {"[KOCH]\r\ncharlist=KM\r\nkoch_wordlen=5\r\nkoch_weighted=0\r\n",
         [](SettingValues& v) { std::strcpy(v.charlist, "KM"); }, ""},
        {"[JOURNAL]\r\nsendlabeloffset=5\r\nrecvthreshold=0.75\r\n", [](SettingValues& v) { v.sendlabeloffset.x = 5, v.recvthreshold = 0.75; }, ""},
        {"[KOCH]\r\ncharlist=" + std::string(50, 'K') + "\r\nkoch_wordlen=3\r\n",
         [](SettingValues& v) { std::strcpy(v.charlist, std::string(43, 'K').c_str()), v.koch_wordlen = 3; }, ""},
        {"[CW]\r\neffectivewpm=12\r\n[KOCH]\r\nkoch_weighted=1\r\n",
         [](SettingValues& v) { v.effectivewpm = 12, v.koch_weighted = 1; }, ""},
        {"[NETWORK]\r\nhosts=1\r\nhost1=10.0.0.2:3010\r\n", [](SettingValues&) {}, "10.0.0.2:3010 "},
        {"[NETWORK]\r\nhosts=5\r\nhost1=10.0.0.2\r\nhost2=:3010\r\nhost3=10.0.0.3:\r\nhost4=10.0.0.4:3011\r\n"
         "host5= 10.0.0.5 x :3012\r\n", [](SettingValues&) {}, "10.0.0.4:3011 10.0.0.5:3012 "},
        {"[NETWORK]\r\nhosts=-1\r\nhost1=10.0.0.2:3010\r\n", [](SettingValues&) {}, ""},
        {many, [](SettingValues&) {}, "1.1.1.1:1 "},
        {"[NETWORK]\r\nhosts=2\r\nhost1=" + std::string(61, 'a') + ":3\r\nhost2=1.2.3.4:123456789012\r\n",
         [](SettingValues&) {}, std::string(59, 'a') + ":3 1.2.3.4:1234567 "},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        WriteTextFile(kIni, rows[i].ini);
        SettingValues want = Defaults();
        rows[i].change(want);
        CVardoSetting s;
        EXPECT_EQ(Dump(want), Dump(s)) << "row " << i;
        EXPECT_EQ(rows[i].hosts, Hosts(s)) << "row " << i;
    }
    std::string ini = "[NETWORK]\r\nhosts=300\r\n";
    for (int n = 1; n <= 300; ++n) ini += "host" + std::to_string(n) + "=10.0.0.1:" + std::to_string(n) + "\r\n";
    WriteTextFile(kIni, ini);
    CVardoSetting s;
    ASSERT_EQ(static_cast<size_t>(MAX_HOST_COUNT), s.hosts.size());
    EXPECT_STREQ("256", s.hosts.back().port);
}

TEST(VardoSetting, ThreeHostsToOne) {
    std::remove(kIni);
    { CVardoSetting s; s.hosts = {{"10.0.0.1", "3010"}, {"10.0.0.2", "3011"}, {"10.0.0.3", "3012"}}; }
    {
        CVardoSetting s;
        EXPECT_EQ("10.0.0.1:3010 10.0.0.2:3011 10.0.0.3:3012 ", Hosts(s));
        s.hosts.resize(1);
    }
    const std::string lines = CrLfLines(ReadTextFile(kIni));
    EXPECT_NE(std::string::npos, lines.find("|hosts=1|host1=10.0.0.1:3010|host2=10.0.0.2:3011|host3=10.0.0.3:3012|")) << lines;
    CVardoSetting s;
    EXPECT_EQ("10.0.0.1:3010 ", Hosts(s));
}

TEST(VardoSetting, AnOldFileGetsTheNewKeysAtTheEndOfTheirSections) {
    // Saved before the speed, edge and training keys existed, and one with
    // the two [CW] keys the other way round: each keeps its lines and the
    // missing keys follow at the end of their sections, the later added
    // last.
    const struct { const char* ini; const char* cw; const char* koch; } rows[] = {
        {"[CW]\r\nbeepfreq=800.000000\r\nworddelay=300\r\n[KOCH]\r\ncharlist=KM\r\nkoch_wordlen=4\r\n",
         "[CW]|beepfreq=800.000000|worddelay=300|beepvol=0.250000|shorthit=80|longhit=240|hitdelay=80|"
         "letterdelay=240|effectivewpm=0|edgems=0|[KOCH]",
         "[KOCH]|charlist=KM|koch_wordlen=4|koch_weighted=0|kochsidetoneonly=1|[GLOBAL]"},
        {"[CW]\r\nedgems=3\r\neffectivewpm=12\r\n[KOCH]\r\nkochsidetoneonly=0\r\ncharlist=KM\r\n",
         "[CW]|edgems=3|effectivewpm=12|beepfreq=1000.000000|beepvol=0.250000|shorthit=80|longhit=240|"
         "hitdelay=80|letterdelay=240|worddelay=240|[KOCH]",
         "[KOCH]|kochsidetoneonly=0|charlist=KM|koch_wordlen=5|koch_weighted=0|[GLOBAL]"},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        WriteTextFile(kIni, rows[i].ini);
        { CVardoSetting s; }
        const std::string lines = CrLfLines(ReadTextFile(kIni));
        EXPECT_EQ(0u, lines.find(rows[i].cw)) << "row " << i << ": " << lines;
        EXPECT_NE(std::string::npos, lines.find(rows[i].koch)) << "row " << i << ": " << lines;
    }
}

TEST(VardoSetting, EveryValueRoundTrips) {
    std::remove(kIni);
    SettingValues v = Defaults();
    v.beepfreq = 700.5, v.beepvol = 0.125, v.shorthit = 1, v.longhit = -2, v.hitdelay = 3, v.letterdelay = 4;
    v.worddelay = 5, v.edgems = 7, v.windowrect = {-1, -2, 3000, 4000}, v.sendperiod = 6, v.sendidlelimit = 7;
    v.sendrect = {1, 2, 3, 4}, v.sendlabeloffset = {-8, 9}, v.sendqueuerect = {5, 6, 7, 8}, v.recvperiod = 10;
    v.recvidlelimit = 11, v.recvrect = {9, 10, 11, 12}, v.recvlabeloffset = {12, -13}, v.recvmrect = {13, 14, 15, 16};
    v.recvanalyzesamples = 1024, v.recvthreshold = 0.5, v.recvfreqstart = 14, v.recvfreqend = 15;
    v.recvadaptive = 0, v.recvsearchstart = 17, v.recvsearchend = 4000;
    v.cw = {1, 2, 3, 4, 0xFFFF, "Key"}, v.sendpause = {5, 6, 7, 8, 0, "P"}, v.koch_wordlen = 16;
    v.effectivewpm = 9, v.koch_weighted = 1, v.kochsidetoneonly = 0;
    std::strcpy(v.charlist, "KMRSU"), v.morseTable[5] = {'F', 0x51, 0x7F, 0x1234}, v.enableextport = -1;
    v.extportaddr = 0xFFFF, v.openbyte = 0x12, v.closebyte = 0xFE, v.localport = 65535, v.nwenabled = 0;
    v.serialinvert = 1, v.pttinvert = 0;
    {
        CVardoSetting s;
        s.CopyValuesFrom(v);
        s.hosts = {{"192.168.1.7", "3010"}};
    }
    CVardoSetting s;
    EXPECT_EQ(Dump(v), Dump(s));
    EXPECT_EQ("192.168.1.7:3010 ", Hosts(s));
    std::remove(kIni);  // a missing charlist empties the list even once set
    s.Load();
    EXPECT_STREQ("", s.charlist);
    s.hosts = {{"10.0.0.9", "1"}};  // copies leave the host list alone
    SettingValues out;
    s.CopyValuesTo(out);
    s.CopyValuesFrom(Defaults());
    EXPECT_EQ("10.0.0.9:1 ", Hosts(s));
}

}  // namespace
