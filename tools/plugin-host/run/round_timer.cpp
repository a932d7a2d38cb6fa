#include "tools/plugin-host/run/round_timer.h"

namespace plugin_host {

namespace {

double milliseconds(std::chrono::steady_clock::duration span)
{
    return std::chrono::duration<double, std::milli>(span).count();
}

}  // namespace

void RoundTimer::before_round()
{
    start_ = steady::now();
    last_reply_.reset();
}

void RoundTimer::on_reply(const unsigned char*, std::size_t) { last_reply_ = steady::now(); }

RoundTiming RoundTimer::finish() const
{
    RoundTiming timing;
    timing.duration_ms = milliseconds(steady::now() - start_);
    if (last_reply_) {
        timing.line_ms = milliseconds(*last_reply_ - start_);
    }
    return timing;
}

}  // namespace plugin_host
