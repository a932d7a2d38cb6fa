#include "tools/plugin-host/common/wake_flag.h"

#include <cstdint>
#include <stdexcept>

#include <sys/eventfd.h>
#include <unistd.h>

namespace plugin_host {

WakeFlag::WakeFlag() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
{
    if (fd_ < 0) {
        throw std::runtime_error("cannot make an event descriptor");
    }
}

WakeFlag::~WakeFlag() { ::close(fd_); }

void WakeFlag::raise()
{
    const std::uint64_t one = 1;
    (void)!::write(fd_, &one, sizeof one);
}

bool WakeFlag::take()
{
    std::uint64_t count = 0;
    return ::read(fd_, &count, sizeof count) == static_cast<ssize_t>(sizeof count) && count != 0;
}

}  // namespace plugin_host
