// plugin-host: runs the qorv52_419 plug-in on the host framework stand-in,
// without the daemon and, with the simulator, without the power system.
#include <cstring>
#include <iostream>
#include <string>

#include "tools/plugin-host/commands.h"

namespace {

const char* const usage =
    "usage: plugin-host COMMAND [options]   (plugin-host COMMAND --help for each)\n"
    "\n"
    "commands:\n"
    "  info       load the plug-in, create and configure one device, print what it reports\n"
    "  replay     drive one device through a scenario file and write a transcript\n"
    "  decode     print stored 1003-byte records field by field\n"
    "  run        poll a power system (simulated by default) round after round\n"
    "  simulate   act as the power system on a pseudo-terminal or serial port\n"
    "  report     write an HTML page with charts of history files\n";

struct Command {
    const char* name;
    int (*run)(int, char**);
};

const Command commands[] = {
    {"info", run_info_command},     {"replay", run_replay_command},     {"decode", run_decode_command},
    {"run", run_run_command},       {"simulate", run_simulate_command}, {"report", run_report_command},
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::cout << usage;
        return argc < 2 ? 2 : 0;
    }
    for (const Command& command : commands) {
        if (std::strcmp(argv[1], command.name) == 0) {
            return command.run(argc - 2, argv + 2);
        }
    }
    std::cerr << "plugin-host: unknown command " << argv[1] << "\n" << usage;
    return 2;
}
