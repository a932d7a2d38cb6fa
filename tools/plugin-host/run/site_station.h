// One device of a site: the plug-in's device object with its own collector,
// history file, capture, loop and poll interval, on a line it may share with
// other devices. The line's owner gives it turns; it says when it wants the
// next one.
#pragma once

#include <chrono>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "host/device_loop.h"
#include "host/plugin_loader.h"
#include "tools/plugin-host/scenario/capture_writer.h"
#include "tools/plugin-host/run/round_timer.h"
#include "tools/plugin-host/run/run_rounds.h"
#include "tools/plugin-host/run/site_document.h"
#include "tools/plugin-host/run/snapshot_publisher.h"

namespace plugin_host {

class SiteStation {
public:
    using steady = std::chrono::steady_clock;

    // Creates and configures the device. Throws std::invalid_argument for a
    // bad configuration, std::runtime_error for an unwritable capture or a
    // plug-in without a device of the monitoring protocol.
    SiteStation(const SiteDevice& site_device, const PluginLibrary& library, int interval_seconds,
                const std::string& origin);
    ~SiteStation();
    SiteStation(const SiteStation&) = delete;
    SiteStation& operator=(const SiteStation&) = delete;

    // Starts the loop on the line, and the history file once the line is
    // there. Throws std::runtime_error when the history cannot be opened.
    void attach(ByteLine& line, LoopSettings settings);

    // One turn on the line: a round when the device starts one. Nothing when
    // it declined (asked again shortly) or a stop came. Throws
    // std::runtime_error when the history or the capture cannot be written.
    std::optional<RoundView> take_turn(bool& stopped);

    const std::string& name() const { return site_device_.name; }
    steady::time_point due() const { return due_; }
    unsigned rounds() const { return rounds_; }
    unsigned completed() const { return completed_; }
    PMBusProtocol& device() { return *device_; }
    // Publishes a snapshot into `slot` at the end of every round from now
    // on (call before attach).
    void publish_snapshots(SnapshotSlot& slot, const std::string& bus, const std::string& plugin);

private:
    const SiteDevice& site_device_;
    steady::duration interval_;
    // The device's observers, declared before it so that they outlive it.
    RoundCollector collector_;
    std::ofstream capture_file_;
    std::unique_ptr<CaptureWriter> capture_;
    RoundTimer timer_;
    std::unique_ptr<SnapshotPublisher> publisher_;
    std::unique_ptr<SMDSPDevice> created_;
    PMBusProtocol* device_ = nullptr;
    std::unique_ptr<DeviceLoop> loop_;
    steady::time_point due_{};
    unsigned rounds_ = 0;
    unsigned completed_ = 0;
};

}  // namespace plugin_host
