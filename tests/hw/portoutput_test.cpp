// The port object and the port test against the recording driver: the first
// write, readiness, the shared open count, and the platform driver when no
// port I/O library is present.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hw/fakeportdriver.h"
#include "hw/portoutput.h"

namespace {

void Collect(void* context, const char* text) {
    static_cast<std::vector<std::string>*>(context)->push_back(text);
}

TEST(PortOutput, FirstWriteDecidesReadiness) {
    const struct {
        int failInitialize, failFirstWrite;
        int ready;
        int openCount;  // while the object lives
        int shutdowns;  // after it is gone
    } rows[] = {
        {0, 0, 1, 1, 1},
        {1, 0, 0, 0, 0},
        {0, 1, 0, 0, 1},  // opened, refused the byte: closed again at once
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CFakePortDriver driver;
        CScopedPortDriver installed(&driver);
        ASSERT_TRUE(installed.IsInstalled()) << "row " << i;
        driver.SetFailInitialize(rows[i].failInitialize);
        if (rows[i].failFirstWrite) driver.SetFailWriteAt(0);
        {
            CPortOutput port(0x278, 0x5A);
            EXPECT_EQ(rows[i].ready, port.IsReady()) << "row " << i;
            EXPECT_EQ(rows[i].openCount, PortDriverOpenCount()) << "row " << i;
            // Then key down and key up: written only when ready.
            EXPECT_EQ(rows[i].ready, port.Write(0x278, 0xFF)) << "row " << i;
            EXPECT_EQ(rows[i].ready, port.Write(0x278, 0x00)) << "row " << i;
            const std::vector<tagPortWrite> w = driver.Writes();
            ASSERT_EQ(rows[i].ready ? 3u : 0u, w.size()) << "row " << i;
            const uint32_t bytes[3] = {0x5A, 0xFF, 0x00};
            for (size_t k = 0; k < w.size(); ++k) {
                EXPECT_EQ(0x278, w[k].address) << "row " << i << " write " << k;
                EXPECT_EQ(bytes[k], w[k].value) << "row " << i << " write " << k;
                EXPECT_EQ(1, w[k].size) << "row " << i << " write " << k;
            }
        }
        EXPECT_EQ(0, PortDriverOpenCount()) << "row " << i;
        EXPECT_EQ(rows[i].shutdowns, driver.ShutdownCount()) << "row " << i;
        EXPECT_EQ(0, driver.WritesWhileClosed()) << "row " << i;
    }
}

TEST(PortOutput, PortTestOnItsOwn) {
    const struct {
        int failInitialize, failWrites;
        int result;
        std::vector<std::string> messages;
        int shutdowns;
    } rows[] = {
        {0, 0, PORT_TEST_WRITTEN, {"init ok", "write ok"}, 1},
        {0, 1, PORT_TEST_OPENED, {"init ok"}, 1},
        {1, 0, PORT_TEST_NOT_OPENED, {}, 0},
    };
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        CFakePortDriver driver;
        CScopedPortDriver installed(&driver);
        driver.SetFailInitialize(rows[i].failInitialize);
        driver.SetFailWrites(rows[i].failWrites);
        std::vector<std::string> shown;
        EXPECT_EQ(rows[i].result, PortTest(Collect, &shown)) << "row " << i;
        EXPECT_EQ(rows[i].messages, shown) << "row " << i;
        EXPECT_EQ(rows[i].shutdowns, driver.ShutdownCount()) << "row " << i;
        EXPECT_EQ(0, PortDriverOpenCount()) << "row " << i;
        const std::vector<tagPortWrite> w = driver.Writes();
        ASSERT_EQ(rows[i].result == PORT_TEST_WRITTEN ? 1u : 0u, w.size()) << "row " << i;
        if (!w.empty()) {
            EXPECT_EQ(0x378, w[0].address) << "row " << i;
            EXPECT_EQ(0xFFu, w[0].value) << "row " << i;
        }
    }
}

TEST(PortOutput, PortTestWhileThePortObjectHoldsTheDriver) {
    CFakePortDriver driver;
    CScopedPortDriver installed(&driver);
    {
        CPortOutput port(0x3BC, 0x00);
        ASSERT_EQ(1, port.IsReady());
        EXPECT_EQ(0, SetPortDriver(nullptr)) << "no driver swap while it is open";
        for (int round = 0; round < 2; ++round) {
            std::vector<std::string> shown;
            EXPECT_EQ(PORT_TEST_WRITTEN, PortTest(Collect, &shown)) << "round " << round;
            EXPECT_EQ(1, PortDriverOpenCount()) << "round " << round;
            EXPECT_EQ(0, driver.ShutdownCount()) << "round " << round << ": the test closed the driver";
            EXPECT_EQ(1, driver.InitializeCount()) << "round " << round;
            EXPECT_EQ(1, port.Write(0x3BC, 0xFF)) << "round " << round << ": the port object still writes";
        }
        EXPECT_EQ(0, driver.WritesWhileClosed());
    }
    EXPECT_EQ(1, driver.ShutdownCount());
}

TEST(PortOutput, PlatformDriverWithoutLibrary) {
    // Natively there is no port I/O; the Windows test run has no port I/O
    // library beside it.
    CPortOutput port(0x378, 0x00);
    EXPECT_EQ(0, port.IsReady());
    EXPECT_EQ(0, port.Write(0x378, 0xFF));
    std::vector<std::string> shown;
    EXPECT_EQ(PORT_TEST_NOT_OPENED, PortTest(Collect, &shown));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(0, PortDriverOpenCount());
}

}  // namespace
