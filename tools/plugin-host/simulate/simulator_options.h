// Options that shape the simulated power system, shared by plugin-host run
// (with the simulator) and plugin-host simulate.
#pragma once

#include <string>

#include "tools/simulator/simulator.h"

namespace CLI {
class App;
}  // namespace CLI

namespace plugin_host {

// Adds --modules, --dc-units, --dc-unit-count, --steady, --event, --script,
// --from-capture and --paced, which fill settings, listed under "simulator
// options".
void add_simulator_options(CLI::App& command, simulator::SimulatorSettings& settings);

// What the simulated power system is, for the line that announces it:
// "6 rectifier modules, 1 DC unit" or the capture it answers from, and the
// pace of its line.
std::string simulated_system_text(const simulator::SimulatorSettings& settings, int baud);

// The event names with one line each, and how WHEN and N are written.
std::string simulator_events_help();

}  // namespace plugin_host
