#include "tools/simulator/pseudo_terminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "host/serial_port.h"

PseudoTerminal::PseudoTerminal()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        throw LineError(std::string("cannot create a pseudo-terminal: ") + std::strerror(errno));
    }
    const char* path = nullptr;
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || (path = ::ptsname(master)) == nullptr) {
        const int error = errno;
        ::close(master);
        throw LineError(std::string("cannot set up a pseudo-terminal: ") + std::strerror(error));
    }
    slave_path_ = path;
    slave_keeper_ = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (slave_keeper_ < 0) {
        const int error = errno;
        ::close(master);
        throw LineError("cannot open " + slave_path_ + ": " + std::strerror(error));
    }
    // Raw from the start: a line discipline would turn the frames' CR into NL.
    make_raw_8n1(slave_keeper_, B9600);
    const int flags = ::fcntl(master, F_GETFL);
    ::fcntl(master, F_SETFL, flags | O_NONBLOCK);
    fd_ = master;
}

PseudoTerminal::~PseudoTerminal()
{
    if (slave_keeper_ >= 0) {
        ::close(slave_keeper_);
    }
}
