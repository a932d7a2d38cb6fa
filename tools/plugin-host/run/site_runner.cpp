#include "tools/plugin-host/run/site_runner.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <vector>

#include "tools/plugin-host/cli/exit_status.h"
#include "tools/plugin-host/common/device_snapshot.h"
#include "tools/plugin-host/common/file_uses.h"
#include "tools/plugin-host/common/plugin_output.h"
#include "tools/plugin-host/common/stop_signals.h"
#include "tools/plugin-host/metrics/metrics_server.h"
#include "tools/plugin-host/mqtt/mqtt_publisher.h"
#include "tools/plugin-host/run/device_clock.h"
#include "tools/plugin-host/run/history_name.h"
#include "tools/plugin-host/run/line_poller.h"
#include "tools/plugin-host/run/service_notify.h"

namespace plugin_host {

namespace {

using steady = std::chrono::steady_clock;

// How often the state line is brought up to date for the service manager
// when no watchdog asks for more.
constexpr auto STATUS_PERIOD = std::chrono::seconds(5);

// What a device's capture says it was polled on.
std::string origin_text(const Site& site, const SiteLine& line, const SiteDevice& device, int baud)
{
    if (site.single) {
        return line.simulated ? std::string("a simulated power system")
                              : line.port + " at " + std::to_string(baud) + " baud";
    }
    return line.simulated ? "a simulated power system on the bus " + line.port
                          : line.port + " at address " + std::to_string(device.address);
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

// A device as the broker's publisher takes it: its history's files (one a
// day with a dated name) and the ledger beside them.
MqttDevice mqtt_device(const SiteDevice& device, std::shared_ptr<const SnapshotSlot> slot)
{
    MqttDevice given;
    given.snapshots = std::move(slot);
    given.levels = alarm_levels_of(device.config);
    if (!device.history.empty()) {
        const HistoryName name(device.history);
        given.history = [name] { return name.files(); };
        given.state_file = name.beside(".mqtt-state");
    }
    return given;
}

// The running site: its lines, each with its devices, and what every line
// shares.
class RunningSite {
public:
    // `snapshots`: none without metrics or a broker; `publisher`: none
    // without a broker.
    RunningSite(const RunOptions& options, RunShared& run, const PluginLibrary& library, SnapshotBoard* snapshots,
                MqttPublisher* publisher)
        : options_(options), run_(run), library_(library), snapshots_(snapshots), publisher_(publisher)
    {
    }

    const std::vector<std::unique_ptr<LinePoller>>& lines() const { return lines_; }
    MqttPublisher* publisher() const { return publisher_; }

    // A device of `site` on its line: created, configured and added to the
    // line that serves it (a new one, not yet open, when none does).
    void add_device(const Site& site, const SiteDevice& device, std::vector<LinePoller*>& opened)
    {
        const SiteLine& line = site.lines[device.line];
        LinePoller* poller = find_line(line);
        if (poller == nullptr) {
            lines_.push_back(std::make_unique<LinePoller>(line, run_, site.single));
            poller = lines_.back().get();
            run_.clock.join();
            opened.push_back(poller);
        }
        auto station = std::make_unique<SiteStation>(
            device, library_, options_.interval_seconds, line.baud,
            [&site, &line, &device](int baud) { return origin_text(site, line, device, baud); });
        if (run_.clock.mode() == DeviceClock::Mode::wall) {
            station->capture_follows_wall_clock();
        }
        if (snapshots_ != nullptr) {
            const std::shared_ptr<SnapshotSlot> slot = snapshots_->add();
            station->publish_snapshots(slot, line.port, options_.plugin);
            if (publisher_ != nullptr) {
                station->feed_records_to(publisher_->join(mqtt_device(device, slot)));
            }
        }
        poller->add(std::move(station));
    }

    // Opens the new lines and starts their threads.
    static void open_and_start(const std::vector<LinePoller*>& opened)
    {
        for (LinePoller* line : opened) {
            line->open();
        }
        for (LinePoller* line : opened) {
            line->start();
        }
    }

    // Ends the lines left without devices.
    void close_empty_lines()
    {
        for (auto at = lines_.begin(); at != lines_.end();) {
            if ((*at)->devices() == 0) {
                (*at)->finish();
                at = lines_.erase(at);
            } else {
                ++at;
            }
        }
    }

    void close_all() { lines_.clear(); }

    bool all_ended() const
    {
        return std::all_of(lines_.begin(), lines_.end(), [](const auto& line) { return line->ended(); });
    }

    bool all_alive(steady::duration period) const
    {
        const auto now = steady::now();
        return std::all_of(lines_.begin(), lines_.end(),
                           [now, period](const auto& line) { return line->alive(now, period); });
    }

    // "64 devices: 61 polling, 2 line lost, 1 not polling (clock)".
    std::string state_line() const
    {
        std::size_t counts[4] = {};
        std::size_t devices = 0;
        for (const auto& line : lines_) {
            line->each([&](const SiteStation& station) {
                ++devices;
                ++counts[static_cast<int>(station.state())];
            });
        }
        static const char* const names[] = {"polling", "line lost", "not polling (clock)", "not polling"};
        std::string text = std::to_string(devices) + (devices == 1 ? " device" : " devices");
        const char* separator = ": ";
        for (int state = 0; state < 4; ++state) {
            if (counts[state] != 0) {
                text += separator + std::to_string(counts[state]) + " " + names[state];
                separator = ", ";
            }
        }
        return text;
    }

private:
    LinePoller* find_line(const SiteLine& line) const
    {
        for (const auto& poller : lines_) {
            if (poller->serves(line) && !poller->ended()) {
                return poller.get();
            }
        }
        return nullptr;
    }

    const RunOptions& options_;
    RunShared& run_;
    const PluginLibrary& library_;
    SnapshotBoard* snapshots_;
    MqttPublisher* publisher_;
    std::vector<std::unique_ptr<LinePoller>> lines_;
};

// Whether a running device stays as it is in the site read again: the same
// entry on a line that serves it.
bool kept(const SiteStation& station, const LinePoller& line, const Site& next)
{
    for (const SiteDevice& device : next.devices) {
        if (device.name == station.name()) {
            return same_device(device, station.entry()) && line.serves(next.lines[device.line]);
        }
    }
    return false;
}

void say(const std::string& text) { std::cerr << "plugin-host run: " << text << std::endl; }

// Reads the site again and applies the difference: kept devices go on as
// they are, removed ones finish their round and close their files, added
// ones start, changed ones restart. A site that is refused changes nothing.
void reload(const SiteSource& source, const RunOptions& options, Site& site, RunningSite& running, RunShared& run)
{
    Site next;
    try {
        next = source();
        check_file_uses(next, options);
        if (clock_mode(next, options) != run.clock.mode()) {
            throw std::invalid_argument(run.clock.mode() == DeviceClock::Mode::fast
                                            ? "--fast takes simulated buses only"
                                            : "a capture added or removed changes the devices' clock: restart");
        }
    } catch (const std::exception& error) {
        say(std::string("reload refused, the site goes on as it was: ") + error.what());
        return;
    }
    std::vector<std::string> leaving;
    for (const auto& line : running.lines()) {
        line->retire_if([&](const SiteStation& station) {
            const bool goes = !kept(station, *line, next);
            if (goes) {
                leaving.push_back(station.name());
            }
            return goes;
        });
    }
    // Their files close before a device that restarts opens them again.
    auto retired = [&running] {
        std::size_t left = 0;
        for (const auto& line : running.lines()) {
            line->each([&left](const SiteStation& station) { left += station.retiring() ? 1U : 0U; });
        }
        return left == 0;
    };
    while (!retired()) {
        if (wait_for_stop(std::chrono::milliseconds(20))) {
            return;
        }
    }
    if (MqttPublisher* publisher = running.publisher()) {
        for (const std::string& name : leaving) {
            if (std::none_of(next.devices.begin(), next.devices.end(),
                             [&name](const SiteDevice& device) { return device.name == name; })) {
                publisher->remove(name);
            }
        }
    }
    std::size_t kept_count = 0;
    std::vector<LinePoller*> opened;
    std::vector<std::string> started;
    for (const SiteDevice& device : next.devices) {
        bool running_now = false;
        for (const auto& line : running.lines()) {
            line->each([&](const SiteStation& station) { running_now = running_now || station.name() == device.name; });
        }
        if (running_now) {
            ++kept_count;
            continue;
        }
        try {
            running.add_device(next, device, opened);
            started.push_back(device.name);
        } catch (const std::exception& error) {
            say("device " + device.name + " cannot start: " + error.what());
        }
    }
    RunningSite::open_and_start(opened);
    running.close_empty_lines();
    site = std::move(next);
    const auto restarted = static_cast<std::size_t>(
        std::count_if(started.begin(), started.end(), [&leaving](const std::string& name) {
            return std::find(leaving.begin(), leaving.end(), name) != leaving.end();
        }));
    say("reloaded " + (options.site.empty() ? "--config " + options.config_path : options.site) + ": " +
        std::to_string(kept_count) + " kept, " + std::to_string(started.size() - restarted) + " added, " +
        std::to_string(leaving.size() - restarted) + " removed, " + std::to_string(restarted) + " restarted");
}

}  // namespace

int run_site(const SiteSource& source, const RunOptions& options)
{
    Site site = source();
    check_file_uses(site, options);
    const DeviceClock::Mode mode = clock_mode(site, options);
    const ReportStream summary = separate_report_from_plugin_output(options.plugin_output);
    std::unique_ptr<PluginLibrary> library;
    try {
        library = std::make_unique<PluginLibrary>(options.plugin);
    } catch (const std::exception& error) {
        throw std::runtime_error("cannot load the plug-in " + options.plugin + ": " + error.what());
    }
    DeviceClock clock(mode);
    RunShared run(options, summary.get(), clock);
    const std::string metrics_at = !options.metrics.empty() ? options.metrics : site.metrics;
    const MqttSettings mqtt = broker_of(site, options);
    SnapshotBoard snapshots;
    std::unique_ptr<MqttPublisher> publisher = mqtt.enabled() ? std::make_unique<MqttPublisher>(mqtt) : nullptr;
    RunningSite running(options, run, *library, metrics_at.empty() && !publisher ? nullptr : &snapshots,
                        publisher.get());
    std::vector<LinePoller*> opened;
    for (const SiteDevice& device : site.devices) {
        running.add_device(site, device, opened);
    }
    const std::unique_ptr<MetricsServer> metrics = serve_metrics(metrics_at, snapshots);
    if (publisher) {
        publisher->start();
    }
    install_stop_handlers();
    install_reload_handler();
    RunningSite::open_and_start(opened);

    ServiceNotify service;
    service.ready();
    service.status(running.state_line());
    const steady::duration watchdog = service.watchdog();
    const steady::duration tick =
        watchdog.count() != 0 ? std::min<steady::duration>(watchdog / 2, STATUS_PERIOD) : STATUS_PERIOD;
    for (;;) {
        const Woken woken =
            running.all_ended() ? Woken::timeout
                                : wait_for(service.listening() ? tick : std::chrono::hours(24),
                                           {reload_request_fd(), run.line_ended.fd()});
        run.line_ended.take();
        if (woken == Woken::stop || running.all_ended() || run.stopping()) {
            break;
        }
        if (take_reload_request()) {
            service.reloading();
            reload(source, options, site, running, run);
            service.ready();
        }
        service.status(running.state_line());
        // Alive only while every line's thread moves: one stuck in a call
        // stops the keep-alive, and the service manager restarts the run.
        if (watchdog.count() != 0 && running.all_alive(watchdog)) {
            service.keep_alive();
        }
    }

    // Stopped, or every device done: each line finishes its round; then the
    // closing account.
    service.stopping();
    std::vector<std::string> silent;
    bool failed_devices = false;
    for (const auto& line : running.lines()) {
        line->finish();
        line->each([&](const SiteStation& station) {
            // A device asked for rounds, that started some, or whose line is
            // lost, that never completed one is a power system the site does
            // not see: name it.
            if (station.completed() == 0 &&
                (options.rounds > 0 || station.rounds() > 0 || station.line_lost())) {
                failed_devices = true;
                if (!site.single) {
                    silent.push_back(station.name());
                }
            }
        });
    }
    std::size_t devices = 0;
    for (const auto& line : running.lines()) {
        devices += line->devices();
    }
    // The devices go, their files close and their lines' last summaries are
    // said, before the closing account.
    running.close_all();
    if (publisher) {
        publisher.reset();  // sends what the devices stored last, before the closing account
    }
    const std::string failure = run.failure();
    if (!failure.empty()) {
        throw std::runtime_error(failure);
    }
    finish_plugin_output(options.plugin_output);
    say(run.account(site.single ? 0 : devices));
    for (const std::string& name : silent) {
        say(name + " completed no round");
    }
    return failed_devices ? EXIT_FAILED : EXIT_DONE;
}

}  // namespace plugin_host
