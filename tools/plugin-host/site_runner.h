// plugin-host run --site: every device of a site in one process, as the
// daemon keeps them. Each line (a serial port, or a simulated bus on a
// pseudo-terminal) has a thread of its own, so lines are polled side by
// side; the devices on one line take turns on it, one request outstanding
// at a time, each when its own interval comes round.
#pragma once

#include <functional>
#include <string>

#include "tools/plugin-host/site_document.h"

struct SiteRunSettings {
    std::string plugin;
    unsigned rounds = 0;        // per device; 0: until SIGINT or SIGTERM
    bool json = false;
    int timeout_ms = 1000;
    int interval_seconds = 2;   // for devices that give none
    bool syslog = false;        // line messages to syslog instead of standard error
};

// Runs the site; `show` prints a round's summary. Returns the exit status.
int run_site(const Site& site, const SiteRunSettings& settings, const std::function<void(const std::string&)>& show);
