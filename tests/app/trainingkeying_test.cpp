// Training without the radio: between BeginSidetoneOnly and the end of the
// training's text the sender sounds the sidetone and leaves the I/O port,
// the serial key line and the PTT alone; after it the station keys the
// radio again. Text keyed before the training still lets go of the radio.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hw/fakeportdriver.h"
#include "hw/fakeserialline.h"
#include "hw/portdriver.h"
#include "hw/serialkeyer.h"
#include "tests/app/stationkit.h"

namespace {

void RadioOnBothPorts(CVardoSetting& v) {
    v.enableextport = 1;
    v.openbyte = 0xFF;
    v.closebyte = 0x00;
    v.serialkey = 1;
    v.serialport = 3;
    v.serialline = SERIAL_LINE_DTR;
    v.serialinvert = 0;
    v.serialptt = 1;
    v.pttlead = 20;
    v.ptttail = 50;
}

// Key-downs the radio saw: open bytes on the I/O port, asserted serial lines.
int PortKeyDowns(CFakePortDriver& driver) {
    int n = 0;
    for (const tagPortWrite& w : driver.Writes()) n += w.value == 0xFF;
    return n;
}

int SerialAsserts(CSerialLineLog& log) {
    int n = 0;
    for (const tagSerialEvent& e : log.Events()) n += e.kind == SERIAL_EVENT_SET && e.level == 1;
    return n;
}

}  // namespace

TEST(TrainingKeying, SidetoneOnlyLeavesTheRadioAloneUntilTheTrainingEnds) {
    // Each row: whether the training runs sidetone only; the radio's
    // key-downs expected during the training's two letters.
    const struct { bool sidetoneOnly; int portDowns; int serialAsserts; } rows[] = {
        {true, 0, 0},
        {false, 2, 3},  // two key-downs and the PTT
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CFakePortDriver driver;
        CScopedPortDriver port(&driver);
        CSerialLineLog log;
        CScopedSerialLog installed(&log);
        CStationRig rig(RadioOnBothPorts);
        CSerialKeyer* keyer = rig.Station().GetSerialKeyer();
        ASSERT_TRUE(keyer && keyer->IsReady()) << "row " << i;
        if (rows[i].sidetoneOnly) rig.Station().BeginSidetoneOnly();
        EXPECT_EQ(rows[i].sidetoneOnly ? 1 : 0, rig.Station().IsSidetoneOnly()) << "row " << i;
        rig.Station().EnqueueText("EE", 2, 0);
        ASSERT_TRUE(rig.WaitUntilSent()) << "row " << i;
        EXPECT_EQ(2, rig.ToneOnCount()) << "row " << i << ": the sidetone sounds either way";
        EXPECT_EQ(rows[i].portDowns, PortKeyDowns(driver)) << "row " << i;
        EXPECT_EQ(rows[i].serialAsserts, SerialAsserts(log)) << "row " << i;
        EXPECT_EQ(0, keyer->IsKeyLineDown()) << "row " << i;

        // The training ends: once the sender has let go, the radio keys again.
        rig.Station().EndSidetoneOnly();
        ASSERT_TRUE(CStationRig::WaitUntil([&] { return rig.Station().IsSidetoneOnly() == 0; })) << "row " << i;
        ASSERT_TRUE(CStationRig::WaitUntil([&] { return !keyer->IsPttRaised(); })) << "row " << i;
        const int portBefore = PortKeyDowns(driver), serialBefore = SerialAsserts(log);
        rig.Station().EnqueueText("E", 1, 0);
        ASSERT_TRUE(rig.WaitUntilSent()) << "row " << i;
        EXPECT_EQ(portBefore + 1, PortKeyDowns(driver)) << "row " << i;
        EXPECT_EQ(serialBefore + 2, SerialAsserts(log)) << "row " << i << ": PTT and key line";
    }
}

TEST(TrainingKeying, TheGateHoldsUntilTheSenderHasFinishedTheRecordUnderWay) {
    CFakePortDriver driver;
    CScopedPortDriver port(&driver);
    CSerialLineLog log;
    CScopedSerialLog installed(&log);
    CStationRig rig(RadioOnBothPorts);
    rig.Station().BeginSidetoneOnly();
    // A record of three dahs: the training ends while its first one sounds.
    rig.Station().EnqueueText("OOOO", 4, 0);
    ASSERT_TRUE(CStationRig::WaitUntil([&] { return rig.Station().IsKeyDown() != 0; }));
    rig.Station().EndSidetoneOnly();
    EXPECT_EQ(1, rig.Station().IsSidetoneOnly()) << "lifted while the record was still being keyed";
    ASSERT_TRUE(CStationRig::WaitUntil([&] { return rig.Station().IsSidetoneOnly() == 0; }));
    ASSERT_TRUE(rig.WaitUntilSent());
    EXPECT_EQ(3, rig.ToneOnCount()) << "the record under way is finished, the rest flushed";
    EXPECT_EQ(0, PortKeyDowns(driver));
    EXPECT_EQ(0, SerialAsserts(log));
}

TEST(TrainingKeying, APttHeldForEarlierTextDropsWhenTheTrainingBegins) {
    CFakePortDriver driver;
    CScopedPortDriver port(&driver);
    CSerialLineLog log;
    CScopedSerialLog installed(&log);
    CStationRig rig([](CVardoSetting& v) {
        RadioOnBothPorts(v);
        v.ptttail = 60000;  // a tail that would outlast the test
    });
    CSerialKeyer* keyer = rig.Station().GetSerialKeyer();
    rig.Station().EnqueueText("E", 1, 0);
    ASSERT_TRUE(rig.WaitUntilSent());
    ASSERT_TRUE(keyer->IsPttRaised());
    rig.Station().BeginSidetoneOnly();
    EXPECT_EQ(0, keyer->IsPttRaised());
    rig.Station().EnqueueText("EE", 2, 0);
    ASSERT_TRUE(rig.WaitUntilSent());
    EXPECT_EQ(0, keyer->IsPttRaised());
    EXPECT_EQ(1, PortKeyDowns(driver)) << "only the text before the training keyed the port";
}
