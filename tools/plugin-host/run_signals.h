// Clean shutdown of plugin-host run and simulate on SIGINT and SIGTERM: the
// handler only raises a flag, and the commands finish their current round
// or exchange before they stop.
#pragma once

void install_stop_handlers();
bool stop_requested();
