// plugin-host info: load the plug-in, create and configure one device, and
// print what it reports.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include <json/reader.h>

#include "host/plugin_loader.h"
#include "host/pmbus_protocol.h"
#include "tools/plugin-host/commands.h"
#include "tools/plugin-host/plugin_path.h"

namespace {

const char* const usage =
    "usage: plugin-host info [--plugin PATH] [--config FILE]\n"
    "\n"
    "Loads the plug-in as the daemon does, creates one device, configures it with\n"
    "the JSON document in FILE (default: a sample document) and prints what it reports.\n";

const char* const sample_config = R"({
  "appSetting": { "b_mode": "2", "has_ac": "1", "has_dc": "1", "has_a": "1", "has_b": "1", "has_c": "1" }
})";

}  // namespace

int run_info_command(int argc, char** argv)
{
    std::string plugin = default_plugin_path();
    std::string config_text = sample_config;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return 0;
        }
        if (arg == "--plugin" && i + 1 < argc) {
            plugin = argv[++i];
        } else if (arg == "--config" && i + 1 < argc) {
            std::ifstream file(argv[++i]);
            if (!file) {
                std::cerr << "plugin-host: cannot read " << argv[i] << "\n";
                return 2;
            }
            std::ostringstream text;
            text << file.rdbuf();
            config_text = text.str();
        } else {
            std::cerr << "plugin-host info: unknown argument " << arg << "\n" << usage;
            return 2;
        }
    }
    Json::Value config;
    Json::Reader reader;
    if (!reader.parse(config_text, config)) {
        std::cerr << "plugin-host: the configuration is not JSON: " << reader.getFormattedErrorMessages();
        return 2;
    }
    try {
        PluginLibrary library(plugin);
        auto device = library.create_device();
        const int configured = device->InitSetting(config);
        std::cout << "plug-in:        " << plugin << "\n"
                  << "providers:      " << library.providers().size() << "\n"
                  << "device type:    " << device->DeviceType() << "\n"
                  << "data id:        " << device->DataId() << "\n"
                  << "InitSetting:    " << configured << "\n"
                  << "baud rate:      " << device->baud_rate_ << "\n"
                  << "children:       " << device->GetAllChildVDevices().size() << "\n";
        if (const auto* protocol = dynamic_cast<const PMBusProtocol*>(device.get())) {
            std::cout << "version byte:   0x" << std::hex << static_cast<int>(protocol->protocol_version_)
                      << std::dec << "\n";
        }
    } catch (const std::exception& error) {
        std::cerr << "plugin-host: cannot load the plug-in: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
