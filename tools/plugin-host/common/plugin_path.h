// Where the tool finds the plug-in when no --plugin is given.
#pragma once

#include <string>

// The plug-in built beside the tool: <bin>/../lib/libqorv52_419.so.
std::string default_plugin_path();
