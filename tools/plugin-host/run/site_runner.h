// plugin-host run: every device of a site in one process, as the daemon
// keeps them, and a single `run` as a site of one device. Each line (a
// serial port, or a simulated bus on a pseudo-terminal) has a thread of its
// own, so lines are polled side by side; the devices on one line take turns
// on it, one request outstanding at a time, each when its own interval comes
// round.
#pragma once

#include "tools/plugin-host/run/run_options.h"
#include "tools/plugin-host/run/site_document.h"

namespace plugin_host {

// Runs the site; --rounds counts for each device, and --interval is for the
// devices that give none. Returns the exit status: failed when a device
// asked for rounds, or that started some, has not completed a single one.
// Throws std::invalid_argument for --fast on a site with serial ports.
int run_site(const Site& site, const RunOptions& options);

}  // namespace plugin_host
