#include "tools/plugin-host/simulate/simulate_options.h"

#include <memory>

#include <CLI/CLI.hpp>

#include "tools/plugin-host/simulate/simulator_options.h"
#include "tools/simulator/power_system_bus.h"

namespace plugin_host {

CommandAction add_simulate_command(CLI::App& tool)
{
    auto options = std::make_shared<SimulateOptions>();
    CLI::App& command =
        add_subcommand(tool, "simulate", "act as the power system on a pseudo-terminal or serial port");
    CLI::Option* port =
        path_option(command.add_option("--port", options->port, "answer on this serial port"))->type_name("PATH");
    path_option(command.add_option("--link", options->link,
                                   "a symbolic link to the pseudo-terminal, removed on exit: a stable name for the "
                                   "host while simulators come and go"))
        ->type_name("PATH")
        ->excludes(port);
    add_baud_option(command, options->baud, "its baud rate (default 9600)");
    command
        .add_option_function<std::string>(
            "--address",
            [options](const std::string& text) {
                try {
                    options->addresses = simulator::parse_addresses(text);
                } catch (const std::invalid_argument& error) {
                    throw CLI::ValidationError(std::string("--address: ") + error.what());
                }
            },
            "the power system's address (default 1); several, such as 1,2,3 or 1-8, make a bus of power "
            "systems, one at each, and an event may name its address: --event '@2 3 mains-failure'")
        ->type_name("N[,N...]");
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
