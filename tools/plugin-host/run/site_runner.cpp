#include "tools/plugin-host/run/site_runner.h"

#include <atomic>
#include <iostream>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "host/line_log.h"
#include "host/serial_port.h"
#include "tools/plugin-host/cli/exit_status.h"
#include "tools/plugin-host/common/plugin_output.h"
#include "tools/plugin-host/common/stop_signals.h"
#include "tools/plugin-host/metrics/metrics_server.h"
#include "tools/plugin-host/run/run_summary.h"
#include "tools/plugin-host/run/site_document.h"
#include "tools/plugin-host/run/site_station.h"
#include "tools/simulator/line_server.h"
#include "tools/simulator/power_system_bus.h"
#include "tools/simulator/pseudo_terminal.h"

namespace plugin_host {

namespace {

// A line of the site with the devices on it, and the simulated bus behind
// it when there is one. (Declared in the order they are needed: the devices'
// loops go before their logs and the port, the server before its bus.)
struct LineHost {
    const SiteLine* line = nullptr;
    std::string path;
    std::unique_ptr<PseudoTerminal> pty;
    std::unique_ptr<simulator::PowerSystemBus> bus;
    std::unique_ptr<simulator::BackgroundServer> server;
    std::unique_ptr<SerialPort> port;
    std::vector<std::unique_ptr<LineLog>> logs;  // one for each device
    std::vector<std::unique_ptr<SiteStation>> stations;
};

class SiteRun {
public:
    SiteRun(const RunOptions& options, FILE* summary) : options_(options), summary_(summary) {}

    bool stopping() const { return stop_requested() || failed_.load(); }

    void fail(const std::string& why)
    {
        std::lock_guard<std::mutex> lock(output_);
        if (!failed_.exchange(true)) {
            failure_ = why;
        }
    }
    const std::string& failure() const { return failure_; }

    // Gives the devices of one line their turns until each has done its
    // rounds or a stop comes.
    void poll_line(LineHost& host)
    {
        for (;;) {
            SiteStation* next = nullptr;
            for (auto& station : host.stations) {
                const bool done =
                    options_.rounds != 0 && station->rounds() >= static_cast<unsigned>(options_.rounds);
                if (!done && (next == nullptr || station->due() < next->due())) {
                    next = station.get();
                }
            }
            if (next == nullptr || stopping()) {
                return;
            }
            const auto now = std::chrono::steady_clock::now();
            if (next->due() > now) {
                if (wait_for_stop(next->due() - now)) {
                    return;
                }
                continue;
            }
            bool stopped = false;
            try {
                const std::optional<RoundView> round = next->take_turn(stopped);
                if (round) {
                    std::lock_guard<std::mutex> lock(output_);
                    account_.count(*round);
                    show(summary_, options_.json ? summary_json(*round) : summary_text(*round));
                }
            } catch (const std::exception& error) {
                fail(error.what());
            }
            if (stopped) {
                return;
            }
        }
    }

