#include "tools/plugin-host/run/snapshot_publisher.h"

#include <chrono>
#include <cstdio>

namespace plugin_host {

DeviceIdentity identity_of(const std::string& name, const std::string& bus, const std::string& plugin,
                           const PMBusProtocol& device, std::chrono::seconds interval)
{
    DeviceIdentity identity;
    identity.name = name;
    identity.bus = bus;
    identity.address = device.address_;
    identity.plugin = plugin;
    char version[8];
    std::snprintf(version, sizeof version, "0x%02X", static_cast<unsigned>(device.protocol_version_));
    identity.protocol_version = version;
    identity.interval = interval;
    return identity;
}

SnapshotPublisher::SnapshotPublisher(DeviceIdentity identity, SnapshotSlot& slot) : slot_(slot)
{
    auto first = std::make_shared<DeviceSnapshot>();
    first->identity = std::make_shared<const DeviceIdentity>(std::move(identity));
    last_ = first;
    slot_.publish(last_);
}

void SnapshotPublisher::on_fault(const std::string& problem)
{
    if (problem.compare(0, 10, "giving up ") == 0) {
        return;  // a round given up, counted as such at its end
    }
    ++faults_[static_cast<std::size_t>(fault_kind_of(problem))];
}

void SnapshotPublisher::round_end(const RoundView& round, const DeviceLoop& loop, const RoundCollector& alarms)
{
    // The last record stays until a round brings a new one.
    auto next = std::make_shared<DeviceSnapshot>(*last_);
    next->up = !loop.line_state().down() && round.replies > 0;
    next->reopen_attempts = loop.line_state().reopen_attempts();
    next->faults = faults_;
    if (round.completed && round.has_record) {
        ++next->rounds_completed;
        next->has_record = true;
        next->record = round.record;
        next->completed_at = std::chrono::system_clock::now();
        next->completed_steady = std::chrono::steady_clock::now();
    } else if (!round.completed) {
        ++next->rounds_given_up;
    }
    next->alarms.clear();
    alarms.each_alarm([&next](const AlarmReport& report, unsigned occurrence) {
        next->alarms.push_back({report.name, report.level, occurrence, report.active});
    });
    last_ = next;
    slot_.publish(last_);
}

}  // namespace plugin_host
