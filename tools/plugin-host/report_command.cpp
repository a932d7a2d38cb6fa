// plugin-host report: one self-contained HTML page with charts of history
// files, and the alarms the plug-in judges from them.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "host/plugin_loader.h"
#include "tools/plugin-host/commands.h"
#include "tools/plugin-host/plugin_path.h"
#include "tools/plugin-host/report_history.h"
#include "tools/plugin-host/report_page.h"
#include "tools/plugin-host/run_config.h"
#include "tools/plugin-host/run_simulator_options.h"

namespace {

const char* const usage =
    "usage: plugin-host report HISTORY... [-o FILE] [--config FILE] [--plugin PATH]\n"
    "\n"
    "Writes one HTML page with charts of the records in the history files (records\n"
    "back to back, as plugin-host run --history and the daemon write them) on one\n"
    "time axis: DC bus voltage and currents, AC phase voltages and frequency,\n"
    "rectifier output and each module's current, and the alarms the plug-in judges\n"
    "from each record. The page needs no network to open.\n"
    "\n"
    "  -o, --output FILE  write the page to FILE (default: standard output)\n"
    "  --config FILE      the device's JSON document, with the host's alarm levels and\n"
    "                     thresholds under \"host\" as plugin-host run takes them\n"
    "                     (default: run's sample, which enables the AC and DC rules)\n"
    "  --plugin PATH      the plug-in library (default: the one built beside the tool)\n"
    "\n"
    "exit status: 0 page written; 1 unreadable history, plug-in or output; 2 usage error\n";

// Columns of the time axis the series are reduced to: about a wide screen.
constexpr unsigned PIXELS = 1600;

struct ReportOptions {
    std::vector<std::string> histories;
    std::string output;
    std::string config_path;
    std::string plugin = default_plugin_path();
    bool help = false;
};

ReportOptions parse_report_options(int argc, char** argv)
{
    ReportOptions options;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "-o" || arg == "--output") {
            options.output = option_value(argc, argv, i);
        } else if (arg == "--config") {
            options.config_path = option_value(argc, argv, i);
        } else if (arg == "--plugin") {
            options.plugin = option_value(argc, argv, i);
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw std::invalid_argument("unknown option " + arg);
        } else {
            options.histories.push_back(arg);
        }
    }
    if (options.histories.empty() && !options.help) {
        throw std::invalid_argument("no history file given");
    }
    return options;
}

std::string read_config(const std::string& path)
{
    if (path.empty()) {
        return sample_run_config;
    }
    std::ifstream file(path);
    if (!file) {
        throw std::invalid_argument("cannot read " + path);
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The plug-in prints diagnostic lines while it completes rounds; they do
// not belong in the page or on the terminal.
class PluginOutputDiscarded {
public:
    PluginOutputDiscarded() : saved_(::dup(STDOUT_FILENO))
    {
        std::fflush(stdout);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ < 0 || null < 0 || ::dup2(null, STDOUT_FILENO) < 0) {
            throw std::runtime_error("cannot set up standard output");
        }
        ::close(null);
    }
    ~PluginOutputDiscarded()
    {
        std::cout.flush();
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }
    PluginOutputDiscarded(const PluginOutputDiscarded&) = delete;
    PluginOutputDiscarded& operator=(const PluginOutputDiscarded&) = delete;

private:
    int saved_;
};

void warn(const std::string& text) { std::cerr << "plugin-host report: " << text << "\n"; }

int report(const ReportOptions& options)
{
    const Json::Value config = parse_run_config(read_config(options.config_path));
    std::ofstream file;
    if (!options.output.empty()) {
        file.open(options.output, std::ios::binary | std::ios::trunc);
        if (!file) {
            std::cerr << "plugin-host report: cannot write " << options.output << "\n";
            return 1;
        }
    }

    plugin_host::ReportContent content;
    content.files = options.histories;
    std::vector<std::int64_t> times;
    plugin_host::HistoryShape shape;
    plugin_host::for_each_record(
        options.histories,
        [&](const std::uint8_t* record) {
            if (const auto time = plugin_host::record_time_ms(record)) {
                times.push_back(*time);
                shape.widen(record);
            } else {
                ++content.unstamped;
            }
        },
        warn);
    content.records = times.size();
    if (!times.empty()) {
        content.first = *std::min_element(times.begin(), times.end());
        content.last = *std::max_element(times.begin(), times.end());
    }
    content.interval = plugin_host::typical_interval(times);
    const std::int64_t gap_ms = plugin_host::gap_threshold(content.interval);
    content.gaps = plugin_host::find_gaps(times, gap_ms);
    times = {};

    std::unique_ptr<PluginLibrary> library;
    std::unique_ptr<SMDSPDevice> created;
    try {
        library = std::make_unique<PluginLibrary>(options.plugin);
        created = library->create_device();
    } catch (const std::exception& error) {
        std::cerr << "plugin-host report: cannot load the plug-in: " << error.what() << std::endl;
        return 1;
    }
    auto* device = dynamic_cast<PMBusProtocol*>(created.get());
    if (device == nullptr) {
        std::cerr << "plugin-host report: the plug-in's device does not speak the monitoring protocol" << std::endl;
        return 1;
    }

    const plugin_host::SeriesLayout layout(shape);
    content.series = layout.series();
    content.stats.resize(content.series.size());
    std::vector<bool> status;
    for (const plugin_host::Series& series : content.series) {
        status.push_back(series.status);
    }
    plugin_host::PixelReducer reducer(status, content.first, content.last, PIXELS, gap_ms);
    const std::int64_t pixel_ms = (content.last - content.first) / PIXELS;
    plugin_host::AlarmTimeline timeline(content.interval, gap_ms, pixel_ms);
    std::vector<float> values(content.series.size());
    {
        const PluginOutputDiscarded quiet;
        device->set_observer(&timeline);
        apply_host_settings(config, *device);
        device->InitSetting(config);
        plugin_host::for_each_record(
            options.histories,
            [&](const std::uint8_t* record) {
                const auto time = plugin_host::record_time_ms(record);
                if (!time) {
                    return;
                }
                layout.extract(record, values.data());
                for (std::size_t i = 0; i < values.size(); ++i) {
                    content.stats[i].add(values[i]);
                }
                reducer.add(*time, values.data());
                timeline.judge(*device, record, *time);
            },
            [](const std::string&) {});
        device->set_observer(nullptr);
    }
    content.rows = reducer.finish();
    content.alarms = timeline.finish();

    std::ostream& out = options.output.empty() ? std::cout : file;
    plugin_host::write_report_page(out, content);
    out.flush();
    if (!out) {
        std::cerr << "plugin-host report: cannot write "
                  << (options.output.empty() ? "standard output" : options.output) << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int run_report_command(int argc, char** argv)
{
    ReportOptions options;
    try {
        options = parse_report_options(argc, argv);
    } catch (const std::invalid_argument& error) {
        std::cerr << "plugin-host report: " << error.what() << "\n" << usage;
        return 2;
    }
    if (options.help) {
        std::cout << usage;
        return 0;
    }
    try {
        return report(options);
    } catch (const std::invalid_argument& error) {
        std::cerr << "plugin-host report: " << error.what() << std::endl;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "plugin-host report: " << error.what() << std::endl;
        return 1;
    }
}
