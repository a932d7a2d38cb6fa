// A device set up as on a full-size site, for the benchmarks and the report.
#pragma once

#include "device/qorv52_419.h"
#include "testbed/site_scenario.h"

namespace bench {

// Configured with this alarm mode, every threshold rule switched on, and one
// first round done so that the record holds the site's data and the DC reply
// format is known. Lives as long as the benchmark that uses it.
inline void set_up(qorv52_419& device, int alarm_mode)
{
    device.InitSetting(site_scenario::configuration(alarm_mode));
    site_scenario::enable_every_rule(device);
    site_scenario::site replies;
    site_scenario::run_first_round(device, replies);
}

}  // namespace bench
