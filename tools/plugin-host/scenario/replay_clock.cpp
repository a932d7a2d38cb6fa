#include "tools/plugin-host/scenario/replay_clock.h"

#include "tools/clock_seam/clock_seam.h"

namespace plugin_host {

namespace {

constexpr int START_YEAR = 2026;

}  // namespace

void start_replay_clock() { clock_seam::freeze_at_local(START_YEAR, 1, 1, 0, 0, 0); }

std::time_t replay_clock_start()
{
    std::tm local{};
    local.tm_year = START_YEAR - 1900;
    local.tm_mon = 0;
    local.tm_mday = 1;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

}  // namespace plugin_host
