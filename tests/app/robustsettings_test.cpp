// The station started from a vardo.ini with one bad value: every numeric
// key at 0, -1, the largest int, an empty value and text that is no
// number. Each row builds the store and the station from the file, starts
// it, opens the link with one loopback peer, keys E by hand and from the
// queue, takes a key frame from the network, shuts down in bounded time and
// leaves a file that loads again to the same values.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "app/stationnotice.h"
#include "tests/app/robustkit.h"
#include "tests/app/stationkit.h"

namespace {

enum KeyKind { SCALAR, RECT, POINT, BUTTON };

struct tagKeySpec {
    const char* section;
    const char* key;
    KeyKind kind;
};

const tagKeySpec kKeys[] = {
    {"CW", "beepfreq", SCALAR},         {"CW", "beepvol", SCALAR},
    {"CW", "shorthit", SCALAR},         {"CW", "longhit", SCALAR},
    {"CW", "hitdelay", SCALAR},         {"CW", "letterdelay", SCALAR},
    {"CW", "worddelay", SCALAR},        {"GLOBAL", "windowrect", RECT},
    {"JOURNAL", "sendperiod", SCALAR},  {"JOURNAL", "sendidlelimit", SCALAR},
    {"JOURNAL", "sendrect", RECT},      {"JOURNAL", "sendlabeloffset", POINT},
    {"JOURNAL", "sendqueuerect", RECT}, {"JOURNAL", "recvperiod", SCALAR},
    {"JOURNAL", "recvidlelimit", SCALAR}, {"JOURNAL", "recvrect", RECT},
    {"JOURNAL", "recvlabeloffset", POINT}, {"JOURNAL", "recvmrect", RECT},
    {"JOURNAL", "recvanalyzesamples", SCALAR}, {"JOURNAL", "recvthreshold", SCALAR},
    {"JOURNAL", "recvfreqstart", SCALAR}, {"JOURNAL", "recvfreqend", SCALAR},
    {"MAINPANEL", "cw", BUTTON},        {"MAINPANEL", "sendpause", BUTTON},
    {"MAINPANEL", "sendfile", BUTTON},  {"MAINPANEL", "autokeyswitch", BUTTON},
    {"KOCH", "koch_wordlen", SCALAR},   {"HWCTRL", "enableextport", SCALAR},
    {"HWCTRL", "extportaddr", SCALAR},  {"HWCTRL", "openbyte", SCALAR},
    {"HWCTRL", "closebyte", SCALAR},    {"NETWORK", "localport", SCALAR},
    {"NETWORK", "nwenabled", SCALAR},   {"NETWORK", "hosts", SCALAR},
};

const char* const kGarbage = "x!7 not a number";

// The value text of a key for one of the five bad numbers (index 0-4).
std::string BadValue(KeyKind kind, int which) {
    static const char* const numbers[] = {"0", "-1", "2147483647"};
    if (which == 3) {
        return "";
    }
    if (which == 4) {
        return kGarbage;
    }
    const std::string n = numbers[which];
    switch (kind) {
    case RECT:
        return n + "," + n + "," + n + "," + n;
    case POINT:
        return n + "," + n;
    case BUTTON:
        // The key field is hexadecimal; the caption stays a word.
        return n + "," + n + "," + n + "," + n + "," + n + ",Bad";
    default:
        return n;
    }
}

struct tagRow {
    std::string section;
    std::string key;
    std::string value;
};

std::vector<tagRow> AllRows() {
    std::vector<tagRow> rows;
    for (const tagKeySpec& k : kKeys) {
        for (int which = 0; which < 5; ++which) {
            rows.push_back(tagRow{k.section, k.key, BadValue(k.kind, which)});
        }
    }
    // Extents that overflow a difference of 32-bit coordinates, and offsets
    // that overflow a sum.
    const char* const wide = "-2147483648,-2147483648,2147483647,2147483647";
    for (const char* key : {"sendrect", "sendqueuerect", "recvrect", "recvmrect"}) {
        rows.push_back(tagRow{"JOURNAL", key, wide});
    }
    rows.push_back(tagRow{"JOURNAL", "sendlabeloffset", "-2147483648,-2147483648"});
    rows.push_back(tagRow{"JOURNAL", "recvlabeloffset", "-2147483648,-2147483648"});
    rows.push_back(tagRow{"MAINPANEL", "cw", "2147483647,2147483647,2147483647,2147483647,000D,CW"});
    rows.push_back(tagRow{"MAINPANEL", "cw", "-2147483648,-2147483648,-1,-1,000D,CW"});
    return rows;
}

// The file of one row: the row's key, on top of networking on a free port
// with the peer as the one host.
std::string IniText(const tagRow& row, uint16_t peerPort) {
    std::map<std::string, std::map<std::string, std::string>> sections;
    sections["NETWORK"]["localport"] = "0";
    sections["NETWORK"]["nwenabled"] = "1";
    sections["NETWORK"]["hosts"] = "1";
    sections["NETWORK"]["host1"] = "127.0.0.1:" + std::to_string(peerPort);
    sections[row.section][row.key] = row.value;
    std::string text;
    for (const auto& s : sections) {
        text += "[" + s.first + "]\n";
        for (const auto& kv : s.second) {
            text += kv.first + "=" + kv.second + "\n";
        }
    }
    return text;
}

bool Is(const tagRow& row, const char* key) { return row.key == key; }

// Whether the row leaves the peer in the host list: hosts=0, -1, empty or
// text lists nobody.
bool PeerListed(const tagRow& row) {
    return !Is(row, "hosts") || row.value == "2147483647";
}

// A row whose local port is fixed (3010, 65535) may find it taken; the
// operator is then warned and the station runs without the link.
bool PortMayBeTaken(const tagRow& row) { return Is(row, "localport") && row.value != "0"; }

void RunRow(size_t index, const tagRow& row) {
    const std::string what = "row " + std::to_string(index) + " [" + row.section + "] " + row.key + "=" + row.value;
    SCOPED_TRACE(what);
    CWatchdog rowWatchdog(what, 4 * ROBUST_BOUND_MS);
    CLoopbackPeer peer;
    ASSERT_TRUE(peer.IsOpen());
    ASSERT_TRUE(WriteIniFile(IniText(row, peer.Port())));
    int notices = 0;
    SetStationNoticeHook([&](void*, int) { ++notices; });

    std::unique_ptr<CLoadedStation> rig(new CLoadedStation());
    CVardoMainWindow* station = rig->Station();
    ASSERT_NE(nullptr, station);
    ASSERT_EQ(1, station->Start());
    const int netUp = station->EnableNetwork();
    if (Is(row, "nwenabled") && row.value == "0") {
        EXPECT_EQ(0, netUp);
        EXPECT_EQ(0, notices);
    } else if (PortMayBeTaken(row) && !netUp) {
        EXPECT_EQ(1, notices) << "a link that did not open is reported";
    } else {
        EXPECT_EQ(1, netUp);
    }

    // E by hand on the CW key (Enter, unless the row moved the key), then
    // E from the queue.
    const int cwKey = rig->Settings().cw.key;
    station->HandleMessage(VD_WM_KEYDOWN, static_cast<VdWParam>(VD_VK_RETURN), 0);
    station->HandleMessage(VD_WM_KEYUP, static_cast<VdWParam>(VD_VK_RETURN), 0);
    EXPECT_EQ(0, station->IsKeyDown());
    station->EnqueueText("E", 1, 0);
    // Every control paints once from its rectangle, as the window's first
    // paint does.
    if (station->GetHost() != nullptr) {
        station->GetHost()->Invalidate(nullptr);
    }
    station->HandleMessage(VD_WM_PAINT, 0, 0);
    PumpStationMessages();
    if (station->IsSidetoneReady()) {
        const int want = cwKey == VD_VK_RETURN ? 2 : 1;
        EXPECT_TRUE(CStationRig::WaitUntil([&] { return rig->ToneOnCount() >= want; }, ROBUST_BOUND_MS))
            << "tone on " << rig->ToneOnCount() << " times";
    }

    const bool peerExpected = netUp && PeerListed(row);
    if (peerExpected) {
        EXPECT_TRUE(peer.WaitForFrames(1, ROBUST_BOUND_MS)) << "the peer heard no keying";
    }

    // A peer keys this station.
    if (netUp) {
        const uint16_t port = station->GetNetworkLink()->GetBoundPort();
        ASSERT_NE(0, port);
        CDatagramSender remote;
        ASSERT_TRUE(remote.IsOpen());
        EXPECT_TRUE(remote.SendKey(port, 1));
        EXPECT_TRUE(CStationRig::WaitUntil([&] { return station->IsRemoteKeyDown() == 1; }, ROBUST_BOUND_MS));
        EXPECT_TRUE(remote.SendKey(port, 0));
        EXPECT_TRUE(CStationRig::WaitUntil([&] { return station->IsRemoteKeyDown() == 0; }, ROBUST_BOUND_MS));
    }

    rig->DestroyStation(what);
    if (peerExpected) {
        // The keying ended with the key up, as the peer heard it.
        CStationRig::WaitUntil([&] { return !peer.Frames().empty() && (peer.Frames().back().nKey & 1u) == 0; }, 2000);
        const std::vector<tagPeerFrame> frames = peer.Frames();
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(0u, frames.back().nKey & 1u) << "the last of " << frames.size() << " frames left the peer keyed";
    }

    // The store saves on deletion; the file loads again to the same values.
    SettingValues saved{};
    rig->Settings().CopyValuesTo(saved);
    const std::vector<tagHostNode> savedHosts = rig->Settings().hosts;
    rig.reset();
    SetStationNoticeHook(StationNoticeHook());
    CVardoSetting reloaded;
    SettingValues again{};
    reloaded.CopyValuesTo(again);
    EXPECT_EQ("", DiffSettingValues(saved, again));
    EXPECT_EQ("", DiffHosts(savedHosts, reloaded.hosts));
}

}  // namespace

// One test per key, so that a fault names its key.
class RobustSettings : public ::testing::TestWithParam<const char*> {};

TEST_P(RobustSettings, BadValuesStartRunAndStop) {
    const std::vector<tagRow> rows = AllRows();
    int ran = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].key != GetParam()) {
            continue;
        }
        RunRow(i, rows[i]);
        ++ran;
        if (HasFatalFailure()) {
            return;
        }
    }
    EXPECT_GE(ran, 5);
}

INSTANTIATE_TEST_SUITE_P(Keys, RobustSettings,
                         ::testing::Values("beepfreq", "beepvol", "shorthit", "longhit", "hitdelay", "letterdelay",
                                           "worddelay", "windowrect", "sendperiod", "sendidlelimit", "sendrect",
                                           "sendlabeloffset", "sendqueuerect", "recvperiod", "recvidlelimit",
                                           "recvrect", "recvlabeloffset", "recvmrect", "recvanalyzesamples",
                                           "recvthreshold", "recvfreqstart", "recvfreqend", "cw", "sendpause",
                                           "sendfile", "autokeyswitch", "koch_wordlen", "enableextport",
                                           "extportaddr", "openbyte", "closebyte", "localport", "nwenabled",
                                           "hosts"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });
