// A reader thread snapshots the store while the window thread replaces the
// values: every snapshot must be one whole record, never a mix.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <thread>

#include "settings/vardosetting.h"

namespace {

TEST(StoreLock, SnapshotsAreWhole) {
    std::remove("./vardo.ini");
    CVardoSetting store;
    SettingValues v;
    SetDefaultSettingValues(&v);
    auto generation = [&v](int32_t g) {
        v.shorthit = v.longhit = v.worddelay = v.recvperiod = v.morseTable[MORSE_CODE_COUNT - 1].nCode = g;
        v.nwenabled = g & 1;
        return v;
    };
    store.CopyValuesFrom(generation(0));
    std::atomic<int32_t> stop{0}, torn{0}, reads{0};
    std::thread reader([&] {
        while (stop.load() == 0 || reads.load() < 1000) {
            SettingValues s;
            store.CopyValuesTo(s);
            const int32_t g = s.shorthit;
            torn += s.longhit != g || s.worddelay != g || s.recvperiod != g ||
                    s.morseTable[MORSE_CODE_COUNT - 1].nCode != g || s.nwenabled != (g & 1);
            ++reads;
        }
    });
    for (int32_t g = 1; g <= 20000; ++g) store.CopyValuesFrom(generation(g));
    stop = 1;
    reader.join();
    EXPECT_EQ(0, torn.load()) << "of " << reads.load() << " snapshots";
}

}  // namespace
