// The native serial port: COMn found through the device directory (links to
// pseudo-terminals, as a Windows prefix maps its COM ports), a missing or
// non-terminal device refused with the reason.
#include <gtest/gtest.h>

#include <pty.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "hw/serialdevicedirectory_posix.h"
#include "hw/serialline.h"

TEST(SerialLinePosix, OpensTheLinkedTerminalAndRefusesTheRest) {
    char dir[] = "/tmp/vardo-com-XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(dir));
    int master = -1, slave = -1;
    ASSERT_EQ(0, openpty(&master, &slave, nullptr, nullptr, nullptr));
    const std::string com2 = std::string(dir) + "/com2";
    const std::string com3 = std::string(dir) + "/com3";
    ASSERT_EQ(0, symlink(ttyname(slave), com2.c_str()));
    FILE* plain = std::fopen(com3.c_str(), "w");
    ASSERT_NE(nullptr, plain);
    std::fclose(plain);
    SetSerialDeviceDirectory(dir);
    const struct {
        int32_t port;
        bool opens;
        int32_t error;
    } rows[] = {{2, true, SERIAL_ERROR_NONE}, {3, false, SERIAL_ERROR_NO_PORT}, {4, false, SERIAL_ERROR_NO_PORT}};
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        int32_t error = -1;
        std::shared_ptr<ISerialLine> line = OpenSerialLine(rows[i].port, &error);
        EXPECT_EQ(rows[i].opens, line != nullptr) << "row " << i;
        EXPECT_EQ(rows[i].error, error) << "row " << i;
    }
    SetSerialDeviceDirectory(nullptr);
    EXPECT_EQ("/dev/ttyS0", SerialDevicePath(1));
    unlink(com2.c_str());
    unlink(com3.c_str());
    rmdir(dir);
    close(slave);
    close(master);
}
