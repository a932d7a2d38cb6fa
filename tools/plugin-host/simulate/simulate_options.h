// plugin-host simulate: its options, and its work (simulate_command.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/plugin-host/cli/command_line.h"
#include "tools/simulator/simulator.h"

namespace plugin_host {

struct SimulateOptions {
    std::string port;  // empty: a new pseudo-terminal
    std::string link;  // a symbolic link to the pseudo-terminal
    int baud = 9600;
    std::vector<std::uint8_t> addresses{1};  // several: a bus of power systems
    int protocol_version = 0x20;
    simulator::SimulatorSettings settings;
};

CommandAction add_simulate_command(CLI::App& tool);

int simulate_command(SimulateOptions& options);

}  // namespace plugin_host
