// plugin-host run.
#include <iostream>

#include "tools/plugin-host/commands.h"

int run_run_command(int, char**)
{
    std::cerr << "plugin-host run: not available yet\n";
    return 2;
}
