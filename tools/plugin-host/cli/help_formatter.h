// How plugin-host lays out --help: usage first, then what the command does,
// its options with their descriptions wrapped to the terminal's 80 columns,
// and the footer (events, exit statuses).
#pragma once

#include <string>

#include <functional>

#include <CLI/FormatterFwd.hpp>

namespace plugin_host {

class HelpFormatter : public CLI::Formatter {
public:
    HelpFormatter();

    std::string make_help(const CLI::App* app, std::string name, CLI::AppFormatMode mode) const override;
    std::string make_option(const CLI::Option* option, bool is_positional) const override;
    std::string make_option_opts(const CLI::Option* option) const override;
    std::string make_subcommand(const CLI::App* command) const override;
};

}  // namespace plugin_host
