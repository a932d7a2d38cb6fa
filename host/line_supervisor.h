// Whether a line is there at all. A lost line (hang-up, end of file, an I/O
// error, the device file gone) is a state, not a fault to retry at once:
// said once, closed, and opened again after a pause that grows from one
// attempt to the next, blocking in between. When a good reply comes over the
// reopened line, it is said once that the line is back and how long it was
// down.
#pragma once

#include <chrono>
#include <string>

#include "host/byte_line.h"
#include "host/line_log.h"
#include "host/stop_check.h"

struct ReopenPolicy {
    std::chrono::milliseconds first{1000};    // pause before the first reopening
    std::chrono::milliseconds longest{30000};  // the pause doubles up to this
};

class HOST_API LineSupervisor {
public:
    LineSupervisor(ByteLine& line, LineLog& log, ReopenPolicy policy, StopCheck stop);

    // The line is gone for `reason`: says so (once per outage) and closes it.
    void lost(const std::string& reason);
    // Opens a closed line, pausing between attempts after a loss. Returns
    // true when the line is open, false when a stop came first.
    bool ensure_open();
    // A good reply arrived: after an outage, says that the line is back.
    void answered();
    bool down() const { return down_; }
    // Attempts to open the line again after it was lost, in the whole run.
    unsigned long reopen_attempts() const { return reopen_attempts_; }

private:
    ByteLine& line_;
    LineLog& log_;
    ReopenPolicy policy_;
    StopCheck stop_;
    bool down_ = false;
    std::chrono::steady_clock::time_point down_since_{};
    std::chrono::milliseconds pause_{};
    unsigned long reopen_attempts_ = 0;
};
