// plugin-host report: its options, and its work (report_command.cpp).
#pragma once

#include <string>
#include <vector>

#include "tools/plugin-host/cli/command_line.h"

namespace plugin_host {

struct ReportOptions {
    std::vector<std::string> histories;
    std::string output;       // empty: standard output
    std::string config_path;  // empty: the sample document
    std::string plugin;
};

CommandAction add_report_command(CLI::App& tool);

int report_command(const ReportOptions& options);

}  // namespace plugin_host
