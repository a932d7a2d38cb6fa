// The device's clock in a replay: it starts at 2026-01-01 00:00:00 local time
// and moves only by the scenario's advance lines. A capture moves it from
// there to the times the live device read.
#pragma once

#include <ctime>

namespace plugin_host {

// Freezes the device's clock at the replay's start.
void start_replay_clock();
// The replay's start as seconds since the epoch, in this process's time zone.
std::time_t replay_clock_start();

}  // namespace plugin_host
