// Clean shutdown of plugin-host run and simulate on SIGINT and SIGTERM: the
// handler only raises a flag, and the commands finish their current round
// or exchange before they stop.
#pragma once

#include <chrono>

namespace plugin_host {

void install_stop_handlers();
bool stop_requested();
// Blocks until `duration` has passed or a stop is requested, whichever comes
// first, without waking in between; true when a stop came. Needs the
// handlers installed.
bool wait_for_stop(std::chrono::steady_clock::duration duration);

}  // namespace plugin_host
