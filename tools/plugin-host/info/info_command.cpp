// plugin-host info: load the plug-in, create and configure one device, and
// print what it reports.
#include <sstream>

#include "host/pmbus_protocol.h"
#include "tools/plugin-host/common/device_config.h"
#include "tools/plugin-host/info/info_options.h"
#include "tools/plugin-host/common/plugin_device.h"
#include "tools/plugin-host/common/plugin_output.h"

namespace plugin_host {

int info_command(const InfoOptions& options)
{
    const Json::Value config =
        options.config_path.empty() ? sample_device_config() : load_device_config(options.config_path);
    const ReportStream report = separate_report_from_plugin_output(options.plugin_output);
    const PluginDevice loaded = load_plugin_device(options.plugin);
    SMDSPDevice& device = *loaded.device;
    const int configured = device.InitSetting(config);
    std::ostringstream out;
    out << "plug-in:        " << options.plugin << "\n"
        << "providers:      " << loaded.library->providers().size() << "\n"
        << "device type:    " << device.DeviceType() << "\n"
        << "data id:        " << device.DataId() << "\n"
        << "InitSetting:    " << configured << "\n"
        << "baud rate:      " << device.baud_rate_ << "\n"
        << "children:       " << device.GetAllChildVDevices().size() << "\n";
    if (const auto* protocol = dynamic_cast<const PMBusProtocol*>(&device)) {
        out << "version byte:   0x" << std::hex << static_cast<int>(protocol->protocol_version_) << std::dec << "\n";
    }
    show(report.get(), out.str());
    return 0;
}

}  // namespace plugin_host
