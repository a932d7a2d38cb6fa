#include "tools/plugin-host/records/record_printer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/plugin-host/common/hex_text.h"
#include "tools/plugin-host/common/json_object.h"
#include "protocol419/record_field_list.h"
#include "tools/plugin-host/common/record_view.h"
#include "tools/plugin-host/common/time_text.h"

namespace plugin_host {

using protocol419::field_kind;
using protocol419::field_writer;
using protocol419::record_field;
using protocol419::record_fields;

namespace {

float float_at(const std::uint8_t* record, std::size_t offset)
{
    float value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

std::int32_t int_at(const std::uint8_t* record, std::size_t offset)
{
    std::int32_t value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

std::size_t stored_items(const std::uint8_t* record, const record_field& field)
{
    return RecordView::held(record[field.count_offset], field.capacity);
}

// The stored fields of the round time, date or not: empty when never stamped.
std::string stored_time_of(const std::uint8_t* record, std::size_t offset)
{
    const protocol419::round_time time = protocol419::decode_round_time(record + offset);
    return time.stamped() ? stored_time_text(time) : "";
}

std::string json_value(const std::uint8_t* record, const record_field& field)
{
    const std::uint8_t* at = record + field.offset;
    switch (field.kind) {
    case field_kind::int32:
        return std::to_string(int_at(record, field.offset));
    case field_kind::float32:
        return json_float(float_at(record, field.offset));
    case field_kind::count:
    case field_kind::state:
        return std::to_string(*at);
    case field_kind::float_list:
    case field_kind::state_list: {
        std::string items = "[";
        for (std::size_t i = 0; i < stored_items(record, field); ++i) {
            items += i == 0 ? "" : ",";
            items += field.kind == field_kind::float_list ? json_float(float_at(record, field.offset + 4 * i))
                                                         : std::to_string(at[i]);
        }
        return items + "]";
    }
    case field_kind::round_time: {
        const std::string text = stored_time_of(record, field.offset);
        return text.empty() ? "null" : json_string(text);
    }
    case field_kind::reserved:
        return json_string(to_hex(at, field.width));
    }
    return "null";
}

std::string float_text(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

std::string state_text(std::uint8_t byte) { return "0x" + to_hex(&byte, 1); }

std::string table_value(const std::uint8_t* record, const record_field& field)
{
    const std::uint8_t* at = record + field.offset;
    switch (field.kind) {
    case field_kind::int32:
        return std::to_string(int_at(record, field.offset));
    case field_kind::float32:
        return float_text(float_at(record, field.offset));
    case field_kind::count:
        return std::to_string(*at);
    case field_kind::state:
        return state_text(*at);
    case field_kind::float_list:
    case field_kind::state_list: {
        std::string items;
        for (std::size_t i = 0; i < stored_items(record, field); ++i) {
            items += i == 0 ? "" : " ";
            items += field.kind == field_kind::float_list ? float_text(float_at(record, field.offset + 4 * i))
                                                         : state_text(at[i]);
        }
        return items.empty() ? "-" : items;
    }
    case field_kind::round_time: {
        return round_time_text(protocol419::decode_round_time(record + field.offset)).value_or("not a date");
    }
    case field_kind::reserved:
        return to_hex(at, field.width);
    }
    return "";
}

// One CSV cell per list slot, so that every row has the header's columns;
// slots beyond the count stay empty.
void append_csv_cells(std::string& row, const std::uint8_t* record, const record_field& field)
{
    const std::uint8_t* at = record + field.offset;
    switch (field.kind) {
    case field_kind::float_list:
    case field_kind::state_list:
        for (std::size_t i = 0; i < field.capacity; ++i) {
            row += ',';
            if (i < stored_items(record, field)) {
                row += field.kind == field_kind::float_list ? float_text(float_at(record, field.offset + 4 * i))
                                                            : std::to_string(at[i]);
            }
        }
        return;
    case field_kind::float32:
        row += ',' + float_text(float_at(record, field.offset));
        return;
    case field_kind::round_time:
        row += ',' + stored_time_of(record, field.offset);
        return;
    case field_kind::reserved:
        row += ',' + to_hex(at, field.width);
        return;
    case field_kind::int32:
    case field_kind::count:
    case field_kind::state:
        row += ',' + json_value(record, field);
        return;
    }
}

}  // namespace

void add_record_fields(JsonObject& object, const std::uint8_t* record, bool readings_only)
{
    const RecordView view(record);
    const unsigned ac_channels = view.ac_channels();
    const unsigned modules = view.modules_held();
    const unsigned dc_units = view.second_dc_unit() ? 2 : 1;
    for (const record_field& field : record_fields()) {
        if (readings_only) {
            // The slots of AC channels, modules and DC units the record does
            // not count hold nothing the power system said.
            const field_writer writer = field.writer;
            const bool ac = writer == field_writer::ac_analog || writer == field_writer::ac_status ||
                            writer == field_writer::ac_alarms;
            const bool rc = writer == field_writer::rc_analog || writer == field_writer::rc_status ||
                            writer == field_writer::rc_alarms;
            const bool dc = writer == field_writer::dc_analog || writer == field_writer::dc_alarms;
            if (field.kind == field_kind::reserved || (ac && field.unit >= ac_channels) ||
                (rc && field.unit >= modules) || (dc && field.unit >= dc_units)) {
                continue;
            }
        }
        object.raw(field.name, json_value(record, field));
    }
}

std::string record_json(const std::uint8_t* record, std::size_t index)
{
    JsonObject object;
    object.integer("record", static_cast<long long>(index));
    add_record_fields(object, record, false);
    return object.str();
}

void print_record_table(std::ostream& out, const std::uint8_t* record, std::size_t index)
{
    std::size_t name_width = 0;
    for (const record_field& field : record_fields()) {
        name_width = std::max(name_width, field.name.size());
    }
    out << "record " << index << "\n";
    char line[128];
    std::snprintf(line, sizeof line, "  %6s  %-*s  %s\n", "offset", static_cast<int>(name_width), "field", "value");
    out << line;
    for (const record_field& field : record_fields()) {
        std::snprintf(line, sizeof line, "  %6zu  %-*s  ", field.offset, static_cast<int>(name_width),
                      field.name.c_str());
        out << line << table_value(record, field) << "\n";
    }
}

std::string record_csv_header()
{
    std::string header = "record";
    for (const record_field& field : record_fields()) {
        if (field.capacity == 0) {
            header += ',' + field.name;
            continue;
        }
        for (std::size_t i = 0; i < field.capacity; ++i) {
            header += ',' + field.name + '[' + std::to_string(i) + ']';
        }
    }
    return header;
}

std::string record_csv(const std::uint8_t* record, std::size_t index)
{
    std::string row = std::to_string(index);
    for (const record_field& field : record_fields()) {
        append_csv_cells(row, record, field);
    }
    return row;
}

}  // namespace plugin_host
