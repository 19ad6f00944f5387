// A reader thread snapshots the store while the window thread replaces the
// values: every snapshot must be one whole record, never a mix.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "inifiles.h"
#include "settings/vardosetting.h"

namespace {

SettingValues Generation(int32_t g) {
    SettingValues v;
    SetDefaultSettingValues(&v);
    v.shorthit = v.longhit = v.hitdelay = v.letterdelay = v.worddelay = g;
    v.sendperiod = v.recvperiod = g;
    v.morseTable[MORSE_CODE_COUNT - 1].nCode = g;
    v.nwenabled = g & 1;
    return v;
}

bool Whole(const SettingValues& v) {
    const int32_t g = v.shorthit;
    return v.longhit == g && v.hitdelay == g && v.letterdelay == g && v.worddelay == g &&
           v.sendperiod == g && v.recvperiod == g && v.morseTable[MORSE_CODE_COUNT - 1].nCode == g &&
           v.nwenabled == (g & 1);
}

TEST(StoreLock, SnapshotsAreWhole) {
    RemoveIniFile("./vardo.ini");
    CVardoSetting store;
    store.CopyValuesFrom(Generation(0));
    std::atomic<int32_t> stop{0};
    std::atomic<int32_t> torn{0};
    std::atomic<int32_t> reads{0};
    std::thread reader([&] {
        while (stop.load() == 0 || reads.load() < 1000) {
            SettingValues snap;
            store.CopyValuesTo(snap);
            torn += Whole(snap) ? 0 : 1;
            ++reads;
        }
    });
    for (int32_t g = 1; g <= 20000; ++g) {
        store.CopyValuesFrom(Generation(g));
    }
    stop = 1;
    reader.join();
    EXPECT_EQ(0, torn.load()) << "of " << reads.load() << " snapshots";
    SettingValues last;
    store.CopyValuesTo(last);
    EXPECT_EQ(20000, last.shorthit);
}

}  // namespace
