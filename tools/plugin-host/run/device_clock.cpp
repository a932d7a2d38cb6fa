#include "tools/plugin-host/run/device_clock.h"

#include <chrono>

#include "tools/clock_seam/clock_seam.h"

namespace plugin_host {

namespace {

std::time_t wall_now() { return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()); }

}  // namespace

DeviceClock::DeviceClock(Mode mode) : mode_(mode), active_(0)
{
    if (mode_ == Mode::real) {
        return;
    }
    // Frozen at the present local time: from here on it moves only when the
    // run moves it.
    const std::time_t now = wall_now();
    std::tm local{};
    localtime_r(&now, &local);
    clock_seam::freeze_at_local(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                                local.tm_sec);
}

std::time_t DeviceClock::now() const { return clock_seam::now(); }

void DeviceClock::before_turn()
{
    if (mode_ == Mode::wall) {
        clock_seam::move_to(wall_now());
    }
}

bool DeviceClock::wait_until(std::time_t when, const StopCheck& stop)
{
    std::unique_lock<std::mutex> lock(mutex_);
    const auto waiting = waits_.insert(when);
    move_when_all_wait();
    bool reached = true;
    while (clock_seam::now() < when) {
        if (stop && stop()) {
            reached = false;
            break;
        }
        // The lines wake one another; the slice is only for a stop request.
        moved_.wait_for(lock, STOP_SLICE);
    }
    waits_.erase(waiting);
    return reached;
}

void DeviceClock::join()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    ++active_;
}

void DeviceClock::leave()
{
    const std::lock_guard<std::mutex> lock(mutex_);
    --active_;
    move_when_all_wait();
}

void DeviceClock::move_when_all_wait()
{
    if (waits_.empty() || waits_.size() < active_) {
        return;
    }
    const std::time_t earliest = *waits_.begin();
    if (earliest > clock_seam::now()) {
        clock_seam::move_to(earliest);
        moved_.notify_all();
    }
}

}  // namespace plugin_host
