// plugin-host run: the host's main loop for one device, against the
// simulated power system (default) or a real one on a serial port.
#include <chrono>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>

#include "host/device_loop.h"
#include "host/line_log.h"
#include "host/round_pacer.h"
#include "host/serial_port.h"
#include "tools/clock_seam/clock_seam.h"
#include "tools/plugin-host/scenario/capture_writer.h"
#include "tools/plugin-host/common/device_config.h"
#include "tools/plugin-host/cli/exit_status.h"
#include "tools/plugin-host/common/plugin_device.h"
#include "tools/plugin-host/common/plugin_output.h"
#include "tools/plugin-host/common/run_config.h"
#include "tools/plugin-host/run/run_options.h"
#include "tools/plugin-host/run/run_rounds.h"
#include "tools/plugin-host/common/stop_signals.h"
#include "tools/plugin-host/metrics/metrics_server.h"
#include "tools/plugin-host/run/snapshot_publisher.h"
#include "tools/plugin-host/run/round_timer.h"
#include "tools/plugin-host/run/run_summary.h"
#include "tools/plugin-host/simulate/simulator_options.h"
#include "tools/plugin-host/run/site_runner.h"
#include "tools/simulator/line_server.h"
#include "tools/simulator/paced_line.h"
#include "tools/simulator/pseudo_terminal.h"

namespace plugin_host {

namespace {

// Reports that nothing happens, once, after this long without a round.
constexpr auto IDLE_WARNING = std::chrono::seconds(10);
// How often a refused refresh is tried again: the device polls at most
// once every two seconds.
constexpr auto REFRESH_RETRY = std::chrono::milliseconds(200);

// Stops the device's clock at the present local time; from then on it moves
// only when the loop moves it.
void freeze_clock_now()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    clock_seam::freeze_at_local(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                                local.tm_sec);
}

}  // namespace

