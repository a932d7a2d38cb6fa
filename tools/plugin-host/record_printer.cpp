#include "tools/plugin-host/record_printer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/plugin-host/hex_text.h"
#include "tools/plugin-host/json_object.h"
#include "tools/plugin-host/record_fields.h"
#include "tools/plugin-host/time_text.h"

namespace plugin_host {

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

// Items of a list that the record holds: as many as its count says, but never
// more than its slots, since a count byte is stored as received.
std::size_t stored_items(const std::uint8_t* record, const RecordField& field)
{
    return std::min<std::size_t>(record[field.count_offset], field.capacity);
}

std::string round_time_of(const std::uint8_t* record, std::size_t offset)
{
    std::uint8_t bytes[7];
    std::memcpy(bytes, record + offset, sizeof bytes);
    return round_time_text(bytes).value_or("");
}

std::string json_value(const std::uint8_t* record, const RecordField& field)
{
    const std::uint8_t* at = record + field.offset;
    switch (field.kind) {
    case FieldKind::int32:
        return std::to_string(int_at(record, field.offset));
    case FieldKind::float32:
        return json_float(float_at(record, field.offset));
    case FieldKind::count:
    case FieldKind::state:
        return std::to_string(*at);
    case FieldKind::float_list:
    case FieldKind::state_list: {
        std::string items = "[";
        for (std::size_t i = 0; i < stored_items(record, field); ++i) {
            items += i == 0 ? "" : ",";
            items += field.kind == FieldKind::float_list ? json_float(float_at(record, field.offset + 4 * i))
                                                         : std::to_string(at[i]);
        }
        return items + "]";
    }
    case FieldKind::round_time: {
        const std::string text = round_time_of(record, field.offset);
        return text.empty() ? "null" : json_string(text);
    }
    case FieldKind::reserved:
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

std::string table_value(const std::uint8_t* record, const RecordField& field)
{
    const std::uint8_t* at = record + field.offset;
    switch (field.kind) {
    case FieldKind::int32:
        return std::to_string(int_at(record, field.offset));
    case FieldKind::float32:
        return float_text(float_at(record, field.offset));
    case FieldKind::count:
        return std::to_string(*at);
    case FieldKind::state:
        return state_text(*at);
    case FieldKind::float_list:
    case FieldKind::state_list: {
        std::string items;
        for (std::size_t i = 0; i < stored_items(record, field); ++i) {
            items += i == 0 ? "" : " ";
            items += field.kind == FieldKind::float_list ? float_text(float_at(record, field.offset + 4 * i))
                                                         : state_text(at[i]);
        }
        return items.empty() ? "-" : items;
    }
    case FieldKind::round_time: {
        const std::string text = round_time_of(record, field.offset);
        return text.empty() ? "not a date" : text;
    }
    case FieldKind::reserved:
        return to_hex(at, field.width);
    }
    return "";
}

}  // namespace

std::string record_json(const std::uint8_t* record, std::size_t index)
{
    JsonObject object;
    object.integer("record", static_cast<long long>(index));
    for (const RecordField& field : record_fields()) {
        object.raw(field.name, json_value(record, field));
    }
    return object.str();
}

void print_record_table(std::ostream& out, const std::uint8_t* record, std::size_t index)
{
    std::size_t name_width = 0;
    for (const RecordField& field : record_fields()) {
        name_width = std::max(name_width, field.name.size());
    }
    out << "record " << index << "\n";
    char line[128];
    std::snprintf(line, sizeof line, "  %6s  %-*s  %s\n", "offset", static_cast<int>(name_width), "field", "value");
    out << line;
    for (const RecordField& field : record_fields()) {
        std::snprintf(line, sizeof line, "  %6zu  %-*s  ", field.offset, static_cast<int>(name_width),
                      field.name.c_str());
        out << line << table_value(record, field) << "\n";
    }
}

}  // namespace plugin_host
