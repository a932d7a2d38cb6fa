// One device of a site: the plug-in's device object with its own collector,
// history file, capture, loop and poll interval, on a line it may share with
// other devices. The line's owner gives it turns; it says when it wants the
// next one, by the steady clock and by the device's own (which --fast
// moves). A single `run` is a site of one such device.
#pragma once

#include <atomic>
#include <chrono>
#include <ctime>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "host/device_loop.h"
#include "host/plugin_loader.h"
#include "tools/plugin-host/mqtt/record_feed.h"
#include "tools/plugin-host/scenario/capture_writer.h"
#include "tools/plugin-host/run/clock_step_notice.h"
#include "tools/plugin-host/run/round_timer.h"
#include "tools/plugin-host/run/run_rounds.h"
#include "tools/plugin-host/run/site_document.h"
#include "tools/plugin-host/run/snapshot_publisher.h"

namespace plugin_host {

class SiteStation {
public:
    using steady = std::chrono::steady_clock;

    // What a capture says the device was polled on, given the line's baud.
    using Origin = std::function<std::string(int baud)>;

    // Creates and configures the device; `baud`, when not 0, is its line's.
    // Throws std::invalid_argument for a bad configuration,
    // std::runtime_error for an unwritable capture or a plug-in without a
    // device of the monitoring protocol.
    SiteStation(const SiteDevice& site_device, const PluginLibrary& library, int interval_seconds, int baud,
                const Origin& origin);
    ~SiteStation();
    SiteStation(const SiteStation&) = delete;
    SiteStation& operator=(const SiteStation&) = delete;

    // The capture, if any, moves the frozen device clock to the wall's
    // time before every call it records.
    void capture_follows_wall_clock();

    // Starts the loop on the line, its messages going to `sink`, and the
    // history file once the line is there. The first turn is due at once, or
    // by the device's clock one interval from `device_now`. `wall_clock`: the
    // device's clock is the wall clock, whose steps are told (not with
    // --fast's own clock). Throws std::runtime_error when the history cannot
    // be opened.
    void attach(ByteLine& line, LoopSettings settings, const LineLog::Sink& sink, std::time_t device_now,
                bool wall_clock);

    // One turn on the line: a round when the device starts one (cut_short
    // when a stop request ended it). Nothing when it declined (asked again
    // shortly) or a stop came before it started. Throws
    // std::runtime_error when the capture cannot be written. (The history
    // goes on through a full disk: see HistoryFile.)
    // `device_now` is the device's clock at the turn's start.
    std::optional<RoundView> take_turn(bool& stopped, std::time_t device_now);

    // Empty for the one device of a single run.
    const std::string& name() const { return site_device_.name; }
    // The device's entry as the site document gave it.
    const SiteDevice& entry() const { return site_device_; }

    // What the device does, as the service's state line counts it; set by
    // its line's thread, read from any.
    enum class State { polling, line_lost, clock, idle };
    State state() const { return state_.load(); }

    // Asked to go (removed or changed on reload): its line's thread lets it
    // finish its round, then drops it, which closes its files.
    void retire() { retiring_ = true; }
    bool retiring() const { return retiring_.load(); }
    steady::time_point due() const { return due_; }
    std::time_t device_due() const { return device_due_; }
    unsigned rounds() const { return rounds_; }
    unsigned completed() const { return completed_; }
    // The line is lost (or was never there) and not yet back.
    bool line_lost() const { return loop_ && loop_->line_state().down(); }
    PMBusProtocol& device() { return *device_; }
    // Publishes a snapshot into `slot` at the end of every round from now
    // on (call before attach).
    void publish_snapshots(std::shared_ptr<SnapshotSlot> slot, const std::string& bus, const std::string& plugin);
    // Hands every record it publishes to `feed` from now on: with a history,
    // those stored in it.
    void feed_records_to(std::shared_ptr<RecordFeed> feed) { feed_ = std::move(feed); }

private:
    // One line of the host's own on standard error.
    void say(const std::string& text) const;

    const SiteDevice site_device_;
    std::chrono::seconds interval_;
    // The device's observers, declared before it so that they outlive it.
    RoundCollector collector_;
    std::ofstream capture_file_;
    std::unique_ptr<CaptureWriter> capture_;
    RoundTimer timer_;
    std::shared_ptr<SnapshotSlot> snapshot_slot_;  // its place on the board, while it lives
    std::unique_ptr<SnapshotPublisher> publisher_;
    std::shared_ptr<RecordFeed> feed_;  // the broker's, while it publishes
    std::unique_ptr<SMDSPDevice> created_;
    PMBusProtocol* device_ = nullptr;
    std::unique_ptr<LineLog> log_;
    std::unique_ptr<DeviceLoop> loop_;
    std::atomic<State> state_{State::polling};
    std::atomic<bool> retiring_{false};
    steady::time_point due_{};
    std::time_t device_due_ = 0;
    steady::time_point idle_since_{};
    bool idle_reported_ = false;
    std::unique_ptr<ClockStepNotice> clock_notice_;  // none with --fast
    unsigned rounds_ = 0;
    unsigned completed_ = 0;
};

}  // namespace plugin_host
