// plugin-host decode: its options, and its work (decode_command.cpp).
#pragma once

#include <string>
#include <vector>

#include "tools/plugin-host/cli/command_line.h"

namespace plugin_host {

struct DecodeOptions {
    std::vector<std::string> inputs;  // files and folders, or - for standard input
    bool hex = false;
    bool table = false;
    bool csv = false;
};

CommandAction add_decode_command(CLI::App& tool);

int decode_command(const DecodeOptions& options);

}  // namespace plugin_host
