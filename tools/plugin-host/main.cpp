// plugin-host: runs the qorv52_419 plug-in on the host framework stand-in,
// without the daemon and, with the simulator, without the power system.
#include "tools/plugin-host/subcommands.h"

int main(int argc, char** argv) { return plugin_host::plugin_host_main(argc, argv); }
