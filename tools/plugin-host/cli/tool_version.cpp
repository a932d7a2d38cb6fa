#include "tools/plugin-host/cli/tool_version.h"

#include "tools/plugin-host/common/plugin_path.h"

namespace plugin_host {

std::string version_text()
{
    std::string text = std::string("plugin-host ") + project_version;
    if (*source_description != '\0') {
        text += std::string(" (") + source_description + ")";
    }
    return text + "\nplug-in: " + default_plugin_path();
}

}  // namespace plugin_host
