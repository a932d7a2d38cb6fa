// plugin-host decode.
#include <iostream>

#include "tools/plugin-host/commands.h"

int run_decode_command(int, char**)
{
    std::cerr << "plugin-host decode: not available yet\n";
    return 2;
}
