// plugin-host run: the host's main loop for one device, against the
// simulated power system (default) or a real one on a serial port.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "host/device_loop.h"
#include "host/line_log.h"
#include "host/plugin_loader.h"
#include "host/round_pacer.h"
#include "host/serial_port.h"
#include "tools/clock_seam/clock_seam.h"
#include "tools/plugin-host/capture_writer.h"
#include "tools/plugin-host/commands.h"
#include "tools/plugin-host/plugin_path.h"
#include "tools/plugin-host/run_config.h"
#include "tools/plugin-host/run_rounds.h"
#include "tools/plugin-host/run_signals.h"
#include "tools/plugin-host/run_simulator_options.h"
#include "tools/plugin-host/run_summary.h"
#include "tools/plugin-host/round_timer.h"
#include "tools/simulator/line_server.h"
#include "tools/simulator/paced_line.h"
#include "tools/simulator/pseudo_terminal.h"

namespace {

const char* const usage_head =
    "usage: plugin-host run [--simulate | --port PATH [--baud N]] [options]\n"
    "\n"
    "Polls one power system round after round, as the daemon does, and prints a\n"
    "summary of every round. Diagnostics of the line go to standard error.\n"
    "\n"
    "  --simulate         poll the built-in simulated power system (the default)\n"
    "  --port PATH        poll the power system on this serial port\n"
    "  --baud N           baud rate of the port (default: the device's, 9600)\n"
    "  --address N        the power system's address (default 1)\n"
    "  --config FILE      the device's JSON document (default: a sample that enables\n"
    "                     the AC and DC alarm rules); alarm levels and thresholds\n"
    "                     may come under \"host\": {\"levels\": {...}, \"thresholds\": {...}}\n"
    "  --rounds N         stop after N rounds (default: until SIGINT or SIGTERM)\n"
    "  --history FILE     append every published 1003-byte record to FILE\n"
    "  --capture FILE     write the line as a replay scenario as it goes (flushed\n"
    "                     every round): plugin-host replay FILE makes the same calls\n"
    "  --json             one JSON object per round instead of the text summary\n"
    "  --timeout MS       how long to wait for each reply (default 1000)\n"
    "  --interval SECONDS start at most one round per interval, counted from the start\n"
    "                     of the previous round, completed or not (default 2)\n"
    "  --fast             with the simulator: move the device's clock by the interval\n"
    "                     instead of waiting for it (rounds as fast as the line goes)\n"
    "  --log stderr|syslog  where line messages go (default stderr; syslog: ident\n"
    "                     plugin-host, facility daemon)\n"
    "  --plugin PATH      the plug-in library (default: the one built beside the tool)\n"
    "  --plugin-output FILE|-  where the plug-in's own diagnostic lines go\n"
    "                     (default: discarded; - puts them on standard output)\n"
    "\n"
    "simulator options (with --simulate):\n";

// Reports that nothing happens, once, after this long without a round.
constexpr auto IDLE_WARNING = std::chrono::seconds(10);
// How often a refused refresh is tried again: the device polls at most
// once every two seconds.
constexpr auto REFRESH_RETRY = std::chrono::milliseconds(200);

struct RunOptions {
    std::string plugin = default_plugin_path();
    std::string config_path;
    bool simulate = true;
    bool simulate_given = false;
    bool simulator_options = false;
    std::string port;
    int baud = 0;
    int address = 1;
    unsigned rounds = 0;
    std::string history;
    std::string capture;
    bool json = false;
    int timeout_ms = 1000;
    int interval_seconds = 2;
    std::string log = "stderr";
    bool fast = false;
    std::string plugin_output;
    simulator::SimulatorSettings simulated;
};

void usage(std::ostream& out) { out << usage_head << simulator_options_usage; }

RunOptions parse_options(int argc, char** argv)
{
    RunOptions options;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&] { return option_value(argc, argv, i); };
        if (arg == "--simulate") {
            options.simulate_given = true;
        } else if (arg == "--port") {
            options.port = value();
            options.simulate = false;
        } else if (arg == "--baud") {
            options.baud = whole_number(arg, value(), 1, 4000000);
        } else if (arg == "--address") {
            options.address = whole_number(arg, value(), 0, 255);
        } else if (arg == "--config") {
            options.config_path = value();
        } else if (arg == "--rounds") {
            options.rounds = static_cast<unsigned>(whole_number(arg, value(), 1, 1000000000));
        } else if (arg == "--history") {
            options.history = value();
        } else if (arg == "--capture") {
            options.capture = value();
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--timeout") {
            options.timeout_ms = whole_number(arg, value(), 10, 600000);
        } else if (arg == "--interval") {
            options.interval_seconds = whole_number(arg, value(), 1, 86400);
        } else if (arg == "--log") {
            options.log = value();
            if (options.log != "stderr" && options.log != "syslog") {
                throw std::invalid_argument("--log takes stderr or syslog, not \"" + options.log + "\"");
            }
        } else if (arg == "--fast") {
            options.fast = true;
        } else if (arg == "--plugin") {
            options.plugin = value();
        } else if (arg == "--plugin-output") {
            options.plugin_output = value();
        } else if (take_simulator_option(argc, argv, i, options.simulated)) {
            options.simulator_options = true;
        } else {
            throw std::invalid_argument("unknown argument " + arg);
        }
    }
    if (!options.port.empty() && options.simulate_given) {
        throw std::invalid_argument("--simulate and --port exclude each other");
    }
    if (!options.port.empty() && options.fast) {
        throw std::invalid_argument("--fast is for the simulator: a real power system is polled in real time");
    }
    if (!options.port.empty() && options.simulator_options) {
        throw std::invalid_argument("simulator options need --simulate, not --port");
    }
    if (options.baud != 0) {
        try {
            baud_constant(options.baud);
        } catch (const LineError& error) {
            throw std::invalid_argument(std::string("--baud: ") + error.what());
        }
    }
    return options;
}