int run_command(const RunOptions& options)
{
    if (!options.site.empty()) {
        return run_site(options);
    }
    const Json::Value config =
        options.config_path.empty() ? sample_device_config() : load_device_config(options.config_path);
    const ReportStream summary = separate_report_from_plugin_output(options.plugin_output);

    // Declared before the device, so that they outlive it.
    RoundCollector collector;
    std::ofstream capture_file;
    std::unique_ptr<CaptureWriter> capture;

    const PluginDevice loaded = load_plugin_device(options.plugin);
    auto* device = dynamic_cast<PMBusProtocol*>(loaded.device.get());
    if (device == nullptr) {
        throw std::runtime_error("the plug-in's device does not speak the monitoring protocol");
    }

    if (!options.capture.empty()) {
        capture = open_capture(options.capture, capture_file, collector);
    }
    device->set_observer(capture ? static_cast<HostObserver*>(capture.get()) : &collector);
    apply_host_settings(config, *device);
    device->address_ = static_cast<unsigned char>(options.address);
    if (options.baud != 0) {
        device->baud_rate_ = options.baud;
    }
    if (options.fast || capture) {
        freeze_clock_now();
    }
    if (capture) {
        if (!options.fast) {
            capture->follow_real_clock();
        }
        capture->begin(*device, config,
                       options.simulate ? std::string("a simulated power system")
                                        : options.port + " at " + std::to_string(device->baud_rate_) + " baud");
    }
    device->InitSetting(config);

    std::unique_ptr<PseudoTerminal> pty;
    std::unique_ptr<simulator::PowerSystemSimulator> simulated;
    std::unique_ptr<simulator::PacedLine> paced;
    std::unique_ptr<simulator::BackgroundServer> server;
    std::string path = options.port;
    if (options.simulate) {
        simulator::SimulatorSettings settings = options.simulated;
        settings.address = device->address_;
        settings.version = device->protocol_version_;
        pty = std::make_unique<PseudoTerminal>();
        simulated = std::make_unique<simulator::PowerSystemSimulator>(settings);
        simulated->set_log([](const std::string& line) { std::cerr << "simulator: " << line << std::endl; });
        ByteLine* served = pty.get();
        if (settings.paced) {
            paced = std::make_unique<simulator::PacedLine>(*pty, device->baud_rate_);
            served = paced.get();
        }
        server = std::make_unique<simulator::BackgroundServer>(*simulated, *served);
        path = pty->slave_path();
        std::cerr << "plugin-host run: simulated power system on " << path << ", "
                  << simulated_system_text(settings, device->baud_rate_) << std::endl;
    }

    SerialPort port(path, device->baud_rate_);
    port.open();
    // Only once the line is there: a run that cannot start leaves no history behind.
    if (!options.history.empty()) {
        collector.write_history_to(options.history);
    }
    LineLog log(options.log == "syslog" ? syslog_sink() : stderr_sink());
    LoopSettings settings{options.timeout_ms, 3};
    settings.stop = [] { return stop_requested(); };
    settings.log = &log;
    DeviceLoop loop(*device, port, settings);
    RoundPacer pacer(std::chrono::seconds(options.interval_seconds));
    RoundTimer timer;
    loop.add_watcher(timer);
    if (capture) {
        loop.add_watcher(*capture);
    }
    SnapshotBoard snapshots;
    std::unique_ptr<SnapshotPublisher> publisher;
    if (!options.metrics.empty()) {
        publisher = std::make_unique<SnapshotPublisher>(
            identity_of("power-system", options.simulate ? "simulator" : options.port, options.plugin, *device,
                        std::chrono::seconds(options.interval_seconds)),
            snapshots.add());
        loop.add_watcher(*publisher);
    }
    const std::unique_ptr<MetricsServer> metrics = serve_metrics(options.metrics, snapshots);
    install_stop_handlers();

    RunAccount account;
    auto idle_since = std::chrono::steady_clock::now();
    bool idle_reported = false;
    while (!stop_requested() && (options.rounds == 0 || account.rounds < static_cast<unsigned>(options.rounds))) {
        if (options.fast) {
            clock_seam::advance(options.interval_seconds);
        } else if (!pacer.wait_turn(settings.stop)) {
            break;
        }
        collector.begin_round();
        const auto start = std::chrono::steady_clock::now();
        const ExchangeResult result = loop.run_round();
        if (result.stopped) {
            break;
        }
        if (!result.started) {
            if (!idle_reported && !loop.line_state().down() &&
                std::chrono::steady_clock::now() - idle_since > IDLE_WARNING) {
                std::cerr << "plugin-host run: the device has not started a round for "
                          << IDLE_WARNING.count() << " s" << std::endl;
                idle_reported = true;
            }
            pause_unless_stopped(REFRESH_RETRY, settings.stop);
            continue;
        }
        pacer.round_started(start);
        idle_since = std::chrono::steady_clock::now();
        idle_reported = false;
        RoundView view = collector.end_round(account.rounds + 1, result.completed, result.replies, result.faults);
        view.timing = timer.finish();
        if (publisher) {
            publisher->round_end(view, loop, collector);
        }
        account.count(view);
        if (capture) {
            capture->end_round();
            if (!capture->good()) {
                throw std::runtime_error("cannot write the capture " + options.capture);
            }
        }
        show(summary.get(), options.json ? summary_json(view) : summary_text(view));
        if (!collector.history_error().empty()) {
            throw std::runtime_error(collector.history_error());
        }
    }
    port.close();
    if (server) {
        server->stop();
    }
    log.flush(true);
    std::cerr << "plugin-host run: " << account.text() << std::endl;
    device->set_observer(nullptr);
    // Asked for rounds, or started some, and not one was completed: the
    // power system never answered as it should.
    const bool rounds_wanted = options.rounds > 0 || account.rounds > 0;
    return rounds_wanted && account.completed == 0 ? EXIT_FAILED : EXIT_DONE;
}

}  // namespace plugin_host
