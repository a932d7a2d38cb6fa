// The MQTT publisher of a run: one thread of its own that keeps a session
// with the broker (libmosquitto, driven by mosquitto_loop so that every wait
// is a poll with a deadline), sends each device's stored records in order,
// its alarms and availability when they change, and the Home Assistant
// discovery documents on every connection and whenever Home Assistant says
// it is back on homeassistant/status.
//
// Nothing is lost to an outage: each device's records carry their number in
// its history (seq), the last number the broker acknowledged is kept beside
// the history (DeliveryLedger), and after an outage or a restart everything
// after it is read back from the history and sent in order before new
// records, at most WINDOW in flight and RATE a second. A broker that is gone
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
    const SnapshotSlot* snapshots = nullptr;  // its name and identity, alarms and line
    std::string history;                      // empty: none
    std::vector<int> levels;                  // its alarm levels, for the problem sensors
};

class MqttPublisher {
public:
    // Reads the password file and checks the TLS files, says once on
    // standard error where it publishes and what each device's records
    // start from; connects on its own thread from start() on. Throws
    // std::runtime_error naming the file that cannot be read or a ledger
    // that is not one.
    MqttPublisher(const MqttSettings& settings, std::vector<MqttDevice> devices);
    // Sends what the devices stored before the stop (for a few seconds, if
    // the broker is there), says the tool is offline, disconnects and keeps
    // every device's acknowledged number.
    ~MqttPublisher();
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    // Where device `index`'s thread hands over the records it stores.
    RecordFeed& feed(std::size_t index);
    void start();

private:
    class Session;
    std::unique_ptr<Session> session_;
};

// The alarm levels a device document gives its rules (the "host" section's
// "levels"), without 0, in order; [1] when it gives none.
std::vector<int> alarm_levels_of(const Json::Value& device_config);

}  // namespace plugin_host
