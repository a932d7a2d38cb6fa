// Options that shape the simulated power system, shared by plugin-host run
// (with the simulator) and plugin-host simulate.
#pragma once

#include <string>

#include "tools/simulator/simulator.h"

// Usage lines of the simulator options.
extern const char* const simulator_options_usage;

// Takes the option at argv[i] (and its value, advancing i) when it is a
// simulator option. Returns false for other options. Throws
// std::invalid_argument with a readable message for a bad value.
bool take_simulator_option(int argc, char** argv, int& i, simulator::SimulatorSettings& settings);

// What the simulated power system is, for the line that announces it:
// "6 rectifier modules, 1 DC unit" or the capture it answers from, and the
// pace of its line.
std::string simulated_system_text(const simulator::SimulatorSettings& settings, int baud);

// The value that follows the option at argv[i], advancing i; throws
// std::invalid_argument naming the option when there is none.
std::string option_value(int argc, char** argv, int& i);

// Parses a whole number option value in [low, high].
int whole_number(const std::string& option, const std::string& text, int low, int high);
