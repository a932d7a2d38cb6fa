#include "tools/plugin-host/subcommands.h"

#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "tools/plugin-host/cli/command_line.h"
#include "tools/plugin-host/records/decode_options.h"
#include "tools/plugin-host/cli/exit_status.h"
#include "tools/plugin-host/cli/help_formatter.h"
#include "tools/plugin-host/info/info_options.h"
#include "tools/plugin-host/scenario/replay_options.h"
#include "tools/plugin-host/report/report_options.h"
#include "tools/plugin-host/run/run_options.h"
#include "tools/plugin-host/simulate/simulate_options.h"
#include "tools/plugin-host/cli/tool_version.h"

namespace plugin_host {

const char* const exit_status_table =
    "exit status (every subcommand):\n"
    "  0  the work was done\n"
    "  1  the work failed while running: the serial line, the plug-in, the file\n"
    "     system; run also gives 1 when no round completed although it was asked\n"
    "     for rounds (--rounds N) or started at least one\n"
    "  2  the command line or an input file is wrong: options, scenario,\n"
    "     configuration, decode input\n";

namespace {

// Every subcommand, in the order --help lists them: a new subcommand is one
// more line here and its own NAME_options.cpp.
const CommandSetup command_setups[] = {
    add_info_command, add_replay_command, add_decode_command, add_run_command, add_simulate_command, add_report_command,
};

// "plugin-host" or "plugin-host run": the name that messages start with.
std::string chosen_name(const CLI::App& tool)
{
    const std::vector<CLI::App*> chosen = tool.get_subcommands();
    return chosen.empty() ? tool.get_name() : tool.get_name() + " " + chosen.front()->get_name();
}

// The library's message, said the way command-line tools of the trade say it.
std::string usage_problem(const CLI::App& tool, const CLI::Error& error, bool subcommand_chosen)
{
    const std::string text = error.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        std::string first = text.substr(text.find(": ") + 2);
        first = first.substr(0, first.find(' '));
        if (first.size() > 1 && first[0] == '-') {
            return "unknown option " + first;
        }
        return (subcommand_chosen ? "unexpected argument " : "unknown command ") + first;
    }
    if (!subcommand_chosen && dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
        const std::vector<std::string> left = tool.remaining();
        if (!left.empty() && left.front().rfind("-", 0) != 0) {
            return "unknown command " + left.front();
        }
        return left.empty() ? "a command is required" : "unknown option " + left.front();
    }
    return text;
}

}  // namespace

int plugin_host_main(int argc, char** argv)
{
    CLI::App tool("Runs the qorv52_419 plug-in on a stand-in of the site-monitoring daemon's device\n"
                  "framework: with the simulated power system, a stored scenario, or a power system\n"
                  "on a serial port.",
                  "plugin-host");
    tool.formatter(std::make_shared<HelpFormatter>());
    tool.option_defaults()->group("options");
    tool.set_help_flag("-h,--help", "print this help and exit");
    tool.set_version_flag("-V,--version", [] { return version_text(); }, "print the version and the plug-in's path");
    tool.require_subcommand(1);
    tool.footer(std::string("Each command has its own --help.\n\n") + exit_status_table);

    std::vector<std::pair<CLI::App*, CommandAction>> actions;
    for (const CommandSetup setup : command_setups) {
        CommandAction action = setup(tool);
        actions.emplace_back(tool.get_subcommands([](CLI::App*) { return true; }).back(), std::move(action));
    }

    try {
        tool.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return tool.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return tool.exit(version);
    } catch (const CLI::ParseError& error) {
        const std::string name = chosen_name(tool);
        std::cerr << name << ": " << usage_problem(tool, error, name != tool.get_name()) << "\n"
                  << "Try '" << name << " --help'.\n";
        return EXIT_WRONG_INPUT;
    } catch (const std::invalid_argument& error) {
        // A file an option names (an event script) is wrong.
        std::cerr << chosen_name(tool) << ": " << error.what() << "\n";
        return EXIT_WRONG_INPUT;
    }

    const std::string name = chosen_name(tool);
    try {
        for (const auto& [command, action] : actions) {
            if (command->parsed()) {
                return action();
            }
        }
    } catch (const std::invalid_argument& error) {
        std::cout.flush();
        std::cerr << name << ": " << error.what() << std::endl;
        return EXIT_WRONG_INPUT;
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << name << ": " << error.what() << std::endl;
        return EXIT_FAILED;
    }
    return EXIT_WRONG_INPUT;
}

}  // namespace plugin_host
