#include "tools/plugin-host/run/site_runner.h"

#include <algorithm>
#include <atomic>
#include <iostream>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "host/line_log.h"
#include "host/serial_port.h"
#include "tools/plugin-host/cli/exit_status.h"
#include "tools/plugin-host/common/file_uses.h"
#include "tools/plugin-host/common/plugin_output.h"
#include "tools/plugin-host/common/stop_signals.h"
#include "tools/plugin-host/metrics/metrics_server.h"
#include "tools/plugin-host/mqtt/mqtt_publisher.h"
#include "tools/plugin-host/run/device_clock.h"
#include "tools/plugin-host/run/run_summary.h"
#include "tools/plugin-host/run/site_station.h"
#include "tools/plugin-host/simulate/simulator_options.h"
#include "tools/simulator/line_server.h"
#include "tools/simulator/paced_line.h"
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
    int baud = 0;
    std::unique_ptr<PseudoTerminal> pty;
    std::unique_ptr<simulator::PowerSystemBus> bus;
    std::unique_ptr<simulator::PacedLine> paced;
    std::unique_ptr<simulator::BackgroundServer> server;
    std::unique_ptr<SerialPort> port;
    std::vector<std::unique_ptr<LineLog>> logs;  // one for each device
    std::vector<std::unique_ptr<SiteStation>> stations;
};