std::string read_file(const std::string& path)
{
    std::ifstream file(path);
    if (!file) {
        throw std::invalid_argument("cannot read " + path);
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

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

// The summary keeps the standard output the tool started with; the
// plug-in's own lines (printf and std::cout) go where --plugin-output says.
FILE* separate_summary_from_plugin_output(const std::string& plugin_output)
{
    std::fflush(stdout);
    std::cout.flush();
    const int summary_fd = ::dup(STDOUT_FILENO);
    FILE* summary = summary_fd >= 0 ? ::fdopen(summary_fd, "w") : nullptr;
    if (summary == nullptr) {
        throw std::runtime_error("cannot set up standard output");
    }
    if (plugin_output == "-") {
        return summary;
    }
    const char* target = plugin_output.empty() ? "/dev/null" : plugin_output.c_str();
    const int fd = ::open(target, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw std::invalid_argument("cannot open " + plugin_output + " for the plug-in's output");
    }
    ::dup2(fd, STDOUT_FILENO);
    ::close(fd);
    return summary;
}

void show(FILE* summary, const std::string& text)
{
    // With --plugin-output - both share the terminal: keep the order of lines.
    std::cout.flush();
    std::fflush(stdout);
    std::fputs(text.c_str(), summary);
    std::fflush(summary);
}

int run(const RunOptions& options)
{
    const Json::Value config =
        parse_run_config(options.config_path.empty() ? sample_run_config : read_file(options.config_path));
    FILE* summary = separate_summary_from_plugin_output(options.plugin_output);

    std::unique_ptr<PluginLibrary> library;
    std::unique_ptr<SMDSPDevice> created;
    try {
        library = std::make_unique<PluginLibrary>(options.plugin);
        created = library->create_device();
    } catch (const std::exception& error) {
        std::cerr << "plugin-host run: cannot load the plug-in: " << error.what() << std::endl;
        return 1;
    }
    auto* device = dynamic_cast<PMBusProtocol*>(created.get());
    if (device == nullptr) {
        std::cerr << "plugin-host run: the plug-in's device does not speak the monitoring protocol" << std::endl;
        return 1;
    }

    RoundCollector collector;
    std::ofstream capture_file;
    std::unique_ptr<plugin_host::CaptureWriter> capture;
    if (!options.capture.empty()) {
        capture_file.open(options.capture, std::ios::binary | std::ios::trunc);
        if (!capture_file) {
            throw std::invalid_argument("cannot write the capture " + options.capture);
        }
        capture = std::make_unique<plugin_host::CaptureWriter>(capture_file, collector);
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
    try {
        port.open();
    } catch (const LineError& error) {
        std::cerr << "plugin-host run: " << error.what() << std::endl;
        return 1;
    }
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
    install_stop_handlers();

    unsigned number = 0;
    auto idle_since = std::chrono::steady_clock::now();
    bool idle_reported = false;
    while (!stop_requested() && (options.rounds == 0 || number < options.rounds)) {
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
        RoundView view = collector.end_round(++number, result.completed, result.replies, result.faults);
        view.timing = timer.finish();
        if (capture) {
            capture->end_round();
            if (!capture->good()) {
                std::cerr << "plugin-host run: cannot write the capture " << options.capture << std::endl;
                return 1;
            }
        }
        show(summary, options.json ? summary_json(view) : summary_text(view));
        if (!collector.history_error().empty()) {
            std::cerr << "plugin-host run: " << collector.history_error() << std::endl;
            return 1;
        }
    }
    port.close();
    if (server) {
        server->stop();
    }
    log.flush(true);
    std::cerr << "plugin-host run: stopped after " << number << (number == 1 ? " round" : " rounds") << std::endl;
    device->set_observer(nullptr);
    return 0;
}

}  // namespace

int run_run_command(int argc, char** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--help" || std::string(argv[i]) == "-h") {
            usage(std::cout);
            return 0;
        }
    }
    RunOptions options;
    try {
        options = parse_options(argc, argv);
    } catch (const std::invalid_argument& error) {
        std::cerr << "plugin-host run: " << error.what() << "\n";
        usage(std::cerr);
        return 2;
    }
    try {
        return run(options);
    } catch (const std::invalid_argument& error) {
        std::cerr << "plugin-host run: " << error.what() << std::endl;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "plugin-host run: " << error.what() << std::endl;
        return 1;
    }
}
