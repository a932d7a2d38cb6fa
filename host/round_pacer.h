// The host's own poll interval: at most one round starts per interval,
// counted from the start of the previous round, whether that round completed
// or was abandoned. Without it a line that answers fast but badly would be
// hammered with one abandoned round after another.
#pragma once

#include <chrono>

#include "host/stop_check.h"

class HOST_API RoundPacer {
public:
    explicit RoundPacer(std::chrono::steady_clock::duration interval) : interval_(interval) {}

    // Blocks until the interval since the last round's start has passed.
    // Returns false, early, when a stop is requested.
    bool wait_turn(const StopCheck& stop) const;
    // Marks `start` as the start of a round.
    void round_started(std::chrono::steady_clock::time_point start) { last_start_ = start; started_ = true; }

private:
    std::chrono::steady_clock::duration interval_;
    std::chrono::steady_clock::time_point last_start_{};
    bool started_ = false;
};
