// The station's receive side with the adaptive receiver: CW in the sound
// input comes out on the receive panel with its word spaces, the speed
// label and the spectrum marker follow it; the fixed-threshold setting
// keeps the receiver out.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/stationjournal.h"
#include "receiver/cwreceiver.h"
#include "audio/memorycapturesource.h"
#include "audio/vdwavecapture.h"
#include "tests/app/cwsignalkit.h"
#include "tests/app/stationkit.h"
#include "ui/vdlabel.h"

namespace {

// The first reading is held until the receiver has learnt the sender, and
// a sanitizer build on a busy host decides many times slower than real
// time: the text may come long after the over. The wait ends as soon as it
// is there.
constexpr int TEXT_WAIT_MS = 90000;

TEST(StationReceive, SoundInputDecodesOnTheReceivePanelWithWordSpaces) {
    static const struct {
        int32_t adaptive;
        double wpm;
        const char* want;  // what the panel's text must end with; null: nothing decoded
    } rows[] = {
        {1, 20, "CQ DE VARDO K"},
        {1, 30, "CQ DE VARDO K"},
        {0, 20, nullptr},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CStationRig rig([&](CVardoSetting& s) { s.recvadaptive = rows[i].adaptive; }, false);
        // A weak signal: the fixed threshold does not reach it.
        std::vector<int16_t> audio = KeyedCw("VVV CQ DE VARDO K", rows[i].wpm, 1000.0, 0.05);
        rig.Station().GetCapture()->SetCaptureSource(std::unique_ptr<ICaptureSource>(new CMemoryCaptureSource(
            44100, std::move(audio), false, CMemoryCaptureSource::CLOCK_STEADY)));
        rig.Station().Start();
        CStationJournal* panel = rig.Station().GetReceivePanel();
        if (rows[i].want == nullptr) {
            EXPECT_EQ(nullptr, rig.Station().GetReceiver()) << "row " << i;
            EXPECT_EQ(nullptr, rig.Station().GetSpeedLabel()) << "row " << i;
            CStationRig::WaitUntil([] { return false; }, 6000);
            EXPECT_EQ("", panel->GetDecodedText()) << "row " << i;
            continue;
        }
        const std::string want = rows[i].want;
        EXPECT_TRUE(CStationRig::WaitUntil([&] {
            const std::string t = panel->GetDecodedText();
            return t.size() >= want.size() && t.find(want) != std::string::npos;
        }, TEXT_WAIT_MS)) << "row " << i << ": decoded '" << panel->GetDecodedText() << "'";
        ASSERT_NE(nullptr, rig.Station().GetSpeedLabel());
        char copy[16] = {};
        rig.Station().GetSpeedLabel()->CopyText(copy, sizeof copy - 1);
        const std::string label = copy;
        const int wpm = std::atoi(label.c_str());
        EXPECT_NEAR(rows[i].wpm, wpm, rows[i].wpm * 0.12) << "row " << i << ": label '" << label << "'";
        EXPECT_NEAR(1000.0, rig.Station().GetReceiver()->ToneHz(), 5.0) << "row " << i;
    }
}

}  // namespace
