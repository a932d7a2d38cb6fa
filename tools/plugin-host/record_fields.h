// Every named field of the stored 1003-byte measurement record, in offset
// order: what plugin-host decode prints. The table stands on its own (the
// tool does not build the plug-in's record type in), so a record written by
// any build can be read by this one.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace plugin_host {

constexpr std::size_t RECORD_BYTES = 1003;

enum class FieldKind {
    int32,       // signed 32-bit, little-endian
    float32,     // IEEE 754 single, little-endian
    count,       // a count byte as received
    state,       // a status or alarm byte as the power system sent it
    float_list,  // floats behind a count, up to the count and the capacity
    state_list,  // state bytes behind a count, up to the count and the capacity
    round_time,  // the host's 7-byte time
    reserved,    // bytes the plug-in never writes
};

struct RecordField {
    std::string name;
    std::size_t offset;
    FieldKind kind;
    std::size_t width;         // bytes the field occupies in the record
    std::size_t capacity;      // items of a list
    std::size_t count_offset;  // where a list's count byte is
};

const std::vector<RecordField>& record_fields();

}  // namespace plugin_host
