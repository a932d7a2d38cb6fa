// What a run publishes for each device D under the topic prefix P:
//   P/D/state         one JSON object per stored record: "seq", then the
//                     record's readings under decode's field names (the
//                     round time as "round_time"), then rc.total_current
//   P/D/alarms        retained: the active alarms with their levels, and for
//                     each level whether one of its alarms is active
//   P/D/availability  retained: online, or offline while the line is lost
//   P/bridge/availability  retained: the tool's own, offline by its will
// and the retained Home Assistant discovery documents that describe them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/plugin-host/common/device_snapshot.h"

namespace plugin_host {

struct MqttMessage {
    std::string topic;
    std::string payload;
    bool retain = false;
};

// The state document of a stored record, into `document` (its room kept).
void state_payload(std::string& document, const std::uint8_t* record, std::uint64_t seq);

// The alarms document: {"active": [{"name", "level"}...], "levels": {"L": bool}},
// every level of `levels` and of the active alarms present.
std::string alarms_payload(const std::vector<SnapshotAlarm>& alarms, const std::vector<int>& levels);

// A name as a topic level or an identifier of Home Assistant's: letters,
// digits, '-' and '_' kept, anything else '_'.
std::string topic_safe(const std::string& name);

std::string device_topic(const std::string& prefix, const std::string& device, const char* leaf);
std::string bridge_availability_topic(const std::string& prefix);

// The discovery documents of one device: a sensor for each main reading and
// a problem sensor for each alarm level in `levels`.
std::vector<MqttMessage> discovery_messages(const std::string& prefix, const DeviceIdentity& device,
                                            const std::vector<int>& levels);

}  // namespace plugin_host
