#include "tools/plugin-host/run/site_station.h"

#include <iostream>
#include <stdexcept>

#include "tools/plugin-host/common/run_config.h"

namespace plugin_host {

namespace {

// How soon a device that declined to start a round is asked again: it polls
// at most once every two seconds by its own clock.
constexpr auto REFRESH_RETRY = std::chrono::milliseconds(200);
// Says, once, that nothing happens after this long without a round.
constexpr auto IDLE_WARNING = std::chrono::seconds(10);

}  // namespace

SiteStation::SiteStation(const SiteDevice& site_device, const PluginLibrary& library, int interval_seconds, int baud,
                         const Origin& origin)
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
        if (name().empty()) {
            throw;
        }
        throw std::invalid_argument("device \"" + name() + "\": " + error.what());
    }
    device_->address_ = static_cast<unsigned char>(site_device.address);
    if (baud != 0) {
        device_->baud_rate_ = baud;
    }
    if (capture_) {
        capture_->begin(*device_, site_device.config, origin(device_->baud_rate_));
    }
    device_->InitSetting(site_device.config);
}

SiteStation::~SiteStation()
{
    loop_.reset();
    if (log_) {
        log_->flush(true);
    }
    if (device_ != nullptr) {
        device_->set_observer(nullptr);
    }
}

void SiteStation::capture_follows_wall_clock()
{
    if (capture_) {
        capture_->follow_real_clock();
    }
}

void SiteStation::attach(ByteLine& line, LoopSettings settings, const LineLog::Sink& sink, std::time_t device_now,
                         bool wall_clock)
{
    if (wall_clock) {
        clock_notice_ = std::make_unique<ClockStepNotice>(name().empty() ? "the device" : "device " + name());
    }
    if (!site_device_.history.empty()) {
        const std::string lead = "plugin-host run: " + (name().empty() ? std::string() : name() + ": ");
        collector_.write_history_to(site_device_.history, site_device_.keep_days,
                                    name().empty() ? "--keep-days" : "keep_days", device_now,
                                    [lead](const std::string& text) { std::cerr << lead << text << std::endl; });
    }
    log_ = std::make_unique<LineLog>(sink);
    settings.log = log_.get();
    loop_ = std::make_unique<DeviceLoop>(*device_, line, std::move(settings));
    loop_->add_watcher(timer_);
    if (capture_) {
        loop_->add_watcher(*capture_);
    }
    if (publisher_) {
        loop_->add_watcher(*publisher_);
    }
    due_ = steady::now();
    device_due_ = device_now + static_cast<std::time_t>(interval_.count());
    idle_since_ = due_;
}

void SiteStation::publish_snapshots(std::shared_ptr<SnapshotSlot> slot, const std::string& bus,
                                    const std::string& plugin)
{
    snapshot_slot_ = std::move(slot);
    const std::string known_as = name().empty() ? SINGLE_DEVICE_NAME : name();
    publisher_ = std::make_unique<SnapshotPublisher>(identity_of(known_as, bus, plugin, *device_, interval_), *snapshot_slot_);
}


void SiteStation::say(const std::string& text) const
{
    if (!text.empty()) {
        std::cerr << "plugin-host run: " << text << std::endl;
    }
}

std::optional<RoundView> SiteStation::take_turn(bool& stopped, std::time_t device_now)
{
    collector_.begin_round();
    const auto start = steady::now();
    if (clock_notice_) {
        say(clock_notice_->before_turn(start, device_now));
    }
    const ExchangeResult result = loop_->run_round();
    stopped = result.stopped;
    if (stopped && !result.started) {
        return std::nullopt;
    }
    if (clock_notice_) {
        say(clock_notice_->after_turn(steady::now(), device_now, result.started));
    }
    // Declined, it is asked again shortly; by a clock that --fast moves, once
    // the clock has moved on by an interval.
    device_due_ = device_now + static_cast<std::time_t>(interval_.count());
    if (!result.started) {
        const auto now = steady::now();
        due_ = now + REFRESH_RETRY;
        const bool clock_went_back = clock_notice_ && clock_notice_->holding();
        if (!idle_reported_ && !clock_went_back && !loop_->line_state().down() && now - idle_since_ > IDLE_WARNING) {
            say((name().empty() ? "the device" : name()) + " has not started a round for " +
                std::to_string(IDLE_WARNING.count()) + " s");
            idle_reported_ = true;
        }
        state_ = loop_->line_state().down() ? State::line_lost
                 : clock_went_back          ? State::clock
                 : idle_reported_           ? State::idle
                                            : state_.load();
        return std::nullopt;
    }
    state_ = loop_->line_state().down() ? State::line_lost : State::polling;
    due_ = start + interval_;
    idle_since_ = steady::now();
    idle_reported_ = false;
    RoundView view = collector_.end_round(++rounds_, result.completed, result.replies, result.faults);
    view.device = name();
    view.cut_short = result.stopped;
    completed_ += view.completed_with_record() ? 1U : 0U;
    view.timing = timer_.finish();
    if (feed_ && (site_device_.history.empty() ? view.has_record : view.stored)) {
        feed_->add(reinterpret_cast<const std::uint8_t*>(&view.record));
    }
    if (publisher_) {
        publisher_->round_end(view, *loop_, collector_);
    }
    if (capture_) {
        capture_->end_round();
        if (!capture_->good()) {
            throw std::runtime_error("cannot write the capture " + site_device_.capture);
        }
    }
    return view;
}

}  // namespace plugin_host
