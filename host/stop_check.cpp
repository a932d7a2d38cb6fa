#include "host/stop_check.h"

#include <algorithm>
#include <thread>

bool pause_unless_stopped(std::chrono::steady_clock::duration duration, const StopCheck& stop)
{
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;) {
        if (stop && stop()) {
            return false;
        }
        const auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) {
            return true;
        }
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(left, STOP_SLICE));
    }
}
