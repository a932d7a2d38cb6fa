#include "tools/plugin-host/cli/help_formatter.h"

#include <sstream>

#include <CLI/CLI.hpp>

namespace plugin_host {

namespace {

constexpr std::size_t LINE_WIDTH = 79;
constexpr std::size_t OPTION_COLUMN = 28;

// Fills lines of at most LINE_WIDTH columns, each after `indent` spaces.
std::string wrap(const std::string& text, std::size_t indent)
{
    std::istringstream words(text);
    std::string word, line, out;
    while (words >> word) {
        if (!line.empty() && indent + line.size() + 1 + word.size() > LINE_WIDTH) {
            out += std::string(indent, ' ') + line + "\n";
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    if (!line.empty()) {
        out += std::string(indent, ' ') + line + "\n";
    }
    return out;
}

// A name in the left column and its description wrapped beside it (below it
// when the name is too wide).
std::string entry(const std::string& left, const std::string& description)
{
    const std::string wrapped = wrap(description, OPTION_COLUMN);
    if (left.size() + 1 < OPTION_COLUMN && !wrapped.empty()) {
        return left + wrapped.substr(left.size());
    }
    return left + "\n" + wrapped;
}

}  // namespace

HelpFormatter::HelpFormatter()
{
    label("Usage", "usage");
    label("SUBCOMMAND", "COMMAND");
    label("SUBCOMMANDS", "COMMANDS");
    label("Positionals", "arguments");
    column_width(OPTION_COLUMN);
}

std::string HelpFormatter::make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const
{
    std::string out = make_usage(app, name);
    if (!app->get_description().empty()) {
        out += "\n" + app->get_description() + "\n";
    }
    out += make_positionals(app) + make_groups(app, mode) + make_subcommands(app, mode);
    if (!app->get_footer().empty()) {
        out += "\n" + app->get_footer();
        if (out.back() != '\n') {
            out += "\n";
        }
    }
    return out;
}

std::string HelpFormatter::make_option(const CLI::Option* option, bool is_positional) const
{
    return entry("  " + make_option_name(option, is_positional) + make_option_opts(option), make_option_desc(option));
}

std::string HelpFormatter::make_subcommand(const CLI::App* command) const
{
    return entry("  " + command->get_name(), command->get_description());
}

std::string HelpFormatter::make_option_opts(const CLI::Option* option) const
{
    if (option->get_type_size() == 0 || option->get_type_name().empty()) {
        return "";
    }
    return " " + option->get_type_name();
}

}  // namespace plugin_host
