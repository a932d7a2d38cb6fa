#include "tools/plugin-host/subcommands.h"

#include <iostream>
#include <memory>
#include <optional>
#include <set>
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
#include "tools/plugin-host/common/near_name.h"

namespace plugin_host {

const char* const exit_status_table =
    "exit status (every subcommand):\n"
    "  0  the work was done\n"
    "  1  the work failed while running: the serial line, the plug-in, the file\n"
    "     system (an output that cannot be written, standard output included);\n"
    "     run also gives 1 when a device completed no round although it was\n"
    "     asked for rounds (--rounds N), started one, or its line is lost\n"
    "  2  the command line or an input file is wrong: options, scenario,\n"
    "     configuration, site, decode and report input (missing, empty, a\n"
    "     directory), or one file named for two uses\n";

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

// "unknown option --round (did you mean --rounds?)".
std::string unknown_option(const CLI::App& command, const std::string& given)
{
    const std::string name = given.substr(0, given.find('='));
    std::set<std::string> known;
    for (const CLI::Option* option : command.get_options()) {
        for (const std::string& long_name : option->get_lnames()) {
            known.insert("--" + long_name);
        }
    }
    const std::optional<std::string> near = nearest_name(name, known);
    return "unknown option " + name + (near ? " (did you mean " + *near + "?)" : "");
}

// The library's message, said the way command-line tools of the trade say it.
std::string usage_problem(const CLI::App& tool, const CLI::Error& error, const CLI::App* chosen)
{
    const std::string text = error.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&error) != nullptr) {
        // An unknown option is named before any value that followed it, as
        // in run --round 5.
        const std::vector<std::string> extras = tool.remaining(true);
        for (const std::string& extra : extras) {
            if (extra.size() > 1 && extra[0] == '-') {
                return unknown_option(chosen != nullptr ? *chosen : tool, extra);
            }
        }
        std::string first = extras.empty() ? text.substr(text.find(": ") + 2) : extras.front();
        first = first.substr(0, first.find(' '));
        return (chosen != nullptr ? "unexpected argument " : "unknown command ") + first;
    }
    if (chosen == nullptr && dynamic_cast<const CLI::RequiredError*>(&error) != nullptr) {
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

    // "--history=" is an empty value, as "--history ''" is; the library would
    // take the next argument, even an option, as the value instead.
    std::vector<std::string> arguments;
    for (int i = argc - 1; i > 0; --i) {
        const std::string argument = argv[i];
        if (argument.size() > 3 && argument.compare(0, 2, "--") == 0 && argument.back() == '=' &&
            argument.find('=') == argument.size() - 1) {
            arguments.emplace_back();
            arguments.push_back(argument.substr(0, argument.size() - 1));
        } else {
            arguments.push_back(argument);
        }
    }
    try {
        tool.parse(arguments);
    } catch (const CLI::CallForHelp& help) {
        return tool.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return tool.exit(version);
    } catch (const CLI::ParseError& error) {
        const std::string name = chosen_name(tool);
        const std::vector<CLI::App*> chosen = tool.get_subcommands();
        std::cerr << name << ": " << usage_problem(tool, error, chosen.empty() ? nullptr : chosen.front()) << "\n"
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
