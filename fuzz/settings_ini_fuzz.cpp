// Fuzz target: a whole vardo.ini text given to the settings store. Loading
// must never write outside a field, every text member must stay terminated,
// the host list must stay bounded, and what Save writes must load again to
// the same values.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "settings/vardosetting.h"

namespace {

void WriteIni(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(VARDO_INI_FILE, "wb");
    if (!f) std::abort();
    if (size) std::fwrite(data, 1, size, f);
    std::fclose(f);
}

void Require(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool Terminated(const char* s, size_t n) { return std::memchr(s, 0, n) != nullptr; }

void CheckInvariants(const CVardoSetting& s) {
    Require(Terminated(s.charlist, sizeof s.charlist), "charlist terminated");
    for (const tagPanelButton* b : {&s.cw, &s.sendpause, &s.sendfile, &s.autokeyswitch})
        Require(Terminated(b->caption, sizeof b->caption), "caption terminated");
    Require(s.hosts.size() <= static_cast<size_t>(MAX_HOST_COUNT), "host count bounded");
    for (const tagHostNode& h : s.hosts) {
        Require(Terminated(h.host, sizeof h.host), "host terminated");
        Require(Terminated(h.port, sizeof h.port), "port terminated");
    }
    Require(s.nwenabled == 0 || s.nwenabled == 1, "nwenabled is 0 or 1");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WriteIni(data, size);
    SettingValues first{};
    std::vector<tagHostNode> firstHosts;
    {
        CVardoSetting s;  // loads the fuzzed file, saves on destruction
        CheckInvariants(s);
    }
    {
        CVardoSetting s;  // loads what the first one saved
        CheckInvariants(s);
        s.CopyValuesTo(first);
        firstHosts = s.hosts;
    }
    {
        // A file the store wrote itself is stable: saving and loading it
        // again changes nothing.
        CVardoSetting s;
        SettingValues again{};
        s.CopyValuesTo(again);
        Require(std::memcmp(&first.shorthit, &again.shorthit, sizeof(int32_t) * 5) == 0, "timing stable");
        Require(std::memcmp(&first.windowrect, &again.windowrect, sizeof(VdRect)) == 0, "window rect stable");
        Require(std::memcmp(first.morseTable, again.morseTable, sizeof first.morseTable) == 0, "morse table stable");
        Require(std::strcmp(first.cw.caption, again.cw.caption) == 0, "caption stable");
        Require(std::strcmp(first.charlist, again.charlist) == 0, "charlist stable");
        Require(first.localport == again.localport && first.nwenabled == again.nwenabled, "network stable");
        Require(firstHosts.size() == s.hosts.size(), "host count stable");
    }
    return 0;
}
