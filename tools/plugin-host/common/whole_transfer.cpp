#include "tools/plugin-host/common/whole_transfer.h"

#include <cerrno>

namespace plugin_host {

std::size_t transfer_whole(std::size_t size, const std::function<ssize_t(std::size_t done)>& step, int& error)
{
    std::size_t done = 0;
    error = 0;
    while (done < size) {
        const ssize_t result = step(done);
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result <= 0) {
            error = result < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<std::size_t>(result);
    }
    return done;
}

}  // namespace plugin_host
