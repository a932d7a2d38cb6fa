// What the service manager hears from a run (systemd's notify protocol,
// through libsystemd's sd_notify): ready once every device polls, a one-line
// state, stopping, reloading, and the watchdog's keep-alive. Without
// NOTIFY_SOCKET in the environment (not started by systemd as a notify
// service) nothing is sent and nothing changes.
#pragma once

#include <chrono>
#include <string>

namespace plugin_host {

class ServiceNotify {
public:
    ServiceNotify();

    // Started by a service manager that listens.
    bool listening() const { return listening_; }
    // The watchdog's period (WATCHDOG_USEC), or zero when there is none.
    std::chrono::microseconds watchdog() const { return watchdog_; }

    void ready() const;
    void reloading() const;
    void stopping() const;
    void keep_alive() const;
    // STATUS=text, when it changed since the last one.
    void status(const std::string& text);

private:
    void send(const std::string& message) const;

    bool listening_ = false;
    std::chrono::microseconds watchdog_{0};
    std::string last_status_;
};

}  // namespace plugin_host
