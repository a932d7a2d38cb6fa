// plugin-host run: its options, and its work (run_command.cpp).
#pragma once

#include <string>

#include "tools/plugin-host/cli/command_line.h"
#include "tools/plugin-host/mqtt/mqtt_settings.h"
#include "tools/simulator/simulator.h"

namespace plugin_host {

struct RunOptions {
    std::string plugin;
    std::string config_path;  // empty: the sample document
    bool simulate = true;     // false with --port
    std::string port;
    int baud = 0;  // 0: the device's own
    int address = 1;
    int rounds = 0;  // 0: until SIGINT or SIGTERM
    std::string history;  // may carry the date (HistoryName)
    int keep_days = 0;    // 0: every day file is kept
    std::string capture;
    bool json = false;
    int timeout_ms = 1000;
    int interval_seconds = 2;
    std::string log = "stderr";
    bool fast = false;
    std::string plugin_output;
    std::string site;  // a site document: every device in it instead of one
    std::string metrics;  // PORT or ADDRESS:PORT of the metrics endpoint; empty: none
    MqttSettings mqtt;    // the broker records go to; over the site document's
    std::string state_dir;  // empty: the site's relative history and capture names are in its folder
    simulator::SimulatorSettings simulated;
};

CommandAction add_run_command(CLI::App& tool);

int run_command(const RunOptions& options);

}  // namespace plugin_host
