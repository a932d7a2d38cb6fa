#include "tools/plugin-host/simulate_options.h"

#include <memory>

#include <CLI/CLI.hpp>

#include "tools/plugin-host/simulator_options.h"

namespace plugin_host {

CommandAction add_simulate_command(CLI::App& tool)
{
    auto options = std::make_shared<SimulateOptions>();
    CLI::App& command =
        add_subcommand(tool, "simulate", "act as the power system on a pseudo-terminal or serial port");
    CLI::Option* port =
        command.add_option("--port", options->port, "answer on this serial port")->type_name("PATH");
    command
        .add_option("--link", options->link,
                    "a symbolic link to the pseudo-terminal, removed on exit: a stable name for the host while "
                    "simulators come and go")
        ->type_name("PATH")
        ->excludes(port);
    add_baud_option(command, options->baud, "its baud rate (default 9600)");
    add_decimal_option(command, "--address", options->address, 0, 255, "the power system's address (default 1)");
    add_decimal_option(command, "--protocol-version", options->protocol_version, 0, 255,
                       "the protocol version byte (default 32, that is 0x20)");
    add_simulator_options(command, options->settings);
    command.footer(
        "Answers the monitoring protocol as a -48 V power system until SIGINT or SIGTERM.\n"
        "Without --port it makes a pseudo-terminal and prints the path to poll."
        "\n\n" + simulator_events_help());
    return [options] { return simulate_command(*options); };
}

}  // namespace plugin_host