    // The closing line: rounds completed and abandoned, line faults.
    std::string account(std::size_t devices) const { return account_.text(devices); }

private:
    const RunOptions& options_;
    FILE* summary_;
    std::mutex output_;
    std::atomic<bool> failed_{false};
    std::string failure_;
    RunAccount account_;
};

// Makes the simulated bus of a line on a pseudo-terminal: one power system
// for each of its devices, at the device's address and protocol version.
void start_bus(LineHost& host, const Site& site)
{
    std::vector<simulator::SimulatorSettings> systems;
    for (std::size_t i = 0; i < host.line->devices.size(); ++i) {
        simulator::SimulatorSettings settings = site.devices[host.line->devices[i]].simulated;
        settings.version = host.stations[i]->device().protocol_version_;
        systems.push_back(settings);
    }
    host.pty = std::make_unique<PseudoTerminal>();
    host.path = host.pty->slave_path();
    host.bus = std::make_unique<simulator::PowerSystemBus>(systems);
    const std::string name = host.line->port;
    host.bus->set_log([name](const std::string& text) { std::cerr << "simulator " << name << ": " << text << std::endl; });
    host.server = std::make_unique<simulator::BackgroundServer>(*host.bus, *host.pty);
    std::cerr << "plugin-host run: simulated bus " << name << " on " << host.path << ", " << systems.size()
              << (systems.size() == 1 ? " power system" : " power systems") << std::endl;
}

}  // namespace

int run_site(const RunOptions& options)
{
    const Site site = read_site(options.site);
    const ReportStream summary = separate_report_from_plugin_output(options.plugin_output);
    std::unique_ptr<PluginLibrary> library;
    try {
        library = std::make_unique<PluginLibrary>(options.plugin);
    } catch (const std::exception& error) {
        throw std::runtime_error("cannot load the plug-in " + options.plugin + ": " + error.what());
    }
    SiteRun run(options, summary.get());
    const std::string metrics_at = !options.metrics.empty() ? options.metrics : site.metrics;
    SnapshotBoard snapshots;
    std::vector<LineHost> hosts(site.lines.size());
    for (std::size_t l = 0; l < site.lines.size(); ++l) {
        LineHost& host = hosts[l];
        host.line = &site.lines[l];
        host.path = host.line->port;
        for (const std::size_t d : host.line->devices) {
            const std::string origin =
                host.line->simulated ? "a simulated power system on the bus " + host.line->port
                                     : host.line->port + " at address " + std::to_string(site.devices[d].address);
            host.stations.push_back(
                std::make_unique<SiteStation>(site.devices[d], *library, options.interval_seconds, origin));
            if (!metrics_at.empty()) {
                host.stations.back()->publish_snapshots(snapshots.add(), host.line->port, options.plugin);
            }
        }
        if (host.line->simulated) {
            start_bus(host, site);
        }
        const int baud = host.line->baud != 0 ? host.line->baud : host.stations.front()->device().baud_rate_;
        host.port = std::make_unique<SerialPort>(host.path, baud);
        host.port->open();
        for (auto& station : host.stations) {
            // Devices share the port: each line says whose request it was.
            const LineLog::Sink sink = options.log == "syslog" ? syslog_sink() : stderr_sink();
            const std::string lead = station->name() + " on ";
            host.logs.push_back(std::make_unique<LineLog>(
                [sink, lead](Severity severity, const std::string& text) { sink(severity, lead + text); }));
            LoopSettings loop{options.timeout_ms, 3};
            loop.stop = [&run] { return run.stopping(); };
            loop.log = host.logs.back().get();
            station->attach(*host.port, loop);
        }
    }
    const std::unique_ptr<MetricsServer> metrics = serve_metrics(metrics_at, snapshots);
    install_stop_handlers();
    std::vector<std::thread> threads;
    for (LineHost& host : hosts) {
        threads.emplace_back([&run, &host] { run.poll_line(host); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (LineHost& host : hosts) {
        for (auto& station : host.stations) {
            station->device().ClosePort();
        }
        if (host.server) {
            host.server->stop();
        }
        for (auto& log : host.logs) {
            log->flush(true);
        }
    }
    if (!run.failure().empty()) {
        throw std::runtime_error(run.failure());
    }
    std::cerr << "plugin-host run: " << run.account(site.devices.size()) << std::endl;
    // A device that never completed a round is a power system the site does
    // not see: name it.
    int status = EXIT_DONE;
    for (const LineHost& host : hosts) {
        for (const auto& station : host.stations) {
            if (station->completed() == 0 && (options.rounds > 0 || station->rounds() > 0)) {
                std::cerr << "plugin-host run: " << station->name() << " completed no round" << std::endl;
                status = EXIT_FAILED;
            }
        }
    }
    return status;
}

}  // namespace plugin_host
