// The option layer that every subcommand of plugin-host is read through:
// the shared options, decimal numbers, and the registration of a subcommand.
#pragma once

#include <functional>
#include <string>

namespace CLI {
class App;
class Option;
}  // namespace CLI

namespace plugin_host {

// The work of the subcommand that was chosen, run once its command line has
// been read; returns the exit status.
using CommandAction = std::function<int()>;

// Adds one subcommand (its name, help and options) to the tool and returns
// its work.
using CommandSetup = CommandAction (*)(CLI::App& tool);

// A subcommand with its one-line summary, -h/--help and -V/--version.
CLI::App& add_subcommand(CLI::App& tool, const std::string& name, const std::string& summary);

// A whole number written in decimal ("010" is ten; "0x10" is refused), in
// [low, high]. A bad value is a usage error naming the option.
CLI::Option* add_decimal_option(CLI::App& command, const std::string& names, int& target, int low, int high,
                                const std::string& description);

// --baud N: a rate the serial line can be set to.
CLI::Option* add_baud_option(CLI::App& command, int& baud, const std::string& description);

// Makes `option` one that names a file, port or link: an empty value (an
// unset variable, --history "$UNSET") and a value that looks like an option
// (the value left out, as in --port --rounds 3) are refused, naming the
// option. "-" passes where it means standard input or output.
CLI::Option* path_option(CLI::Option* option, bool dash_is_standard_stream = false);

// Checks `option`'s value with `parse`, which throws std::invalid_argument
// for a value it refuses; the exception's text is the option's message.
CLI::Option* checked_by(CLI::Option* option, const std::function<void(const std::string&)>& parse);

// --plugin PATH, defaulting to the plug-in built or installed beside the tool.
void add_plugin_option(CLI::App& command, std::string& plugin);

// --plugin-output FILE|-: where the plug-in's own diagnostic lines go.
void add_plugin_output_option(CLI::App& command, std::string& target);

// --config FILE: the device's JSON document.
void add_config_option(CLI::App& command, std::string& path, const std::string& description);

// Reads a whole number in decimal; throws std::invalid_argument naming the
// option when the text is not one or lies outside [low, high].
long decimal_number(const std::string& option, const std::string& text, long low, long high);

}  // namespace plugin_host
