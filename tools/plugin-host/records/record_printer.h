// Prints one stored 1003-byte record field by field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>

namespace plugin_host {

class JsonObject;

// Adds every field of the record to `object` under its layout name, as
// record_json writes it. With `readings_only`, without the bytes the plug-in
// never writes and without the slots beyond the record's counts of AC
// channels, rectifier modules and DC units.
void add_record_fields(JsonObject& object, const std::uint8_t* record, bool readings_only);

// One JSON object on one line: "record" (its index in the input) first, then
// every field of the record under its layout name.
std::string record_json(const std::uint8_t* record, std::size_t index);

// An aligned table: offset, field name, value; floats with 9 significant
// digits, state bytes in hex, lists up to their count and capacity.
void print_record_table(std::ostream& out, const std::uint8_t* record, std::size_t index);

// CSV for spreadsheets: a header row naming every field (list slots as
// name[i], up to the capacity), then one row per record with its index first,
// states and counts in decimal and the round time as "YYYY-MM-DD HH:MM:SS".
std::string record_csv_header();
std::string record_csv(const std::uint8_t* record, std::size_t index);

}  // namespace plugin_host
