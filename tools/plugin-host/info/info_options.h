// plugin-host info: its options, and its work (info_command.cpp).
#pragma once

#include <string>

#include "tools/plugin-host/cli/command_line.h"

namespace plugin_host {

struct InfoOptions {
    std::string plugin;
    std::string config_path;  // empty: the sample document
    std::string plugin_output;
};

CommandAction add_info_command(CLI::App& tool);

int info_command(const InfoOptions& options);

}  // namespace plugin_host
