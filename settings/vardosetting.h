// The settings store: every setting of the program, its defaults, and its
// persistence in ./vardo.ini. One instance per process, reached through
// g_pSetting.
//
// Threads: the members are public and the window thread reads them
// directly. Worker threads that run while the settings dialog may replace
// the values read a snapshot taken with CopyValuesTo instead; CopyValuesTo
// and CopyValuesFrom hold the store's mutex, so a snapshot is never a
// half-written record.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "morse/morsecode.h"
#include "ui/vdtypes.h"

// One button of the main panel; key is the virtual-key code that presses it.
struct tagPanelButton {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    int32_t key;
    char caption[32];  // NUL-terminated, at most 31 characters
};

// One peer station as typed by the user; the network link interprets it.
struct tagHostNode {
    char host[60];  // dotted IPv4 address, NUL-terminated
    char port[8];   // decimal UDP port, NUL-terminated
};

constexpr int PANEL_CAPTION_SIZE = 32;
constexpr int HOST_TEXT_SIZE = 60;
constexpr int PORT_TEXT_SIZE = 8;
constexpr int KOCH_CHARLIST_SIZE = 44;
// The "hosts" count read from the file is bounded by this many peers.
constexpr int MAX_HOST_COUNT = 256;

// Every value of the store except the host list, in declaration order.
struct SettingValues {
    // "CW"
    double beepfreq;
    double beepvol;
    int32_t shorthit;
    int32_t longhit;
    int32_t hitdelay;
    int32_t letterdelay;
    int32_t worddelay;
    // Farnsworth speed in WPM: below the speed of the durations above, the
    // gaps between characters and words are lengthened to it; 0 is off.
    int32_t effectivewpm;
    // Rise and fall of keyed tones in ms, 0 (abrupt) to 10.
    int32_t edgems;
    // "GLOBAL"
    VdRect windowrect;
    // "JOURNAL"
    int32_t sendperiod;
    int32_t sendidlelimit;
    VdRect sendrect;
    VdPoint sendlabeloffset;
    VdRect sendqueuerect;
    int32_t recvperiod;
    int32_t recvidlelimit;
    VdRect recvrect;
    VdPoint recvlabeloffset;
    VdRect recvmrect;
    int32_t recvanalyzesamples;
    double recvthreshold;
    int32_t recvfreqstart;
    int32_t recvfreqend;
    // Receiver: 1 the adaptive receiver (the default, also when the key is
    // missing), 0 the fixed-threshold detector.
    int32_t recvadaptive;
    int32_t recvlog;       // nonzero: decoded text appended to vardorecv.txt
    // The band the adaptive receiver searches for the keyed tone, in Hz
    // (recvfreqstart/recvfreqend stay the fixed detector's).
    int32_t recvsearchstart;
    int32_t recvsearchend;
    // "MAINPANEL"
    tagPanelButton cw;
    tagPanelButton sendpause;
    tagPanelButton sendfile;
    tagPanelButton autokeyswitch;
    // "KOCH"
    char charlist[KOCH_CHARLIST_SIZE];
    int32_t koch_wordlen;
    // Nonzero: Koch groups draw characters with recent errors more often.
    int32_t koch_weighted;
    // Nonzero (the default): Koch practice and the copy dialog sound the
    // sidetone only and never key the radio (I/O port, serial key, PTT).
    int32_t kochsidetoneonly;
    // "MORSE"
    tagMorseCode morseTable[MORSE_CODE_COUNT];
    // "HWCTRL"
    int32_t enableextport;
    uint16_t extportaddr;
    uint8_t openbyte;
    uint8_t closebyte;
    // Serial key line: COMn's DTR or RTS follows the key (either, both or
    // neither of this and the I/O port); the other line may be the PTT.
    int32_t serialkey;     // nonzero: key through the serial port
    int32_t serialport;    // n of COMn, 1 to 256
    int32_t serialline;    // 0 DTR keys, 1 RTS keys
    int32_t serialinvert;  // nonzero: lines asserted while released
    int32_t serialptt;     // nonzero: the other line is the PTT
    int32_t pttlead;       // ms of PTT before the sender's first element
    int32_t ptttail;       // ms of PTT after the last key-up
    int32_t pttinvert;     // nonzero: PTT asserted while off (default: as serialinvert)
    // "NETWORK"
    uint16_t localport;
    int32_t nwenabled;
};

// Writes the built-in defaults (charlist empty, the default Morse table).
void SetDefaultSettingValues(SettingValues* values);

class CVardoSetting : public SettingValues {
public:
    // Sets the defaults, then loads ./vardo.ini.
    CVardoSetting();
    // Saves to ./vardo.ini.
    virtual ~CVardoSetting();

    CVardoSetting(const CVardoSetting&) = delete;
    CVardoSetting& operator=(const CVardoSetting&) = delete;

    // Reads every setting; values missing from the file keep their current
    // value (except charlist, which is empty when missing). Returns 1.
    virtual int Load();
    // Writes every setting into a copy of the file that then replaces it.
    // Nonzero on success; on failure the file on disk is left as it was.
    virtual int Save();
    // Snapshot of every value but the host list, taken under the lock.
    virtual int CopyValuesTo(SettingValues& out) const;
    // Replaces every value but the host list, under the lock.
    virtual int CopyValuesFrom(const SettingValues& in);

    // The peers, read and assigned as a whole by the window thread.
    std::vector<tagHostNode> hosts;

private:
    mutable std::mutex m_mutex;
};

// The process's settings store (created and deleted by the entry).
extern CVardoSetting* g_pSetting;

// The file name every access uses.
extern const char* const VARDO_INI_FILE;
