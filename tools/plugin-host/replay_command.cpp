// plugin-host replay.
#include <iostream>

#include "tools/plugin-host/commands.h"

int run_replay_command(int, char**)
{
    std::cerr << "plugin-host replay: not available yet\n";
    return 2;
}