class SiteRun {
public:
    SiteRun(const RunOptions& options, FILE* summary, DeviceClock& clock)
        : options_(options), summary_(summary), clock_(clock)
    {
    }

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
        // However this line ends, it no longer holds a fast clock back.
        struct Leave {
            DeviceClock& clock;
            ~Leave() { clock.leave(); }
        } leave{clock_};
        const bool fast = clock_.mode() == DeviceClock::Mode::fast;
        for (;;) {
            SiteStation* next = nullptr;
            for (auto& station : host.stations) {
                const bool done =
                    options_.rounds != 0 && station->rounds() >= static_cast<unsigned>(options_.rounds);
                if (!done && (next == nullptr || (fast ? station->device_due() < next->device_due()
                                                       : station->due() < next->due()))) {
                    next = station.get();
                }
            }
            if (next == nullptr || stopping()) {
                return;
            }
            if (fast) {
                if (!clock_.wait_until(next->device_due(), [this] { return stopping(); })) {
                    return;
                }
            } else {
                const auto now = std::chrono::steady_clock::now();
                if (next->due() > now) {
                    if (wait_for_stop(next->due() - now)) {
                        return;
                    }
                    continue;
                }
            }
            clock_.before_turn();
            bool stopped = false;
            try {
                const std::optional<RoundView> round = next->take_turn(stopped, clock_.now());
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
    DeviceClock& clock_;
    std::mutex output_;
    std::atomic<bool> failed_{false};
    std::string failure_;
    RunAccount account_;
};

// Makes the simulated bus of a line on a pseudo-terminal: one power system
// for each of its devices, at the device's address and protocol version,
// answering at the speed of the line's baud rate when it is paced.
void start_bus(LineHost& host, const Site& site, bool paced)
{
    std::vector<simulator::SimulatorSettings> systems;
    for (std::size_t i = 0; i < host.line->devices.size(); ++i) {
        simulator::SimulatorSettings settings = site.devices[host.line->devices[i]].simulated;
        settings.address = static_cast<std::uint8_t>(site.devices[host.line->devices[i]].address);
        settings.version = host.stations[i]->device().protocol_version_;
        settings.paced = paced;
        systems.push_back(settings);
    }
    host.pty = std::make_unique<PseudoTerminal>();
    host.path = host.pty->slave_path();
    host.bus = std::make_unique<simulator::PowerSystemBus>(systems);
    const std::string name = host.line->port;
    const std::string lead = site.single ? "simulator: " : "simulator " + name + ": ";
    host.bus->set_log([lead](const std::string& text) { std::cerr << lead << text << std::endl; });
    ByteLine* served = host.pty.get();
    if (paced) {
        host.paced = std::make_unique<simulator::PacedLine>(*host.pty, host.baud);
        served = host.paced.get();
    }
    host.server = std::make_unique<simulator::BackgroundServer>(*host.bus, *served);
    if (site.single) {
        std::cerr << "plugin-host run: simulated power system on " << host.path << ", "
                  << simulated_system_text(systems.front(), host.baud) << std::endl;
    } else {
        std::cerr << "plugin-host run: simulated bus " << name << " on " << host.path << ", " << systems.size()
                  << (systems.size() == 1 ? " power system" : " power systems")
                  << (paced ? ", paced at " + std::to_string(host.baud) + " baud" : "") << std::endl;
    }
}

// What a device's capture says it was polled on.
std::string origin_text(const Site& site, const LineHost& host, const SiteDevice& device)
{
    if (site.single) {
        return host.line->simulated ? std::string("a simulated power system")
                                    : host.line->port + " at " + std::to_string(host.baud) + " baud";
    }
    return host.line->simulated ? "a simulated power system on the bus " + host.line->port
                                : host.line->port + " at address " + std::to_string(device.address);
}

// Refuses a file that two outputs name, or an output over an input, before
// anything is opened.
void check_file_uses(const Site& site, const RunOptions& options)
{
    FileUses uses;
    uses.input("--site", options.site);
    uses.input("--config", options.config_path);
    uses.output("--plugin-output", options.plugin_output);
    for (const SiteDevice& device : site.devices) {
        const std::string lead = site.single ? "--" : "device \"" + device.name + "\" ";
        uses.output(lead + "history", device.history);
        uses.output(lead + "capture", device.capture);
    }
}

DeviceClock::Mode clock_mode(const Site& site, const RunOptions& options)
{
    if (options.fast) {
        for (const SiteLine& line : site.lines) {
            if (!line.simulated) {
                throw std::invalid_argument("--fast moves the clock of simulated buses only, and " + line.port +
                                            " is a serial port");
            }
        }
        return DeviceClock::Mode::fast;
    }
    const bool captured = std::any_of(site.devices.begin(), site.devices.end(),
                                      [](const SiteDevice& device) { return !device.capture.empty(); });
    return captured ? DeviceClock::Mode::wall : DeviceClock::Mode::real;
}

// The broker of the command line over the site document's; refuses broker
// options without a broker.
MqttSettings broker_of(const Site& site, const RunOptions& options)
{
    const MqttSettings mqtt = options.mqtt.over(site.mqtt);
    if (!mqtt.enabled() && (!mqtt.prefix.empty() || !mqtt.client_id.empty() || !mqtt.username.empty() ||
                            !mqtt.password_file.empty() || !mqtt.ca_file.empty() || !mqtt.cert_file.empty() ||
                            !mqtt.key_file.empty() || mqtt.qos != 0)) {
        throw std::invalid_argument("the --mqtt-... options need a broker: --mqtt URL, or \"mqtt\" in the site "
                                    "document");
    }
    return mqtt;
}

// The publisher to the broker, fed by every device; none without a broker.
std::unique_ptr<MqttPublisher> start_publisher(const MqttSettings& mqtt, const Site& site,
                                               std::vector<LineHost>& hosts, std::vector<const SnapshotSlot*>& slots)
{
    if (!mqtt.enabled()) {
        return nullptr;
    }
    std::vector<MqttDevice> devices;
    std::vector<SiteStation*> stations;
    for (LineHost& host : hosts) {
        for (std::size_t i = 0; i < host.stations.size(); ++i) {
            const SiteDevice& device = site.devices[host.line->devices[i]];
            devices.push_back({slots[stations.size()], device.history, alarm_levels_of(device.config)});
            stations.push_back(host.stations[i].get());
        }
    }
    auto publisher = std::make_unique<MqttPublisher>(mqtt, std::move(devices));
    for (std::size_t i = 0; i < stations.size(); ++i) {
        stations[i]->feed_records_to(publisher->feed(i));
    }
    publisher->start();
    return publisher;
}

}  // namespace

int run_site(const Site& site, const RunOptions& options)
{
    check_file_uses(site, options);
    const DeviceClock::Mode mode = clock_mode(site, options);
    const ReportStream summary = separate_report_from_plugin_output(options.plugin_output);
    std::unique_ptr<PluginLibrary> library;
    try {
        library = std::make_unique<PluginLibrary>(options.plugin);
    } catch (const std::exception& error) {
        throw std::runtime_error("cannot load the plug-in " + options.plugin + ": " + error.what());
    }
    DeviceClock clock(mode, site.lines.size());
    SiteRun run(options, summary.get(), clock);
    const std::string metrics_at = !options.metrics.empty() ? options.metrics : site.metrics;
    const MqttSettings mqtt = broker_of(site, options);
    SnapshotBoard snapshots;
    std::vector<const SnapshotSlot*> slots;  // in the order of the lines' devices
    std::vector<LineHost> hosts(site.lines.size());
    for (std::size_t l = 0; l < site.lines.size(); ++l) {
        LineHost& host = hosts[l];
        host.line = &site.lines[l];
        host.path = host.line->port;
        host.baud = host.line->baud;
        for (const std::size_t d : host.line->devices) {
            const SiteDevice& device = site.devices[d];
            host.stations.push_back(std::make_unique<SiteStation>(device, *library, options.interval_seconds,
                                                                  host.line->baud, origin_text(site, host, device)));
            if (mode == DeviceClock::Mode::wall) {
                host.stations.back()->capture_follows_wall_clock();
            }
            if (host.baud == 0) {
                host.baud = host.stations.back()->device().baud_rate_;
            }
            if (!metrics_at.empty() || mqtt.enabled()) {
                SnapshotSlot& slot = snapshots.add();
                slots.push_back(&slot);
                host.stations.back()->publish_snapshots(slot, host.line->port, options.plugin);
            }
        }
        if (host.line->simulated) {
            start_bus(host, site, host.line->paced || options.simulated.paced);
        }
        host.port = std::make_unique<SerialPort>(host.path, host.baud);
        try {
            host.port->open();
        } catch (const LineError&) {
            // A single run's port is there or the command line has a typo:
            // say so at once. A site starts with the ports that are there;
            // its devices find the others lost, say so and reopen them.
            if (site.single) {
                throw;
            }
        }
        for (auto& station : host.stations) {
            // Devices share the port: each line says whose request it was.
            const LineLog::Sink sink = options.log == "syslog" ? syslog_sink() : stderr_sink();
            if (site.single) {
                host.logs.push_back(std::make_unique<LineLog>(sink));
            } else {
                const std::string lead = station->name() + " on ";
                host.logs.push_back(std::make_unique<LineLog>(
                    [sink, lead](Severity severity, const std::string& text) { sink(severity, lead + text); }));
            }
            LoopSettings loop{options.timeout_ms, 3};
            loop.stop = [&run] { return run.stopping(); };
            loop.log = host.logs.back().get();
            station->attach(*host.port, loop, clock.now(), mode != DeviceClock::Mode::fast);
        }
    }
    const std::unique_ptr<MetricsServer> metrics = serve_metrics(metrics_at, snapshots);
    std::unique_ptr<MqttPublisher> publisher = start_publisher(mqtt, site, hosts, slots);
    install_stop_handlers();
    std::vector<std::thread> threads;
    for (LineHost& host : hosts) {
        threads.emplace_back([&run, &host] { run.poll_line(host); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    publisher.reset();  // sends what the devices stored last, before the closing account
    for (LineHost& host : hosts) {
        for (auto& station : host.stations) {
            station->device().ClosePort();
        }
        host.port->close();
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
    finish_plugin_output(options.plugin_output);
    std::cerr << "plugin-host run: " << run.account(site.single ? 0 : site.devices.size()) << std::endl;
    // A device asked for rounds, or that started some, or whose line is
    // lost, that never completed one is a power system the site does not
    // see: name it.
    int status = EXIT_DONE;
    for (const LineHost& host : hosts) {
        for (const auto& station : host.stations) {
            if (station->completed() == 0 &&
                (options.rounds > 0 || station->rounds() > 0 || station->line_lost())) {
                if (!site.single) {
                    std::cerr << "plugin-host run: " << station->name() << " completed no round" << std::endl;
                }
                status = EXIT_FAILED;
            }
        }
    }
    return status;
}

}  // namespace plugin_host
