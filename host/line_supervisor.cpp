#include "host/line_supervisor.h"

#include <algorithm>
#include <utility>

namespace {

std::string seconds_text(std::chrono::steady_clock::duration duration)
{
    const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(duration).count() / 100;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " s";
}

}  // namespace

LineSupervisor::LineSupervisor(ByteLine& line, LineLog& log, ReopenPolicy policy, StopCheck stop)
    : line_(line), log_(log), policy_(policy), stop_(std::move(stop))
{
}

void LineSupervisor::lost(const std::string& reason)
{
    line_.close();
    if (down_) {
        return;
    }
    down_ = true;
    down_since_ = std::chrono::steady_clock::now();
    pause_ = policy_.first;
    log_.say(Severity::error, line_.name(),
             "line lost (" + reason + "); reopening it every " + seconds_text(policy_.first) + " to " +
                 seconds_text(policy_.longest));
}

bool LineSupervisor::ensure_open()
{
    while (!line_.is_open()) {
        if (down_ && !pause_unless_stopped(pause_, stop_)) {
            return false;
        }
        if (stop_ && stop_()) {
            return false;
        }
        reopen_attempts_ += down_ ? 1 : 0;
        try {
            line_.open();
        } catch (const LineError& error) {
            if (!down_) {
                lost(error.what());
                continue;
            }
            pause_ = std::min(pause_ * 2, policy_.longest);
            log_.fault(line_.name(), "cannot reopen", std::string("cannot reopen: ") + error.what());
        }
    }
    return true;
}

void LineSupervisor::answered()
{
    if (!down_) {
        return;
    }
    down_ = false;
    log_.flush(true);
    log_.say(Severity::notice, line_.name(),
             "line back after " + seconds_text(std::chrono::steady_clock::now() - down_since_) + " down");
}
