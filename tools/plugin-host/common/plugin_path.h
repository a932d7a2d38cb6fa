// Where the tool finds the plug-in when no --plugin is given.
#pragma once

#include <string>

namespace plugin_host {

// The plug-in built beside the tool: <bin>/../lib/libqorv52_419.so.
std::string default_plugin_path();

}  // namespace plugin_host
