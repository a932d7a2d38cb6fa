#include "tools/plugin-host/cli/command_line.h"

#include <functional>
#include <memory>
#include <stdexcept>

#include <CLI/CLI.hpp>

#include "host/serial_port.h"
#include "tools/plugin-host/common/plugin_path.h"
#include "tools/plugin-host/cli/tool_version.h"

namespace plugin_host {

CLI::App& add_subcommand(CLI::App& tool, const std::string& name, const std::string& summary)
{
    CLI::App& command = *tool.add_subcommand(name, summary);
    command.group("commands");
    // Made again so that it joins the command's own "options" group.
    command.set_help_flag("-h,--help", "print this help and exit");
    command.set_version_flag("-V,--version", [] { return version_text(); }, "print the version and the plug-in's path");
    return command;
}

long decimal_number(const std::string& option, const std::string& text, long low, long high)
{
    const bool digits = !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    const long long value = digits && text.size() <= 10 ? std::stoll(text, nullptr, 10) : -1;
    if (digits && (text.size() > 10 || value < low || value > high)) {
        throw std::invalid_argument(option + ": " + text + " is out of range: from " + std::to_string(low) + " to " +
                                    std::to_string(high));
    }
    if (!digits) {
        const bool hex = text.size() > 1 && text[0] == '0' && (text[1] | 0x20) == 'x';
        throw std::invalid_argument(option + " takes a decimal number from " + std::to_string(low) + " to " +
                                    std::to_string(high) + ", not \"" + text + "\"" +
                                    (hex ? " (hexadecimal is not taken)" : ""));
    }
    return static_cast<long>(value);
}

namespace {

// An option whose text `read` turns into its value, or refuses with
// std::invalid_argument naming the option. (The library would read "010" as
// octal and "0x10" as hex: numbers are read here.)
CLI::Option* add_read_option(CLI::App& command, const std::string& names, const std::string& description,
                             std::function<void(const std::string& name, const std::string& text)> read)
{
    auto name = std::make_shared<std::string>();
    CLI::Option* option = command.add_option_function<std::string>(
        names,
        [name, read](const std::string& text) {
            try {
                read(*name, text);
            } catch (const std::invalid_argument& error) {
                throw CLI::ValidationError(error.what());
            }
        },
        description);
    *name = option->get_name();
    return option->type_name("N");
}

}  // namespace

CLI::Option* add_decimal_option(CLI::App& command, const std::string& names, int& target, int low, int high,
                                const std::string& description)
{
    return add_read_option(command, names, description, [&target, low, high](const std::string& name, const std::string& text) {
        target = static_cast<int>(decimal_number(name, text, low, high));
    });
}

CLI::Option* add_baud_option(CLI::App& command, int& baud, const std::string& description)
{
    return add_read_option(command, "--baud", description, [&baud](const std::string& name, const std::string& text) {
        const int rate = static_cast<int>(decimal_number(name, text, 1, 4000000));
        try {
            baud_constant(rate);
        } catch (const LineError& error) {
            throw std::invalid_argument(name + ": " + error.what());
        }
        baud = rate;
    });
}

CLI::Option* path_option(CLI::Option* option, bool dash_is_standard_stream)
{
    return option->check(CLI::Validator(
        [dash_is_standard_stream](const std::string& value) -> std::string {
            if (value.empty()) {
                return "an empty value; give a name";
            }
            if (value[0] == '-' && !(dash_is_standard_stream && value == "-")) {
                return "\"" + value + "\" looks like an option, not a value (for a file of that name write ./" +
                       value + ")";
            }
            return {};
        },
        ""));
}

void add_plugin_option(CLI::App& command, std::string& plugin)
{
    plugin = default_plugin_path();
    path_option(command.add_option("--plugin", plugin, "the plug-in library (default: the one beside the tool)"))
        ->type_name("PATH");
}

void add_plugin_output_option(CLI::App& command, std::string& target)
{
    path_option(command.add_option("--plugin-output", target,
                                   "where the plug-in's own diagnostic lines go (default: discarded; - is standard "
                                   "output)"),
                true)
        ->type_name("FILE|-");
}

void add_config_option(CLI::App& command, std::string& path, const std::string& description)
{
    path_option(command.add_option("--config", path, description))->type_name("FILE");
}

CLI::Option* checked_by(CLI::Option* option, const std::function<void(const std::string&)>& parse)
{
    return option->check([parse](const std::string& given) {
        try {
            parse(given);
            return std::string();
        } catch (const std::invalid_argument& error) {
            return std::string(error.what());
        }
    });
}

}  // namespace plugin_host
