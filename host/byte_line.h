// The line a device talks over: a serial port at a site, or one end of a
// pseudo-terminal when the power system is simulated.
#pragma once

#include <chrono>
#include <cstddef>
#include <stdexcept>
#include <string>

#include "host/host_api.h"
#include "host/stop_check.h"

// Raised when a line cannot be opened, configured, read or written. The
// text names the line and the cause, ready for a field engineer.
class HOST_API LineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The line is gone rather than faulty: the far end hung up, the port reports
// end of file or an I/O error, or the device file has disappeared (a USB
// adapter unplugged). Waiting on it again only spins; it must be closed and
// opened anew.
class HOST_API LineLost : public LineError {
public:
    using LineError::LineError;
};

// How long a write may wait for the line to take its bytes. A line that takes
// no byte for `stall` is stalled (a port whose far end reads nothing, a
// buffer that stays full); a stop ends the wait within a stop slice.
struct WriteWait {
    std::chrono::milliseconds stall{60000};
    StopCheck stop;  // none: never stop
};

class HOST_API ByteLine {
public:
    virtual ~ByteLine();

    // Throws LineError when the line cannot be opened.
    virtual void open() = 0;
    virtual void close() = 0;
    virtual bool is_open() const = 0;
    // Writes every byte and returns true, or returns false when a stop came
    // first. Throws LineError when the line is stalled or failing (LineLost
    // when it is gone).
    virtual bool write(const unsigned char* data, std::size_t length, const WriteWait& wait) = 0;
    // Waits up to timeout_ms for bytes and returns how many arrived (0 when
    // none did, or when a signal cut the wait short). Throws LineLost when
    // the line is gone, LineError for other failures.
    virtual std::size_t read(unsigned char* buffer, std::size_t capacity, int timeout_ms) = 0;
    // Drops whatever was received and not yet read: stale replies must not
    // be taken for the answer to the next request.
    virtual void discard_input() = 0;
    // A name for diagnostics: the device path.
    virtual std::string name() const = 0;
    // The line's speed, for how long its characters take; 0 when it has none
    // (a pseudo-terminal's own end, a test's line).
    virtual int baud() const { return 0; }
};
