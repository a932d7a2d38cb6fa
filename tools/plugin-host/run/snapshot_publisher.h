// The device's side of its snapshots: counts the line faults as the loop
// reports them, and at the end of every round the device started publishes
// a new snapshot of the record, alarms, line and counters. Whoever looks
// from outside reads the snapshots (common/device_snapshot.h).
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "host/device_loop.h"
#include "host/loop_watcher.h"
#include "tools/plugin-host/common/device_snapshot.h"
#include "tools/plugin-host/run/run_rounds.h"

namespace plugin_host {

// Who the device is, for its snapshots.
DeviceIdentity identity_of(const std::string& name, const std::string& bus, const std::string& plugin,
                           const PMBusProtocol& device, std::chrono::seconds interval);

class SnapshotPublisher : public LoopWatcher {
public:
    // Publishes a first snapshot at once: the device is there, not yet up.
    SnapshotPublisher(DeviceIdentity identity, SnapshotSlot& slot);

    void on_fault(const std::string& problem) override;

    // The round `round` has ended on `loop`; `alarms` holds the alarm states.
    void round_end(const RoundView& round, const DeviceLoop& loop, const RoundCollector& alarms);

private:
    SnapshotSlot& slot_;
    std::shared_ptr<const DeviceSnapshot> last_;
    std::array<unsigned long, FAULT_KINDS> faults_{};
};

}  // namespace plugin_host
