#include "host/serial_port.h"

#include <cerrno>
#include <cstring>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

std::string cause(int error) { return std::strerror(error); }

}  // namespace

speed_t baud_constant(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        throw LineError("unsupported baud rate " + std::to_string(baud) +
                        " (use 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200 or 230400)");
    }
}

bool make_raw_8n1(int fd, speed_t speed)
{
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0) {
        return false;
    }
    ::cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // Reads never block in the kernel: the line waits with poll().
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0) {
        return false;
    }
    return ::tcsetattr(fd, TCSANOW, &settings) == 0;
}

SerialPort::SerialPort(std::string path, int baud) : path_(std::move(path)), baud_(baud) {}

SerialPort::~SerialPort() = default;

void SerialPort::open()
{
    if (fd_ >= 0) {
        return;
    }
    const speed_t speed = baud_constant(baud_);
    const int fd = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        if (error == ENOENT) {
            throw LineError("serial port " + path_ + " does not exist");
        }
        if (error == EACCES) {
            throw LineError("no permission to open serial port " + path_ +
                            " (is the user in the port's group, often dialout?)");
        }
        if (error == EBUSY) {
            throw LineError("serial port " + path_ + " is busy: another program has it open");
        }
        throw LineError("cannot open serial port " + path_ + ": " + cause(error));
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        if (error == EWOULDBLOCK) {
            throw LineError("serial port " + path_ + " is busy: another program has it open");
        }
        throw LineError("cannot lock serial port " + path_ + ": " + cause(error));
    }
    if (!::isatty(fd)) {
        ::close(fd);
        throw LineError(path_ + " is not a serial port");
    }
    if (!make_raw_8n1(fd, speed)) {
        const int error = errno;
        ::close(fd);
        throw LineError("cannot set up serial port " + path_ + " for " + std::to_string(baud_) +
                        " baud 8N1: " + cause(error));
    }
    // Keeps programs that do not lock from opening the port behind our back.
    // Not every terminal driver (or emulator) supports it; the lock above suffices.
    (void)::ioctl(fd, TIOCEXCL);
    ::tcflush(fd, TCIOFLUSH);
    fd_ = fd;
}

void SerialPort::close()
{
    if (fd_ >= 0) {
        // The exclusive mark stays with the terminal while anyone else holds
        // it open (a pseudo-terminal's other end does): drop it so that the
        // port can be opened again.
        (void)::ioctl(fd_, TIOCNXCL);
    }
    FdLine::close();
}
