// The stored 1003-byte measurement record, field by field: the one table of
// names, offsets, kinds and list capacities that the record type is checked
// against at compile time and that every reader of stored records (decode,
// reports, the fuzz targets' region map) walks. A record written by any build
// is read through this table, so its numbers are the stored format itself.
#pragma once

#include <cstddef>

namespace protocol419 {

constexpr std::size_t RECORD_SIZE = 1003;

enum class field_kind {
    int32,       // signed 32-bit, little-endian
    float32,     // IEEE 754 single, little-endian
    count,       // a count byte as received
    state,       // a status or alarm byte as the power system sent it
    float_list,  // floats behind a count, up to the count and the capacity
    state_list,  // state bytes behind a count, up to the count and the capacity
    round_time,  // the host's 7-byte time
    reserved,    // bytes the plug-in never writes
};

// What fills a field: the decoder of one reply, the configuration (data id),
// the round end (time stamp), or nothing.
enum class field_writer {
    configuration,
    ac_analog,  // 40/41
    ac_status,  // 40/43
    ac_alarms,  // 40/44
    rc_analog,  // 41/41
    rc_status,  // 41/43
    rc_alarms,  // 41/44
    dc_analog,  // 42/41
    dc_alarms,  // 42/44
    round_end,
    nobody,
};

struct field_def {
    const char* name;
    std::size_t offset;  // from the start of its block
    field_kind kind;
    std::size_t width;         // bytes the field occupies
    std::size_t capacity;      // items of a list, 0 for other fields
    std::size_t count_offset;  // a list's count byte, from the start of its block
    field_writer writer;
};

// A run of fields: either once at fixed record offsets, or a block repeated
// with a stride (AC channels, rectifier modules, DC units).
struct record_part {
    const char* prefix;  // before each field name
    bool indexed;        // names carry the block number: "rc.rcChannel[3].current"
    std::size_t offset;  // record offset of the first block
    std::size_t blocks;
    std::size_t stride;       // bytes per block
    unsigned first_unit;      // number of the first block (the second DC unit is 1)
    const field_def* fields;  // in offset order
    std::size_t field_count;
};

namespace record_layout {

using K = field_kind;
using W = field_writer;

inline constexpr field_def head[] = {
    {"data_id", 0, K::int32, 4, 0, 0, W::configuration},
    {"reserved_4", 4, K::reserved, 4, 0, 0, W::nobody},
    {"ac.ia", 8, K::float32, 4, 0, 0, W::ac_analog},
    {"ac.ib", 12, K::float32, 4, 0, 0, W::ac_analog},
    {"ac.ic", 16, K::float32, 4, 0, 0, W::ac_analog},
    {"ac.channel_count", 20, K::count, 1, 0, 0, W::ac_analog},
    {"ac.airlock_count", 21, K::count, 1, 0, 0, W::ac_status},
    {"ac.airlock", 22, K::state_list, 1, 1, 21, W::ac_status},
    {"ac.p40_43_count", 23, K::count, 1, 0, 0, W::ac_status},
    {"ac.p40_43", 24, K::state_list, 1, 1, 23, W::ac_status},
    {"ac.ia_alarm", 25, K::state, 1, 0, 0, W::ac_alarms},
    {"ac.ib_alarm", 26, K::state, 1, 0, 0, W::ac_alarms},
    {"ac.ic_alarm", 27, K::state, 1, 0, 0, W::ac_alarms},
    {"reserved_28", 28, K::reserved, 7, 0, 0, W::nobody},
};

inline constexpr field_def ac_channel[] = {
    {"a", 0, K::float32, 4, 0, 0, W::ac_analog},
    {"b", 4, K::float32, 4, 0, 0, W::ac_analog},
    {"c", 8, K::float32, 4, 0, 0, W::ac_analog},
    {"f", 12, K::float32, 4, 0, 0, W::ac_analog},
    {"p40_41_count", 16, K::count, 1, 0, 0, W::ac_analog},
    {"a_alarm", 17, K::state, 1, 0, 0, W::ac_alarms},
    {"b_alarm", 18, K::state, 1, 0, 0, W::ac_alarms},
    {"c_alarm", 19, K::state, 1, 0, 0, W::ac_alarms},
    {"f_alarm", 20, K::state, 1, 0, 0, W::ac_alarms},
    {"p40_44_count", 21, K::count, 1, 0, 0, W::ac_alarms},
    {"p40_44", 22, K::state_list, 5, 5, 21, W::ac_alarms},
};

inline constexpr field_def rectifier_head[] = {
    {"rc.out_v", 89, K::float32, 4, 0, 0, W::rc_analog},
    {"rc.channel_count", 93, K::count, 1, 0, 0, W::rc_analog},
};

inline constexpr field_def rectifier_module[] = {
    {"current", 0, K::float32, 4, 0, 0, W::rc_analog},
    {"p41_41_count", 4, K::count, 1, 0, 0, W::rc_analog},
    {"p41_41", 5, K::float_list, 4, 1, 4, W::rc_analog},
    {"state_1", 9, K::state, 1, 0, 0, W::rc_status},
    {"state_2", 10, K::state, 1, 0, 0, W::rc_status},
    {"state_3", 11, K::state, 1, 0, 0, W::rc_status},
    {"p41_43_count", 12, K::count, 1, 0, 0, W::rc_status},
    {"alarm", 13, K::state, 1, 0, 0, W::rc_alarms},
    {"p41_44_count", 14, K::count, 1, 0, 0, W::rc_alarms},
    {"p41_44", 15, K::state_list, 1, 1, 14, W::rc_alarms},
};

inline constexpr field_def gap_734[] = {
    {"reserved_734", 734, K::reserved, 4, 0, 0, W::nobody},
};

inline constexpr field_def dc_unit[] = {
    {"out_v", 0, K::float32, 4, 0, 0, W::dc_analog},
    {"out_i", 4, K::float32, 4, 0, 0, W::dc_analog},
    {"m_count", 8, K::count, 1, 0, 0, W::dc_analog},
    {"m", 9, K::float_list, 16, 4, 8, W::dc_analog},
    {"n_count", 25, K::count, 1, 0, 0, W::dc_analog},
    {"p_count", 26, K::count, 1, 0, 0, W::dc_analog},
    {"p", 27, K::float_list, 40, 10, 26, W::dc_analog},
    {"out_v_alert", 67, K::state, 1, 0, 0, W::dc_alarms},
    {"alert_m_count", 68, K::count, 1, 0, 0, W::dc_alarms},
    {"alert_m", 69, K::state_list, 4, 4, 68, W::dc_alarms},
    {"alert_p_count", 73, K::count, 1, 0, 0, W::dc_alarms},
    {"alert_p", 74, K::state_list, 46, 46, 73, W::dc_alarms},
    {"reserved", 120, K::reserved, 7, 0, 0, W::nobody},
};

inline constexpr field_def round_stamp[] = {
    {"round_time", 865, K::round_time, 7, 0, 0, W::round_end},
    {"reserved_872", 872, K::reserved, 4, 0, 0, W::nobody},
};

template <std::size_t N>
constexpr record_part once(const field_def (&fields)[N])
{
    return {"", false, 0, 1, 0, 0, fields, N};
}

template <std::size_t N>
constexpr record_part repeated(const char* prefix, bool indexed, std::size_t offset, std::size_t blocks,
                               std::size_t stride, unsigned first_unit, const field_def (&fields)[N])
{
    return {prefix, indexed, offset, blocks, stride, first_unit, fields, N};
}

}  // namespace record_layout

// The whole record in offset order.
inline constexpr record_part RECORD_PARTS[] = {
    record_layout::once(record_layout::head),
    record_layout::repeated("ac.acChannel", true, 35, 2, 27, 0, record_layout::ac_channel),
    record_layout::once(record_layout::rectifier_head),
    record_layout::repeated("rc.rcChannel", true, 94, 40, 16, 0, record_layout::rectifier_module),
    record_layout::once(record_layout::gap_734),
    record_layout::repeated("dc.", false, 738, 1, 127, 0, record_layout::dc_unit),
    record_layout::once(record_layout::round_stamp),
    record_layout::repeated("dc2.", false, 876, 1, 127, 1, record_layout::dc_unit),
};

// True when the parts lay their fields end to end from byte 0 to the last
// byte of the record: no gap, no overlap, nothing out of order.
constexpr bool parts_tile_the_record()
{
    std::size_t next = 0;
    for (const record_part& part : RECORD_PARTS) {
        for (std::size_t block = 0; block < part.blocks; ++block) {
            for (std::size_t i = 0; i < part.field_count; ++i) {
                const field_def& field = part.fields[i];
                if (part.offset + block * part.stride + field.offset != next) {
                    return false;
                }
                next += field.width;
            }
        }
    }
    return next == RECORD_SIZE;
}

constexpr bool same_name(const char* a, const char* b)
{
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// The field of that name in a block's table; not a constant (so a compile
// error where it is checked) when there is none.
template <std::size_t N>
constexpr const field_def& field_named(const field_def (&fields)[N], const char* name)
{
    for (const field_def& field : fields) {
        if (same_name(field.name, name)) {
            return field;
        }
    }
    throw "no such field";
}

}  // namespace protocol419
