// The plug-in loaded as the daemon loads it, and the one device the tool
// drives.
#pragma once

#include <memory>
#include <string>

#include "host/plugin_loader.h"

namespace plugin_host {

struct PluginDevice {
    std::unique_ptr<PluginLibrary> library;
    // Declared after the library, so destroyed before it: its code lives there.
    std::unique_ptr<SMDSPDevice> device;
};

// Loads the plug-in at path and creates one device. Throws
// std::runtime_error "cannot load the plug-in PATH: ..." when the library,
// its entry point or its factory fails.
PluginDevice load_plugin_device(const std::string& path);

}  // namespace plugin_host
