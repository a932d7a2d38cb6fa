#include "tools/plugin-host/info/info_options.h"

#include <memory>

#include <CLI/CLI.hpp>

namespace plugin_host {

CommandAction add_info_command(CLI::App& tool)
{
    auto options = std::make_shared<InfoOptions>();
    CLI::App& command =
        add_subcommand(tool, "info", "load the plug-in, create and configure one device, print what it reports");
    add_plugin_option(command, options->plugin);
    add_config_option(command, options->config_path, "the device's JSON document (default: the sample document)");
    add_plugin_output_option(command, options->plugin_output);
    command.footer(
        "Loads the plug-in as the daemon does, creates one device, configures it with the\n"
        "JSON document in FILE (default: the sample document) and prints what it reports.");
    return [options] { return info_command(*options); };
}

}  // namespace plugin_host
