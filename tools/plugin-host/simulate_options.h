// plugin-host simulate: its options, and its work (simulate_command.cpp).
#pragma once

#include <string>

#include "tools/plugin-host/command_line.h"
#include "tools/simulator/simulator.h"

namespace plugin_host {

struct SimulateOptions {
    std::string port;  // empty: a new pseudo-terminal
    std::string link;  // a symbolic link to the pseudo-terminal
    int baud = 9600;
    int address = 1;
    int protocol_version = 0x20;
    simulator::SimulatorSettings settings;
};

CommandAction add_simulate_command(CLI::App& tool);

int simulate_command(SimulateOptions& options);

}  // namespace plugin_host
