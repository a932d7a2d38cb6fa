// plugin-host run: every device of a site in one process, as the daemon
// keeps them, and a single `run` as a site of one device. Each line (a
// serial port, or a simulated bus on a pseudo-terminal) has a thread of its
// own (line_poller), so lines are polled side by side. The runner sets the
// site up, tells a service manager how it goes, and on SIGHUP reads the site
// again and applies the difference without a gap for the devices it keeps.
#pragma once

#include <functional>

#include "tools/plugin-host/run/run_options.h"
#include "tools/plugin-host/run/site_document.h"

namespace plugin_host {

// Reads the site: the site document, or the single run's command line and
// its --config. Throws std::invalid_argument for a document that is wrong.
using SiteSource = std::function<Site()>;

// Runs the site that `source` gives, and on SIGHUP the one it gives then;
// --rounds counts for each device, and --interval is for the devices that
// give none. Returns the exit status: failed when a device asked for rounds,
// that started some, or whose line is lost, has not completed a single one.
// Throws std::invalid_argument for a wrong site, or --fast on a site with
// serial ports.
int run_site(const SiteSource& source, const RunOptions& options);

}  // namespace plugin_host
