// The native serial port: COMn is a tty device, its DTR and RTS lines set
// with the modem-control ioctls. COMn maps to /dev/ttyS<n-1>, or to
// <directory>/com<n> once SetSerialDeviceDirectory names a directory (the
// layout of a Windows prefix's device links, which tests fill with links to
// pseudo-terminals).
#include "hw/serialline.h"
#include "hw/serialdevicedirectory_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace {

std::mutex g_dirLock;
std::string g_directory;

class CSerialLinePosix : public ISerialLine {
public:
    explicit CSerialLinePosix(int fd) : m_fd(fd) {}
    ~CSerialLinePosix() override { close(m_fd); }
    CSerialLinePosix(const CSerialLinePosix&) = delete;
    CSerialLinePosix& operator=(const CSerialLinePosix&) = delete;

    int SetLine(int32_t line, int32_t asserted) override {
        int bits = line == SERIAL_LINE_RTS ? TIOCM_RTS : TIOCM_DTR;
        return ioctl(m_fd, asserted ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 1 : 0;
    }

private:
    int m_fd;
};

}  // namespace

void SetSerialDeviceDirectory(const char* directory) {
    std::lock_guard<std::mutex> guard(g_dirLock);
    g_directory = directory != nullptr ? directory : "";
}

std::string SerialDevicePath(int32_t port) {
    std::lock_guard<std::mutex> guard(g_dirLock);
    char name[32];
    if (g_directory.empty()) {
        std::snprintf(name, sizeof name, "/dev/ttyS%d", static_cast<int>(port - 1));
        return name;
    }
    std::snprintf(name, sizeof name, "/com%d", static_cast<int>(port));
    return g_directory + name;
}

std::unique_ptr<ISerialLine> OpenPlatformSerialLine(int32_t port, int32_t* error) {
    const std::string path = SerialDevicePath(port);
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno == ENOENT || errno == ENXIO || errno == ENODEV ? SERIAL_ERROR_NO_PORT
                 : errno == EACCES || errno == EBUSY || errno == EPERM ? SERIAL_ERROR_BUSY
                                                                       : SERIAL_ERROR_OTHER;
        return nullptr;
    }
    if (!isatty(fd)) {
        close(fd);
        *error = SERIAL_ERROR_NO_PORT;
        return nullptr;
    }
    return std::unique_ptr<ISerialLine>(new CSerialLinePosix(fd));
}
