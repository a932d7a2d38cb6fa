// The field table spelled out for readers of stored records: one entry per
// field of the 1003-byte record, in offset order, with its full name
// ("rc.rcChannel[3].current") and record offsets. Readers (decode, reports,
// the fuzz targets) walk this list; the plug-in itself never builds it.
#pragma once

#include <string>
#include <vector>

#include "protocol419/record_fields.h"

namespace protocol419 {

struct record_field {
    std::string name;
    std::size_t offset;  // record offset
    field_kind kind;
    std::size_t width;         // bytes the field occupies in the record
    std::size_t capacity;      // items of a list, 0 for other fields
    std::size_t count_offset;  // record offset of a list's count byte
    field_writer writer;
    unsigned unit;  // which AC channel, rectifier module or DC unit; 0 elsewhere
};

// Calls visit(const record_field&) for every field of the record, in offset order.
template <typename Visit>
void for_each_record_field(Visit&& visit)
{
    for (const record_part& part : RECORD_PARTS) {
        for (std::size_t block = 0; block < part.blocks; ++block) {
            std::string prefix = part.prefix;
            if (part.indexed) {
                prefix += "[" + std::to_string(block) + "].";
            }
            const std::size_t base = part.offset + block * part.stride;
            for (std::size_t i = 0; i < part.field_count; ++i) {
                const field_def& field = part.fields[i];
                visit(record_field{prefix + field.name, base + field.offset, field.kind, field.width,
                                   field.capacity, field.capacity > 0 ? base + field.count_offset : 0,
                                   field.writer, part.first_unit + static_cast<unsigned>(block)});
            }
        }
    }
}

// The same fields as one list, built once.
inline const std::vector<record_field>& record_fields()
{
    static const std::vector<record_field> fields = [] {
        std::vector<record_field> all;
        for_each_record_field([&all](const record_field& field) { all.push_back(field); });
        return all;
    }();
    return fields;
}

}  // namespace protocol419
