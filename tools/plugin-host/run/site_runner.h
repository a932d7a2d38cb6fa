// plugin-host run --site: every device of a site in one process, as the
// daemon keeps them. Each line (a serial port, or a simulated bus on a
// pseudo-terminal) has a thread of its own, so lines are polled side by
// side; the devices on one line take turns on it, one request outstanding
// at a time, each when its own interval comes round.
#pragma once

#include "tools/plugin-host/run/run_options.h"

namespace plugin_host {

// Runs the site of options.site; --rounds counts for each device, and
// --interval is for the devices that give none. Returns the exit status:
// failed when a device has not completed a single round.
int run_site(const RunOptions& options);

}  // namespace plugin_host
