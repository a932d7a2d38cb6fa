#include "tools/plugin-host/report/report_fields.h"

#include <cstring>
#include <stdexcept>

#include "protocol419/record_field_list.h"

namespace plugin_host {

std::size_t report_field_offset(const std::string& name)
{
    for (const protocol419::record_field& field : protocol419::record_fields()) {
        if (field.name == name) {
            return field.offset;
        }
    }
    throw std::logic_error("no record field " + name);
}

float record_float(const std::uint8_t* record, std::size_t offset)
{
    const std::uint32_t bits = static_cast<std::uint32_t>(record[offset]) |
                               static_cast<std::uint32_t>(record[offset + 1]) << 8 |
                               static_cast<std::uint32_t>(record[offset + 2]) << 16 |
                               static_cast<std::uint32_t>(record[offset + 3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::uint8_t record_byte(const std::uint8_t* record, std::size_t offset) { return record[offset]; }

}  // namespace plugin_host
