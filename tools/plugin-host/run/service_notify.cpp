#include "tools/plugin-host/run/service_notify.h"

#include <cstdint>
#include <cstdlib>

#include <systemd/sd-daemon.h>

namespace plugin_host {

ServiceNotify::ServiceNotify()
{
    const char* socket = std::getenv("NOTIFY_SOCKET");
    listening_ = socket != nullptr && *socket != '\0';
    std::uint64_t usec = 0;
    if (listening_ && sd_watchdog_enabled(0, &usec) > 0) {
        watchdog_ = std::chrono::microseconds(usec);
    }
}

void ServiceNotify::send(const std::string& message) const
{
    if (listening_) {
        sd_notify(0, message.c_str());
    }
}

void ServiceNotify::ready() const { send("READY=1"); }

void ServiceNotify::reloading() const { send("RELOADING=1"); }

void ServiceNotify::stopping() const { send("STOPPING=1"); }

void ServiceNotify::keep_alive() const { send("WATCHDOG=1"); }

void ServiceNotify::status(const std::string& text)
{
    if (text != last_status_) {
        last_status_ = text;
        send("STATUS=" + text);
    }
}

}  // namespace plugin_host
