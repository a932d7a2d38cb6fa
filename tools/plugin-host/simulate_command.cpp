// plugin-host simulate.
#include <iostream>

#include "tools/plugin-host/commands.h"

int run_simulate_command(int, char**)
{
    std::cerr << "plugin-host simulate: not available yet\n";
    return 2;
}
