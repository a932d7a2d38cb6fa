#include "tools/plugin-host/common/plugin_path.h"

#include <climits>
#include <unistd.h>

namespace plugin_host {

std::string default_plugin_path()
{
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) {
        return "libqorv52_419.so";
    }
    std::string dir(exe, static_cast<std::size_t>(n));
    dir.erase(dir.find_last_of('/'));
    return dir + "/../lib/libqorv52_419.so";
}

}  // namespace plugin_host
