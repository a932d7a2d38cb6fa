// plugin-host's command line: the tool, its subcommands, and the exit status.
#pragma once

namespace plugin_host {

// Reads the command line, runs the chosen subcommand and returns the exit
// status. A subcommand's work reports a wrong input by throwing
// std::invalid_argument (status 2) and a failure while running by throwing
// another std::exception (status 1).
int plugin_host_main(int argc, char** argv);

}  // namespace plugin_host
