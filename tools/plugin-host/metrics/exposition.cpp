#include "tools/plugin-host/metrics/exposition.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>

#include "protocol419/record_field_list.h"
#include "tools/plugin-host/cli/tool_version.h"

namespace plugin_host {

const char* const EXPOSITION_CONTENT_TYPE = "text/plain; version=0.0.4; charset=utf-8";

namespace {

using protocol419::field_kind;

enum Family : std::size_t {
    info,
    up,
    last_round,
    rounds_completed,
    rounds_given_up,
    line_faults,
    reopen_attempts,
    ac_voltage,
    ac_frequency,
    ac_current,
    rectifier_voltage,
    rectifier_current,
    module_current,
    module_on,
    module_fault,
    module_value,
    dc_voltage,
    dc_load_current,
    dc_battery_current,
    dc_value,
    status_byte,
    alarm_active,
    alarms_active,
    FAMILIES
};

struct FamilyText {
    const char* name;
    const char* type;
    const char* help;
};

const FamilyText family_texts[FAMILIES] = {
    {"powersystem_info", "gauge", "The device: its name, line, address, plug-in file and protocol version (always 1)."},
    {"powersystem_up", "gauge", "1 while the device answers on its line, 0 while it does not or the line is lost."},
    {"powersystem_last_round_timestamp_seconds", "gauge", "When the device's last completed round ended (Unix time)."},
    {"powersystem_rounds_completed_total", "counter", "Poll rounds completed with a record."},
    {"powersystem_rounds_given_up_total", "counter", "Poll rounds given up after a request went unanswered."},
    {"powersystem_line_faults_total", "counter", "Line faults by kind: timeouts, bad frames, error replies, replies "
                                                 "to another request, replies the device could not use, lost lines."},
    {"powersystem_line_reopen_attempts_total", "counter", "Attempts to open a lost line again."},
    {"powersystem_ac_voltage_volts", "gauge", "AC input phase voltage."},
    {"powersystem_ac_frequency_hertz", "gauge", "AC input frequency."},
    {"powersystem_ac_current_amperes", "gauge", "AC output current by phase."},
    {"powersystem_rectifier_voltage_volts", "gauge", "Rectifier output voltage."},
    {"powersystem_rectifier_current_amperes", "gauge", "Rectifier output current: the modules' currents together."},
    {"powersystem_rectifier_module_current_amperes", "gauge", "Output current of one rectifier module."},
    {"powersystem_rectifier_module_on", "gauge", "1 while the rectifier module is switched on."},
    {"powersystem_rectifier_module_fault", "gauge", "1 while the rectifier module reports a fault."},
    {"powersystem_rectifier_module_value", "gauge", "User-defined analog value of a rectifier module."},
    {"powersystem_dc_voltage_volts", "gauge", "DC bus voltage of a DC distribution unit."},
    {"powersystem_dc_load_current_amperes", "gauge", "Total load current of a DC distribution unit."},
    {"powersystem_dc_battery_current_amperes", "gauge", "Current of one battery group."},
    {"powersystem_dc_value", "gauge", "User-defined analog value of a DC distribution unit."},
    {"powersystem_status_byte", "gauge", "A status or alarm byte of the record as the power system sent it; field "
                                         "is its name in plugin-host decode."},
    {"powersystem_alarm_active", "gauge", "1 while the alarm is active, as the plug-in judges it; level as it reports."},
    {"powersystem_alarms_active", "gauge", "Active alarms by level."},
};

// Which items of the record are there: AC channels and rectifier modules up
// to their counts, the second DC unit when it reports anything.
enum class Scope { always, ac_channel, module, dc2 };

// One reading of the record: where it is, and its series.
struct Reading {
    Family family = status_byte;
    field_kind kind = field_kind::state;
    std::size_t offset = 0;
    std::size_t count_offset = 0;  // lists
    std::size_t capacity = 0;
    Scope scope = Scope::always;
    unsigned unit = 0;
    std::string labels;       // ,name="value"... after the device's
    const char* item = "";    // lists: the label numbering the items
};

bool starts_with(const std::string& text, const char* start)
{
    return text.compare(0, std::strlen(start), start) == 0;
}

std::string label(const char* name, const std::string& value)
{
    return std::string(",") + name + "=\"" + value + "\"";
}

// The readings, from the record field table: each float and status field
// of the record, in offset order.
std::vector<Reading> readings_of_record()
{
    std::vector<Reading> readings;
    for (const protocol419::record_field& field : protocol419::record_fields()) {
        const bool list = field.kind == field_kind::float_list || field.kind == field_kind::state_list;
        if (field.kind != field_kind::float32 && field.kind != field_kind::state && !list) {
            continue;  // counts, the data id, the round time and reserved bytes are no readings
        }
        Reading reading;
        reading.kind = field.kind;
        reading.offset = field.offset;
        reading.count_offset = field.count_offset;
        reading.capacity = field.capacity;
        std::string base = field.name;
        const std::string number = std::to_string(field.unit + 1);
        if (starts_with(field.name, "ac.acChannel[")) {
            reading.scope = Scope::ac_channel;
            base = "channel." + field.name.substr(field.name.find("].") + 2);
            reading.labels = label("channel", number);
        } else if (starts_with(field.name, "rc.rcChannel[")) {
            reading.scope = Scope::module;
            base = "module." + field.name.substr(field.name.find("].") + 2);
            reading.labels = label("module", number);
        } else if (starts_with(field.name, "dc")) {
            reading.scope = field.unit == 1 ? Scope::dc2 : Scope::always;
            base = "dc." + field.name.substr(field.name.find('.') + 1);
            reading.labels = label("unit", number);
        }
        reading.unit = field.unit;
        static const std::map<std::string, std::pair<Family, const char*>> named = {
            {"ac.ia", {ac_current, "a"}},
            {"ac.ib", {ac_current, "b"}},
            {"ac.ic", {ac_current, "c"}},
            {"channel.a", {ac_voltage, "a"}},
            {"channel.b", {ac_voltage, "b"}},
            {"channel.c", {ac_voltage, "c"}},
            {"channel.f", {ac_frequency, nullptr}},
            {"rc.out_v", {rectifier_voltage, nullptr}},
            {"module.current", {module_current, nullptr}},
            {"module.p41_41", {module_value, nullptr}},
            {"dc.out_v", {dc_voltage, nullptr}},
            {"dc.out_i", {dc_load_current, nullptr}},
            {"dc.m", {dc_battery_current, nullptr}},
            {"dc.p", {dc_value, nullptr}},
        };
        const auto known = named.find(base);
        if (known != named.end()) {
            reading.family = known->second.first;
            if (const char* phase = known->second.second) {
                reading.labels = (reading.scope == Scope::ac_channel ? reading.labels : "") + label("phase", phase);
            }
            reading.item = reading.family == dc_battery_current ? "battery" : "index";
        } else {
            reading.labels = label("field", field.name);
            reading.item = "index";
        }
        readings.push_back(std::move(reading));
    }
    return readings;
}

const std::vector<Reading>& record_readings()
{
    static const std::vector<Reading> readings = readings_of_record();
    return readings;
}

void append_number(std::string& out, double value)
{
    if (std::isnan(value)) {
        out += "NaN";
    } else if (std::isinf(value)) {
        out += value > 0 ? "+Inf" : "-Inf";
    } else {
        char text[32];
        out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
    }
}

void append_float(std::string& out, float value)
{
    if (!std::isfinite(value)) {
        append_number(out, static_cast<double>(value));
        return;
    }
    // The float's own shortest text, not the double's (53.5, not 53.5000038...).
    char text[32];
    out.append(text, std::to_chars(text, text + sizeof text, value).ptr);
}

float float_at(const std::uint8_t* record, std::size_t offset)
{
    float value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

// The samples of one scrape, family by family.
class Writer {
public:
    // Starts the samples of one device.
    void device(const DeviceIdentity& identity)
    {
        base_ = "device=\"" + escape_label_value(identity.name) + "\",bus=\"" + escape_label_value(identity.bus) +
                "\",address=\"" + std::to_string(identity.address) + "\"";
    }

    // A sample with the device's labels, `labels`, and for an item of a list
    // `item`="number".
    template <typename Value>
    void sample(Family family, const std::string& labels, Value value, const char* item = nullptr,
                std::size_t number = 0)
    {
        std::string& out = families_[family];
        out += family_texts[family].name;
        out += '{';
        out += base_;
        out += labels;
        if (item != nullptr) {
            out += ',';
            out += item;
            out += "=\"";
            append_number(out, static_cast<double>(number));
            out += '"';
        }
        out += "} ";
        if constexpr (std::is_same_v<Value, float>) {
            append_float(out, value);
        } else {
            append_number(out, static_cast<double>(value));
        }
        out += '\n';
    }

    std::string text() const
    {
        std::size_t size = 0;
        for (const std::string& samples : families_) {
            size += samples.size() + 200;
        }
        std::string text;
        text.reserve(size);
        for (std::size_t family = 0; family < FAMILIES; ++family) {
            if (families_[family].empty()) {
                continue;
            }
            const FamilyText& about = family_texts[family];
            text += std::string("# HELP ") + about.name + " " + about.help + "\n# TYPE " + about.name + " " +
                    about.type + "\n";
            text += families_[family];
        }
        return text;
    }

private:
    std::string base_;
    std::array<std::string, FAMILIES> families_;
};

void write_readings(Writer& writer, const qorv52_419_Data_t& record)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    const unsigned channels = std::min<unsigned>(record.ac.channel_count, protocol419::AC_CHANNEL_BLOCKS);
    const unsigned modules = std::min<unsigned>(record.rc.channel_count, protocol419::RECTIFIER_MODULE_BLOCKS);
    const bool dc2 = record.dc2.out_v.get() != 0.0f || record.dc2.m_count != 0;
    for (const Reading& reading : record_readings()) {
        const bool there = reading.scope == Scope::always || (reading.scope == Scope::ac_channel && reading.unit < channels) ||
                           (reading.scope == Scope::module && reading.unit < modules) ||
                           (reading.scope == Scope::dc2 && dc2);
        if (!there) {
            continue;
        }
        switch (reading.kind) {
        case field_kind::float32:
            writer.sample(reading.family, reading.labels, float_at(bytes, reading.offset));
            break;
        case field_kind::state:
            writer.sample(reading.family, reading.labels, bytes[reading.offset]);
            break;
        case field_kind::float_list:
        case field_kind::state_list: {
            const std::size_t items = std::min<std::size_t>(bytes[reading.count_offset], reading.capacity);
            for (std::size_t i = 0; i < items; ++i) {
                if (reading.kind == field_kind::float_list) {
                    writer.sample(reading.family, reading.labels, float_at(bytes, reading.offset + 4 * i), reading.item,
                                  i + 1);
                } else {
                    writer.sample(reading.family, reading.labels, bytes[reading.offset + i], reading.item, i + 1);
                }
            }
            break;
        }
        default:
            break;
        }
    }
    // What the record says only together: the modules' total, and each
    // module's on/off and fault state as the summary shows them.
    float total = 0;
    for (unsigned i = 0; i < modules; ++i) {
        const auto& module = record.rc.rcChannel[i];
        const std::string labels = label("module", std::to_string(i + 1));
        total += module.current.get();
        writer.sample(module_on, labels, module.state_1 == 0 ? 1 : 0);
        writer.sample(module_fault, labels,
                      module.alarm != 0 || (module.p41_44_count == 1 && module.p41_44[0] == 1) ? 1 : 0);
    }
    writer.sample(rectifier_current, "", total);
}

void write_alarms(Writer& writer, const std::vector<SnapshotAlarm>& alarms)
{
    std::map<std::string, unsigned> seen;   // a name reported again is another instance (a channel)
    std::map<int, unsigned> active;  // by level
    for (const SnapshotAlarm& alarm : alarms) {
        const unsigned instance = seen[alarm.name]++;
        std::string labels = label("alarm", escape_label_value(alarm.name)) + label("level", std::to_string(alarm.level));
        if (instance > 0) {
            labels += label("instance", std::to_string(instance + 1));
        }
        writer.sample(alarm_active, labels, alarm.active ? 1 : 0);
        active[alarm.level] += alarm.active ? 1 : 0;
    }
    for (const auto& level : active) {
        writer.sample(alarms_active, label("level", std::to_string(level.first)), level.second);
    }
}

}  // namespace

std::string escape_label_value(const std::string& text)
{
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        if (c == '\\' || c == '"') {
            escaped += '\\';
            escaped += c;
        } else if (c == '\n') {
            escaped += "\\n";
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::string exposition_text(const std::vector<std::shared_ptr<const DeviceSnapshot>>& devices,
                            std::chrono::steady_clock::time_point now)
{
    Writer writer;
    const std::string host_version = label("host_version", escape_label_value(project_version));
    for (const auto& snapshot : devices) {
        const DeviceIdentity& identity = *snapshot->identity;
        writer.device(identity);
        writer.sample(info,
                      label("plugin", escape_label_value(identity.plugin)) +
                          label("protocol_version", escape_label_value(identity.protocol_version)) + host_version,
                      1);
        writer.sample(up, "", snapshot->up ? 1 : 0);
        if (snapshot->has_record) {
            const auto since_epoch = snapshot->completed_at.time_since_epoch();
            writer.sample(last_round, "", std::chrono::duration<double>(since_epoch).count());
        }
        writer.sample(rounds_completed, "", snapshot->rounds_completed);
        writer.sample(rounds_given_up, "", snapshot->rounds_given_up);
        for (std::size_t kind = 0; kind < FAULT_KINDS; ++kind) {
            writer.sample(line_faults, label("kind", fault_kind_name(static_cast<FaultKind>(kind))),
                          snapshot->faults[kind]);
        }
        writer.sample(reopen_attempts, "", snapshot->reopen_attempts);
        if (snapshot->fresh(now)) {
            write_readings(writer, snapshot->record);
            write_alarms(writer, snapshot->alarms);
        }
    }
    return writer.text();
}

}  // namespace plugin_host
