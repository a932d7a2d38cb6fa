#include "host/fd_line.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string cause(int error) { return std::strerror(error); }

// Errors by which the kernel says the device behind the descriptor is gone:
// the other end of a pseudo-terminal closed, a USB adapter unplugged.
bool gone(int error) { return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE; }

}  // namespace

FdLine::~FdLine() { FdLine::close(); }

void FdLine::close()
{
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    lost_.clear();
}

bool FdLine::write(const unsigned char* data, std::size_t length, const WriteWait& wait)
{
    if (fd_ < 0) {
        throw LineError(name() + " is not open");
    }
    using steady = std::chrono::steady_clock;
    std::size_t done = 0;
    // The stall is counted from the last byte the line took.
    auto stalled_at = steady::now() + wait.stall;
    while (done < length) {
        const ssize_t n = ::write(fd_, data + done, length - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            stalled_at = steady::now() + wait.stall;
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && gone(errno)) {
            lost_ = "cannot write to " + name() + ": " + cause(errno);
            throw LineLost(lost_);
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            throw LineError("cannot write to " + name() + ": " + cause(errno));
        }
        if (wait.stop && wait.stop()) {
            return false;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(stalled_at - steady::now());
        if (left.count() <= 0) {
            throw LineError("cannot write to " + name() + ": the line took no data for " +
                            std::to_string(wait.stall.count()) + " ms");
        }
        pollfd ready{fd_, POLLOUT, 0};
        const int polled = ::poll(&ready, 1, static_cast<int>(std::min(left, STOP_SLICE).count()));
        if (polled < 0 && errno != EINTR) {
            throw LineError("cannot write to " + name() + ": " + cause(errno));
        }
    }
    return true;
}

std::size_t FdLine::read(unsigned char* buffer, std::size_t capacity, int timeout_ms)
{
    if (fd_ < 0) {
        throw LineError(name() + " is not open");
    }
    if (!lost_.empty()) {
        throw LineLost(lost_);
    }
    pollfd ready{fd_, POLLIN, 0};
    const int polled = ::poll(&ready, 1, timeout_ms < 0 ? 0 : timeout_ms);
    if (polled < 0) {
        if (errno == EINTR) {
            return 0;
        }
        throw LineError("cannot wait for " + name() + ": " + cause(errno));
    }
    if (polled == 0) {
        return 0;
    }
    if ((ready.revents & POLLNVAL) != 0) {
        throw LineLost(name() + " is no longer a valid descriptor");
    }
    if ((ready.revents & POLLIN) == 0) {
        // Hang-up or error without data: the other end is gone.
        throw LineLost(name() + " was hung up");
    }
    const ssize_t n = ::read(fd_, buffer, capacity);
    if (n < 0) {
        if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
            return 0;
        }
        if (gone(errno)) {
            throw LineLost("cannot read from " + name() + ": " + cause(errno));
        }
        throw LineError("cannot read from " + name() + ": " + cause(errno));
    }
    if (n == 0) {
        // Ready to read and nothing there: end of file, the far end closed.
        throw LineLost(name() + " reached end of file");
    }
    return static_cast<std::size_t>(n);
}

void FdLine::discard_input()
{
    if (fd_ < 0) {
        return;
    }
    ::tcflush(fd_, TCIFLUSH);
}
