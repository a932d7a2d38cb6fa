// The exit statuses of plugin-host, the same for every subcommand.
#pragma once

namespace plugin_host {

enum ExitStatus : int {
    // The work was done.
    EXIT_DONE = 0,
    // The work failed while running: the line, the plug-in, the file system,
    // or run without a single completed round.
    EXIT_FAILED = 1,
    // The command line or an input file is wrong: options, scenario,
    // configuration, decode input.
    EXIT_WRONG_INPUT = 2,
};

// The table as --help and the manual page show it.
extern const char* const exit_status_table;

}  // namespace plugin_host
