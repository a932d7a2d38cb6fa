#include "host/round_pacer.h"

bool RoundPacer::wait_turn(const StopCheck& stop) const
{
    if (!started_) {
        return !(stop && stop());
    }
    const auto left = last_start_ + interval_ - std::chrono::steady_clock::now();
    return pause_unless_stopped(left, stop);
}
