// Clean shutdown of plugin-host run and simulate on SIGINT and SIGTERM: the
// handler only raises a flag, and the commands finish their current round
// or exchange before they stop. SIGHUP, for a run that takes it, asks for
// the configuration to be read again.
#pragma once

#include <chrono>
#include <initializer_list>

namespace plugin_host {

void install_stop_handlers();
bool stop_requested();
// Blocks until `duration` has passed or a stop is requested, whichever comes
// first, without waking in between; true when a stop came. Needs the
// handlers installed.
bool wait_for_stop(std::chrono::steady_clock::duration duration);

enum class Woken { stop, timeout, event };
// Blocks until `duration` has passed, a stop is requested, or one of
// `event_fds` is readable; says which (a stop first).
Woken wait_for(std::chrono::steady_clock::duration duration, std::initializer_list<int> event_fds);

// From now on SIGHUP asks for a reload instead of ending the process.
void install_reload_handler();
// Readable while a reload is asked for; take_reload_request() clears it.
int reload_request_fd();
bool take_reload_request();

}  // namespace plugin_host
