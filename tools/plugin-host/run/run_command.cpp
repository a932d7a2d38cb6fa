// plugin-host run: the host's main loop, for the devices of a site document
// or, without one, for one device (a site of one) against the simulated
// power system (default) or a real one on a serial port.
#include <stdexcept>

#include "tools/plugin-host/common/device_config.h"
#include "tools/plugin-host/run/history_name.h"
#include "tools/plugin-host/run/run_options.h"
#include "tools/plugin-host/run/site_document.h"
#include "tools/plugin-host/run/site_runner.h"

namespace plugin_host {

namespace {

// The site of one device that run's command line describes.
Site command_line_site(const RunOptions& options)
{
    Site site;
    site.single = true;
    SiteDevice device;
    device.address = options.address;
    device.config = options.config_path.empty() ? sample_device_config() : load_device_config(options.config_path);
    device.history = options.history;
    device.keep_days = options.keep_days;
    if (device.keep_days != 0 && !HistoryName(device.history).daily()) {
        throw std::invalid_argument("--keep-days takes a --history whose name carries the day: %Y, %m and %d");
    }
    device.capture = options.capture;
    device.simulated = options.simulated;
    site.devices.push_back(device);
    SiteLine line;
    line.port = options.simulate ? "simulated" : options.port;
    line.simulated = options.simulate;
    line.baud = options.baud;
    line.paced = options.simulated.paced;
    line.devices.push_back(0);
    site.lines.push_back(line);
    return site;
}

}  // namespace

int run_command(const RunOptions& options)
{
    const SiteSource source = [&options] {
        return options.site.empty() ? command_line_site(options) : read_site(options.site, options.state_dir);
    };
    return run_site(source, options);
}

}  // namespace plugin_host
