// The MQTT publisher of a run: one thread of its own that keeps a session
// with the broker (libmosquitto, driven by mosquitto_loop so that every wait
// is a poll with a deadline), sends each device's stored records in order,
// its alarms and availability when they change, and the Home Assistant
// discovery documents on every connection and whenever Home Assistant says
// it is back on homeassistant/status.
//
// Nothing is lost to an outage: each device's records carry the device's
// count of records ever stored (seq), which the file beside its history
// (DeliveryLedger) carries across restarts together with the last number
// the broker acknowledged; after an outage or a restart everything after it
// is read back from the history's files and sent in order before new
// records, at most WINDOW in flight and RATE a second.
//
// Devices join and leave while it runs (a site reloaded): a device that
// starts joins with its feed; one that restarts joins again under its name
// and, with the same history, keeps its feed, its numbers and what it has
// sent. A device removed from the site is not "offline" (that says it is
// there and does not answer): its discovery documents, alarms and
// availability are cleared (empty retained messages), so that Home
// Assistant drops its entities. Its records the broker has not had wait in
// its history, sent if it comes back. A broker that is gone
// costs a reconnection attempt after 1 s, then 2, 4 ... up to every 60 s,
// asleep in between; the devices' threads only hand records to a queue.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tools/plugin-host/common/device_snapshot.h"
#include "tools/plugin-host/mqtt/mqtt_settings.h"
#include "tools/plugin-host/mqtt/record_feed.h"

namespace plugin_host {

// A device as the publisher sees it.
struct MqttDevice {
    std::shared_ptr<const SnapshotSlot> snapshots;  // its name and identity, alarms and line
    DeviceHistory::Lister history;                  // its history's files; none: no history
    std::string state_file;                         // the ledger beside its history
    std::vector<int> levels;                        // its alarm levels, for the problem sensors
};

class MqttPublisher {
public:
    // Reads the password file and checks the TLS files, says once on
    // standard error where it publishes; connects on its own thread from
    // start() on. Throws std::runtime_error naming a file that cannot be read.
    explicit MqttPublisher(const MqttSettings& settings);
    // Sends what the devices stored before the stop (for a few seconds, if
    // the broker is there), says the tool is offline, disconnects and keeps
    // every device's acknowledged number.
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // A device starts (from any thread): says what its records start from
    // and returns where its thread hands over the records it stores. Throws
    // std::runtime_error naming a ledger that is not one.
    std::shared_ptr<RecordFeed> join(MqttDevice device);
    // The device called `name` left the site (from any thread).
    void remove(const std::string& name);
    void start();

private:
    class Session;
    std::unique_ptr<Session> session_;
};

// The alarm levels a device document gives its rules (the "host" section's
// "levels"), without 0, in order; [1] when it gives none.
std::vector<int> alarm_levels_of(const Json::Value& device_config);

}  // namespace plugin_host
