#include "tools/plugin-host/run/site_station.h"

#include <stdexcept>

#include "tools/plugin-host/common/run_config.h"

namespace plugin_host {

namespace {

// How soon a device that declined to start a round is asked again: it polls
// at most once every two seconds by its own clock.
constexpr auto REFRESH_RETRY = std::chrono::milliseconds(200);

}  // namespace

SiteStation::SiteStation(const SiteDevice& site_device, const PluginLibrary& library, int interval_seconds,
                         const std::string& origin)
    : site_device_(site_device),
      interval_(std::chrono::seconds(site_device.interval_seconds != 0 ? site_device.interval_seconds
                                                                        : interval_seconds)),
      created_(library.create_device())
{
    device_ = dynamic_cast<PMBusProtocol*>(created_.get());
    if (device_ == nullptr) {
        throw std::runtime_error("the plug-in's device does not speak the monitoring protocol");
    }
    if (!site_device.capture.empty()) {
        capture_ = open_capture(site_device.capture, capture_file_, collector_);
    }
    device_->set_observer(capture_ ? static_cast<HostObserver*>(capture_.get()) : &collector_);
    try {
        apply_host_settings(site_device.config, *device_);
    } catch (const std::invalid_argument& error) {
        throw std::invalid_argument("device \"" + name() + "\": " + error.what());
    }
    device_->address_ = static_cast<unsigned char>(site_device.address);
    if (capture_) {
        capture_->begin(*device_, site_device.config, origin);
    }
    device_->InitSetting(site_device.config);
}

SiteStation::~SiteStation()
{
    loop_.reset();
    if (device_ != nullptr) {
        device_->set_observer(nullptr);
    }
}

void SiteStation::attach(ByteLine& line, LoopSettings settings)
{
    if (!site_device_.history.empty()) {
        collector_.write_history_to(site_device_.history);
    }
    loop_ = std::make_unique<DeviceLoop>(*device_, line, std::move(settings));
    loop_->add_watcher(timer_);
    if (capture_) {
        loop_->add_watcher(*capture_);
    }
    if (publisher_) {
        loop_->add_watcher(*publisher_);
    }
    due_ = steady::now();
}

void SiteStation::publish_snapshots(SnapshotSlot& slot, const std::string& bus, const std::string& plugin)
{
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(interval_);
    publisher_ = std::make_unique<SnapshotPublisher>(identity_of(name(), bus, plugin, *device_, seconds), slot);
}

std::optional<RoundView> SiteStation::take_turn(bool& stopped)
{
    collector_.begin_round();
    const auto start = steady::now();
    const ExchangeResult result = loop_->run_round();
    stopped = result.stopped;
    if (stopped) {
        return std::nullopt;
    }
    if (!result.started) {
        due_ = steady::now() + REFRESH_RETRY;
        return std::nullopt;
    }
    due_ = start + interval_;
    RoundView view = collector_.end_round(++rounds_, result.completed, result.replies, result.faults);
    view.device = name();
    completed_ += view.completed && view.has_record ? 1U : 0U;
    view.timing = timer_.finish();
    if (publisher_) {
        publisher_->round_end(view, *loop_, collector_);
    }
    if (capture_) {
        capture_->end_round();
        if (!capture_->good()) {
            throw std::runtime_error("cannot write the capture " + site_device_.capture);
        }
    }
    if (!collector_.history_error().empty()) {
        throw std::runtime_error(collector_.history_error());
    }
    return view;
}

}  // namespace plugin_host
