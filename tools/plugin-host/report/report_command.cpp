// plugin-host report: one self-contained HTML page with charts of history
// files, and the alarms the plug-in judges from them.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include "tools/plugin-host/common/device_config.h"
#include "tools/plugin-host/cli/exit_status.h"
#include "tools/plugin-host/common/output_files.h"
#include "tools/plugin-host/common/plugin_device.h"
#include "tools/plugin-host/records/record_files.h"
#include "tools/plugin-host/report/report_history.h"
#include "tools/plugin-host/report/report_options.h"
#include "tools/plugin-host/report/report_page.h"
#include "tools/plugin-host/report/report_selection.h"
#include "tools/plugin-host/common/run_config.h"

namespace plugin_host {

namespace {

// Columns of the time axis the series are reduced to: about a wide screen.
constexpr unsigned PIXELS = 1600;

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

}  // namespace

int report_command(const ReportOptions& options)
{
    const std::vector<std::string> histories = record_files(options.histories);
    // Opening the output empties it: an output that is one of the histories is
    // refused before anything is opened.
    for (const std::string& history : histories) {
        if (!options.output.empty() && same_file(options.output, history)) {
            throw std::invalid_argument(options.output + " is named as the page's output (-o) and as the history " +
                                        history + ": the page would overwrite it");
        }
    }
    const Json::Value config =
        options.config_path.empty() ? sample_device_config() : load_device_config(options.config_path);

    ReportContent content;
    content.files = histories;
    HistoryShape shape;
    RecordSelection selection;
    for_each_record(
        histories,
        [&](const std::uint8_t* record, RecordPlace place) {
            selection.add(record, place);
            if (record_time_ms(record)) {
                shape.widen(record);
            }
        },
        warn);
    const ChartedRecords charted = selection.finish();
    content.unstamped = charted.unstamped;
    content.left_off = charted.left_off;
    content.records = charted.in_time_order.size();
    std::vector<std::int64_t> times;
    times.reserve(charted.in_time_order.size());
    for (const DatedRecord& record : charted.in_time_order) {
        times.push_back(record.time);
    }
    if (!times.empty()) {
        content.first = times.front();
        content.last = times.back();
    }
    content.interval = typical_interval(times);
    const std::int64_t gap_ms = gap_threshold(content.interval);
    content.gaps = find_gaps(times, gap_ms);
    content.gaps.insert(content.gaps.end(), charted.steps_back.begin(), charted.steps_back.end());
    times = {};

    std::ofstream file;
    if (!options.output.empty()) {
        file.open(options.output, std::ios::binary | std::ios::trunc);
        if (!file) {
            throw std::runtime_error("cannot write " + options.output);
        }
    }
    const PluginDevice loaded = load_plugin_device(options.plugin);
    auto* device = dynamic_cast<PMBusProtocol*>(loaded.device.get());
    if (device == nullptr) {
        throw std::runtime_error("the plug-in's device does not speak the monitoring protocol");
    }

    const SeriesLayout layout(shape);
    content.series = layout.series();
    content.stats.resize(content.series.size());
    std::vector<bool> status;
    for (const Series& series : content.series) {
        status.push_back(series.status);
    }
    PixelReducer reducer(status, content.first, content.last, PIXELS, gap_ms);
    const std::int64_t pixel_ms = (content.last - content.first) / PIXELS;
    AlarmTimeline timeline(content.interval, gap_ms, pixel_ms);
    std::vector<float> values(content.series.size());
    {
        const PluginOutputDiscarded quiet;
        device->set_observer(&timeline);
        apply_host_settings(config, *device);
        device->InitSetting(config);
        HistoryFiles files(histories);
        for (const DatedRecord& dated : charted.in_time_order) {
            const std::uint8_t* record = files.read(dated.place).data();
            layout.extract(record, values.data());
            for (std::size_t i = 0; i < values.size(); ++i) {
                content.stats[i].add(values[i]);
            }
            reducer.add(dated.time, values.data());
            timeline.judge(*device, record, dated.time);
        }
        device->set_observer(nullptr);
    }
    content.rows = reducer.finish();
    content.alarms = timeline.finish();

    std::ostream& out = options.output.empty() ? std::cout : file;
    write_report_page(out, content);
    check_written(out, options.output.empty() ? "standard output" : options.output);
    return EXIT_DONE;
}

}  // namespace plugin_host
