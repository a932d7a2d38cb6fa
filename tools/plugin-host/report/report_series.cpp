#include "tools/plugin-host/report/report_series.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "protocol419/sections.h"
#include "tools/plugin-host/common/record_view.h"
#include "tools/plugin-host/report/report_fields.h"

namespace plugin_host {

namespace {

// The record's capacities, as its section types fix them.
constexpr unsigned BATTERY_GROUPS = protocol419::dc_unit_block::M_SIZE();
constexpr std::size_t MODULE_BLOCK = sizeof(protocol419::rectifier_module_block);
const float NOT_HELD = std::numeric_limits<float>::quiet_NaN();

std::string ac_prefix(unsigned channel) { return "ac.acChannel[" + std::to_string(channel) + "]."; }
std::string dc_prefix(unsigned unit) { return unit == 0 ? "dc." : "dc2."; }
std::string dc_name(unsigned unit, unsigned units) { return units == 1 ? "DC" : "DC" + std::to_string(unit + 1); }
std::string module_prefix(unsigned module) { return "rc.rcChannel[" + std::to_string(module) + "]."; }

}  // namespace

void HistoryShape::widen(const std::uint8_t* record)
{
    const RecordView view(record);
    ac_channels = std::max(ac_channels, view.ac_channels());
    modules = std::max(modules, view.modules_held());
    modules_reported = std::max(modules_reported, view.modules_reported());
    if (view.second_dc_unit()) {
        dc_units = 2;
    }
    for (unsigned unit = 0; unit < 2; ++unit) {
        batteries[unit] = std::max(batteries[unit], view.battery_groups(unit));
    }
}

SeriesLayout::SeriesLayout(const HistoryShape& shape)
{
    for (unsigned unit = 0; unit < shape.dc_units; ++unit) {
        const std::string name = dc_name(unit, shape.dc_units);
        add({name + " bus voltage", "V", "dc_voltage", false, true},
            {Source::reading, report_field_offset(dc_prefix(unit) + "out_v"), 0, 0});
    }
    for (unsigned unit = 0; unit < shape.dc_units; ++unit) {
        const std::string name = dc_name(unit, shape.dc_units);
        add({name + " load current", "A", "dc_current", false, true},
            {Source::reading, report_field_offset(dc_prefix(unit) + "out_i"), 0, 0});
        for (unsigned group = 0; group < shape.batteries[unit]; ++group) {
            add({name + " battery " + std::to_string(group + 1) + " current", "A", "dc_current", false, true},
                {Source::reading, report_field_offset(dc_prefix(unit) + "m") + 4 * group,
                 report_field_offset(dc_prefix(unit) + "m_count"), group, BATTERY_GROUPS});
        }
    }
    const std::size_t ac_count = report_field_offset("ac.channel_count");
    for (unsigned channel = 0; channel < shape.ac_channels; ++channel) {
        for (const char phase : {'a', 'b', 'c'}) {
            add({"AC" + std::to_string(channel + 1) + " phase " + static_cast<char>(phase - 'a' + 'A'), "V",
                 "ac_voltage", false, true},
                {Source::reading, report_field_offset(ac_prefix(channel) + phase), ac_count, channel});
        }
    }
    for (unsigned channel = 0; channel < shape.ac_channels; ++channel) {
        add({"AC" + std::to_string(channel + 1) + " frequency", "Hz", "ac_frequency", false, true},
            {Source::reading, report_field_offset(ac_prefix(channel) + "f"), ac_count, channel});
    }
    const std::size_t module_count = report_field_offset("rc.channel_count");
    const std::size_t first_module = report_field_offset(module_prefix(0) + "current");
    add({"rectifier output voltage", "V", "rectifier_voltage", false, true},
        {Source::reading, report_field_offset("rc.out_v"), 0, 0});
    // A total over the modules the record holds says so when the power
    // system has more.
    const std::string total = shape.modules_reported > shape.modules
                                  ? " (sum of " + std::to_string(shape.modules) + " of " +
                                        std::to_string(shape.modules_reported) + " modules)"
                                  : "";
    add({"rectifier total current" + total, "A", "rectifier_current", false, true},
        {Source::module_total, first_module, module_count, 0});
    for (unsigned module = 0; module < shape.modules; ++module) {
        add({"module " + std::to_string(module + 1) + " current", "A", "modules", false, false},
            {Source::reading, first_module + MODULE_BLOCK * module, module_count, module});
    }
    for (unsigned module = 0; module < shape.modules; ++module) {
        add({"module " + std::to_string(module + 1) + " status", "", "modules", true, false},
            {Source::module_status, first_module + MODULE_BLOCK * module, module_count, module});
    }
}

void SeriesLayout::add(Series series, Extractor extractor)
{
    series_.push_back(std::move(series));
    extractors_.push_back(extractor);
}

void SeriesLayout::extract(const std::uint8_t* record, float* values) const
{
    // Within a module block: the on/off status byte, the module's alarm
    // byte, and the user-defined fault byte behind its count.
    static const std::size_t block = report_field_offset(module_prefix(0) + "current");
    static const std::size_t switched_off = report_field_offset(module_prefix(0) + "state_1") - block;
    static const std::size_t alarm = report_field_offset(module_prefix(0) + "alarm") - block;
    static const std::size_t fault_count = report_field_offset(module_prefix(0) + "p41_44_count") - block;
    static const std::size_t fault = report_field_offset(module_prefix(0) + "p41_44") - block;

    for (std::size_t i = 0; i < extractors_.size(); ++i) {
        const Extractor& from = extractors_[i];
        const unsigned count = from.count_offset == 0 ? 0 : record_byte(record, from.count_offset);
        if (from.count_offset != 0 && (from.index >= count || (from.capacity != 0 && count > from.capacity))) {
            values[i] = NOT_HELD;
            continue;
        }
        switch (from.source) {
        case Source::reading:
            values[i] = record_float(record, from.offset);
            break;
        case Source::module_total: {
            const unsigned modules = RecordView(record).modules_held();
            float total = 0;
            for (unsigned module = 0; module < modules; ++module) {
                const float current = record_float(record, from.offset + MODULE_BLOCK * module);
                total += std::isfinite(current) ? current : 0.0f;
            }
            values[i] = total;
            break;
        }
        case Source::module_status: {
            const std::uint8_t* module = record + from.offset;
            const bool faulty = module[alarm] != 0 || (module[fault_count] == 1 && module[fault] == 1);
            const ModuleStatus status = faulty                  ? ModuleStatus::faulty
                                        : module[switched_off] ? ModuleStatus::off
                                                                : ModuleStatus::on;
            values[i] = static_cast<float>(status);
            break;
        }
        }
    }
}

void SeriesStats::add(float value)
{
    if (!std::isfinite(value)) {
        return;
    }
    min = count == 0 ? value : std::min(min, value);
    max = count == 0 ? value : std::max(max, value);
    sum += value;
    ++count;
}

}  // namespace plugin_host
