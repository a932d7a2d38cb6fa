#include "tools/plugin-host/common/plugin_device.h"

#include <stdexcept>

namespace plugin_host {

PluginDevice load_plugin_device(const std::string& path)
{
    PluginDevice loaded;
    try {
        loaded.library = std::make_unique<PluginLibrary>(path);
        loaded.device = loaded.library->create_device();
    } catch (const std::exception& error) {
        throw std::runtime_error("cannot load the plug-in " + path + ": " + error.what());
    }
    if (!loaded.device) {
        throw std::runtime_error("cannot load the plug-in " + path + ": its factory created no device");
    }
    return loaded;
}

}  // namespace plugin_host
