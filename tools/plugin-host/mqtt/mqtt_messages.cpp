#include "tools/plugin-host/mqtt/mqtt_messages.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "protocol419/record_field_list.h"
#include "tools/plugin-host/common/json_object.h"
#include "tools/plugin-host/common/record_view.h"
#include "tools/plugin-host/records/record_printer.h"

namespace plugin_host {

namespace {

// The readings Home Assistant shows as sensors of a power system.
struct MainReading {
    const char* object;  // the entity's part of the unique id
    const char* name;
    const char* field;   // the state document's member
    const char* device_class;
    const char* unit;
};

constexpr MainReading MAIN_READINGS[] = {
    {"dc_voltage", "DC bus voltage", "dc.out_v", "voltage", "V"},
    {"load_current", "Load current", "dc.out_i", "current", "A"},
    {"rectifier_voltage", "Rectifier output voltage", "rc.out_v", "voltage", "V"},
    {"rectifier_current", "Rectifier total current", "rc.total_current", "current", "A"},
    {"ac_voltage_a", "AC input 1 phase A voltage", "ac.acChannel[0].a", "voltage", "V"},
    {"ac_voltage_b", "AC input 1 phase B voltage", "ac.acChannel[0].b", "voltage", "V"},
    {"ac_voltage_c", "AC input 1 phase C voltage", "ac.acChannel[0].c", "voltage", "V"},
    {"ac_frequency", "AC input 1 frequency", "ac.acChannel[0].f", "frequency", "Hz"},
};

// The sum of the modules' output currents, over the modules the record counts.
float total_rectifier_current(const std::uint8_t* record)
{
    const unsigned modules = RecordView(record).modules_held();
    float total = 0;
    for (const protocol419::record_field& field : protocol419::record_fields()) {
        if (field.writer == protocol419::field_writer::rc_analog && field.unit < modules &&
            field.name.compare(0, 13, "rc.rcChannel[") == 0 &&
            field.name.compare(field.name.size() - 8, 8, ".current") == 0) {
            float current;
            std::memcpy(&current, record + field.offset, sizeof current);
            total += current;
        }
    }
    return total;
}

std::string availability_list(const std::string& prefix, const std::string& device)
{
    return "[{\"topic\":" + json_string(bridge_availability_topic(prefix)) + "},{\"topic\":" +
           json_string(device_topic(prefix, device, "availability")) + "}]";
}

std::string device_entry(const std::string& prefix, const DeviceIdentity& device)
{
    JsonObject entry;
    entry.raw("identifiers", "[" + json_string(topic_safe(prefix) + "_" + topic_safe(device.name)) + "]");
    entry.text("name", device.name);
    entry.text("model", "-48 V DC power system");
    entry.text("hw_version", "protocol " + device.protocol_version);
    entry.text("suggested_area", device.bus + " address " + std::to_string(device.address));
    return entry.str();
}

// The members every entity of a device shares.
JsonObject entity(const std::string& prefix, const DeviceIdentity& device, const std::string& object,
                  const std::string& name, const char* state_leaf)
{
    JsonObject config;
    config.text("name", name);
    config.text("unique_id", topic_safe(prefix) + "_" + topic_safe(device.name) + "_" + object);
    config.text("object_id", topic_safe(device.name) + "_" + object);
    config.text("state_topic", device_topic(prefix, device.name, state_leaf));
    config.raw("availability", availability_list(prefix, device.name));
    config.text("availability_mode", "all");
    config.raw("device", device_entry(prefix, device));
    return config;
}

}  // namespace

std::string topic_safe(const std::string& name)
{
    std::string safe = name;
    for (char& c : safe) {
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '_';
        c = kept ? c : '_';
    }
    return safe;
}

std::string device_topic(const std::string& prefix, const std::string& device, const char* leaf)
{
    return prefix + "/" + topic_safe(device) + "/" + leaf;
}

std::string bridge_availability_topic(const std::string& prefix) { return prefix + "/bridge/availability"; }

void state_payload(std::string& document, const std::uint8_t* record, std::uint64_t seq)
{
    JsonObject object;
    object.integer("seq", static_cast<long long>(seq));
    add_record_fields(object, record, true);
    object.real("rc.total_current", total_rectifier_current(record));
    document = object.str();
}

std::string alarms_payload(const std::vector<SnapshotAlarm>& alarms, const std::vector<int>& levels)
{
    std::string active = "[";
    std::set<int> raised;
    for (const SnapshotAlarm& alarm : alarms) {
        if (alarm.active) {
            active += (active.size() > 1 ? "," : "") + JsonObject().text("name", alarm.name).integer("level", alarm.level).str();
            raised.insert(alarm.level);
        }
    }
    std::set<int> all(levels.begin(), levels.end());
    all.insert(raised.begin(), raised.end());
    JsonObject by_level;
    for (const int level : all) {
        by_level.boolean(std::to_string(level), raised.count(level) != 0);
    }
    JsonObject object;
    object.raw("active", active + "]");
    object.raw("levels", by_level.str());
    return object.str();
}

std::vector<MqttMessage> discovery_messages(const std::string& prefix, const DeviceIdentity& device,
                                            const std::vector<int>& levels)
{
    std::vector<MqttMessage> messages;
    const std::string node = topic_safe(prefix) + "_" + topic_safe(device.name);
    for (const MainReading& reading : MAIN_READINGS) {
        JsonObject config = entity(prefix, device, reading.object, reading.name, "state");
        config.text("device_class", reading.device_class);
        config.text("unit_of_measurement", reading.unit);
        config.text("state_class", "measurement");
        config.text("value_template", std::string("{{ value_json['") + reading.field + "'] }}");
        messages.push_back({"homeassistant/sensor/" + node + "/" + reading.object + "/config", config.str(), true});
    }
    for (const int level : levels) {
        const std::string object = "alarm_level_" + std::to_string(level);
        JsonObject config = entity(prefix, device, object, "Alarm level " + std::to_string(level), "alarms");
        config.text("device_class", "problem");
        config.text("value_template",
                    "{{ 'ON' if value_json.levels['" + std::to_string(level) + "'] else 'OFF' }}");
        messages.push_back({"homeassistant/binary_sensor/" + node + "/" + object + "/config", config.str(), true});
    }
    return messages;
}

}  // namespace plugin_host
