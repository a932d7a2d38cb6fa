// Where the report finds its readings in a stored record: the record field
// table looked up by name, so that the report and decode read one layout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace plugin_host {

// Offset of the named field (a list's first item); throws std::logic_error
// for a name the table does not hold.
std::size_t report_field_offset(const std::string& name);

// Little-endian reads from a stored record.
float record_float(const std::uint8_t* record, std::size_t offset);
std::uint8_t record_byte(const std::uint8_t* record, std::size_t offset);

}  // namespace plugin_host
