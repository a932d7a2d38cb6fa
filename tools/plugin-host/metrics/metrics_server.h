// The metrics endpoint of a run: GET /metrics over HTTP/1.1 on a thread of
// its own, answered from the devices' snapshots, so a scrape never waits for
// a line. It listens on loopback unless an address is given; any other path
// is 404. Written with Boost.Beast (headers only, as the rest of Boost here):
// Debian 12 packages no Prometheus client library for C++.
#pragma once

#include <memory>
#include <string>

#include "tools/plugin-host/common/device_snapshot.h"

namespace plugin_host {

struct ListenAddress {
    std::string address = "127.0.0.1";
    unsigned short port = 0;
};

// "PORT" (on loopback) or "ADDRESS:PORT" ("0.0.0.0:9419", "[::1]:9419").
// Throws std::invalid_argument naming what is wrong.
ListenAddress parse_listen_address(const std::string& text);

class MetricsServer {
public:
    // Listens at once and says on standard error where. Throws
    // std::runtime_error when it cannot listen there.
    MetricsServer(const ListenAddress& where, const SnapshotBoard& board);
    ~MetricsServer();
    MetricsServer(const MetricsServer&) = delete;
    MetricsServer& operator=(const MetricsServer&) = delete;

    // The port it listens on (the one given, or the one the system chose for 0).
    unsigned short port() const;

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// The server for `where` ("[ADDRESS:]PORT"); none when `where` is empty.
// Throws std::invalid_argument for an address that is not one,
// std::runtime_error when it cannot listen.
std::unique_ptr<MetricsServer> serve_metrics(const std::string& where, const SnapshotBoard& board);

}  // namespace plugin_host
