// plugin-host replay: its options, and its work (replay_command.cpp).
#pragma once

#include <string>

#include "tools/plugin-host/cli/command_line.h"

namespace plugin_host {

struct ReplayOptions {
    std::string scenario;  // a file, or - for standard input
    std::string plugin;
    std::string transcript;  // empty: standard output
};

CommandAction add_replay_command(CLI::App& tool);

int replay_command(const ReplayOptions& options);

}  // namespace plugin_host
