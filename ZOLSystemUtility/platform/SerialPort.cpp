#include "platform/SerialPort.h"

#include <cctype>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/Pause.h"

namespace zol::platform {
namespace {

struct BaudEntry {
    std::uint32_t rate;
    speed_t code;
};

constexpr BaudEntry kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},         {150, B150},
    {200, B200},         {300, B300},         {600, B600},         {1200, B1200},       {1800, B1800},
    {2400, B2400},       {4800, B4800},       {9600, B9600},       {19200, B19200},     {38400, B38400},
    {57600, B57600},     {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000}, {1500000, B1500000},
    {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000}, {3500000, B3500000}, {4000000, B4000000},
};

bool BaudCode(std::uint32_t rate, speed_t* code) {
    for (const auto& entry : kBaudRates) {
        if (entry.rate == rate) {
            *code = entry.code;
            return true;
        }
    }
    return false;
}

bool ByteSizeFlag(std::uint8_t byteSize, tcflag_t* flag) {
    switch (byteSize) {
    case 5:
        *flag = CS5;
        return true;
    case 6:
        *flag = CS6;
        return true;
    case 7:
        *flag = CS7;
        return true;
    case 8:
        *flag = CS8;
        return true;
    default:
        return false;
    }
}

// The parity and stop-bit flags that a setting asks for.
constexpr tcflag_t kLineFlags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

} // namespace

std::string SerialDevicePath(const std::string& name) {
    if (name.find('/') != std::string::npos)
        return name;
    if (name.size() > 3 && std::toupper(static_cast<unsigned char>(name[0])) == 'C' &&
        std::toupper(static_cast<unsigned char>(name[1])) == 'O' &&
        std::toupper(static_cast<unsigned char>(name[2])) == 'M') {
        unsigned long number = 0;
        bool digits = name.size() <= 12;
        for (std::size_t i = 3; i < name.size() && digits; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(name[i])))
                digits = false;
            else
                number = number * 10 + static_cast<unsigned long>(name[i] - '0');
        }
        if (digits && number >= 1)
            return "/dev/ttyS" + std::to_string(number - 1);
    }
    return "/dev/" + name;
}

int OpenSerialExclusive(const std::string& path, int* error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        *error = errno == EWOULDBLOCK ? EBUSY : errno;
        ::close(fd);
        return -1;
    }
    return fd;
}

int PrepareRawLine(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        return errno;
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | HUPCL);
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (tcsetattr(fd, TCSANOW, &settings) != 0)
        return errno;
    termios back{};
    if (tcgetattr(fd, &back) != 0)
        return errno;
    if ((back.c_cflag & CRTSCTS) != 0 || (back.c_iflag & (IXON | IXOFF)) != 0)
        return EOPNOTSUPP;
    // Handshake lines off. A device without modem lines (a pseudo-terminal) has nothing to drop.
    int lines = TIOCM_DTR | TIOCM_RTS;
    if (::ioctl(fd, TIOCMBIC, &lines) != 0 && errno != ENOTTY && errno != EINVAL)
        return errno;
    return 0;
}

int ApplyLineSettings(int fd, std::uint32_t baudRate, std::uint8_t byteSize, std::uint8_t stopBits,
                      std::uint8_t parity) {
    speed_t speed = 0;
    tcflag_t size = 0;
    if (!BaudCode(baudRate, &speed) || !ByteSizeFlag(byteSize, &size) || stopBits > 2 || parity > 4)
        return EINVAL;

    termios settings{};
    if (tcgetattr(fd, &settings) != 0)
        return errno;
    tcflag_t line = size;
    // One and a half stop bits exist only with 5 data bits, where the second stop bit is a half one.
    if (stopBits != 0)
        line |= CSTOPB;
    switch (parity) {
    case 1:
        line |= PARENB | PARODD;
        break;
    case 2:
        line |= PARENB;
        break;
    case 3:
        line |= PARENB | PARODD | CMSPAR;
        break;
    case 4:
        line |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    settings.c_cflag = (settings.c_cflag & ~kLineFlags) | line;
    // Parity is checked on input whenever it is used.
    if (parity != 0)
        settings.c_iflag |= INPCK;
    else
        settings.c_iflag &= ~static_cast<tcflag_t>(INPCK);
    if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0)
        return errno;
    if (tcsetattr(fd, TCSANOW, &settings) != 0)
        return errno;

    termios back{};
    if (tcgetattr(fd, &back) != 0)
        return errno;
    if ((back.c_cflag & kLineFlags) != line || cfgetispeed(&back) != speed || cfgetospeed(&back) != speed)
        return EOPNOTSUPP;
    return 0;
}

void PurgeLine(int fd) {
    tcflush(fd, TCIOFLUSH);
}

void CloseSerial(int fd) {
    if (fd < 0)
        return;
    ::ioctl(fd, TIOCNXCL);
    ::flock(fd, LOCK_UN);
    ::close(fd);
}

std::size_t WriteSerial(int fd, const unsigned char* data, std::size_t length, int timeoutMs, int* error) {
    std::size_t written = 0;
    const std::uint64_t deadline = SteadyMs() + static_cast<std::uint64_t>(timeoutMs < 0 ? 0 : timeoutMs);
    while (written < length) {
        const ssize_t put = ::write(fd, data + written, length - written);
        if (put > 0) {
            written += static_cast<std::size_t>(put);
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            *error = errno;
            break;
        }
        const std::uint64_t now = SteadyMs();
        if (now >= deadline) {
            *error = ETIMEDOUT;
            break;
        }
        pollfd entry{fd, POLLOUT, 0};
        ::poll(&entry, 1, static_cast<int>(deadline - now));
    }
    return written;
}

} // namespace zol::platform
