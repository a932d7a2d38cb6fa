#include "tools/plugin-host/report/report_options.h"

#include <memory>

#include <CLI/CLI.hpp>

namespace plugin_host {

CommandAction add_report_command(CLI::App& tool)
{
    auto options = std::make_shared<ReportOptions>();
    CLI::App& command = add_subcommand(tool, "report", "write an HTML page with charts of history files");
    path_option(command.add_option("HISTORY", options->histories,
                                   "history files (records back to back, as run --history and the daemon write them) or "
                                   "folders of them"))
        ->required()
        ->type_name("");
    path_option(command.add_option("-o,--output", options->output, "write the page to FILE (default: standard output)"))
        ->type_name("FILE");
    add_config_option(command, options->config_path,
                      "the device's JSON document, with the host's alarm levels and thresholds under \"host\" "
                      "as run takes them (default: the sample document, which enables the AC and DC rules)");
    add_plugin_option(command, options->plugin);
    command.footer(
        "Writes one HTML page with charts of the records in the history files on one\n"
        "time axis: DC bus voltage and currents, AC phase voltages and frequency,\n"
        "rectifier output and each module's current, and the alarms the plug-in judges\n"
        "from each record. The page needs no network to open.\n\n"
        "A folder stands for its files (those whose names do not start with a dot), and\n"
        "files may come in any order: records are charted in the order of their round\n"
        "times. An empty file among several is left out with a note. A round time that\n"
        "is no calendar date, or lies more than a day outside the middle 99 % of the\n"
        "times, is left off the charts and listed in the page's header.");
    return [options] { return report_command(*options); };
}

}  // namespace plugin_host
