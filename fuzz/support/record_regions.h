// Which bytes of the measurement record each kind of reply may change, as the
// record's field table says. The fuzz targets compare the record before and
// after every step against these regions, so a decoder that steps outside its
// own fields (into a neighbour's block, a reserved byte or past a list's
// capacity) is caught even where the bytes it touches still lie inside the
// device object.
#pragma once

#include <bitset>
#include <cstdint>

#include "protocol419/record.h"

namespace fuzz {

using record_region = std::bitset<protocol419::RECORD_SIZE>;

enum class reply_decoder {
    ac_analog,     // 40/41
    ac_status,     // 40/43
    ac_alarms,     // 40/44
    rc_analog,     // 41/41
    rc_status,     // 41/43
    rc_alarms,     // 41/44
    dc_analog,     // 42/41, first unit
    dc2_analog,    // 42/41, second unit
    dc_alarms,     // 42/44, first unit
    dc2_alarms,    // 42/44, second unit
};
constexpr int REPLY_DECODERS = 10;

record_region written_by(reply_decoder decoder);
record_region data_id_region();
record_region round_time_region();
// The bytes the plug-in never writes.
record_region reserved_region();

// Stops the run unless the regions above cover every record byte exactly
// once: each reply's fields, the data id, the round time and the reserved
// bytes.
void check_regions();

// The first offset where the records differ outside `allowed`, or -1.
int first_change_outside(const qorv52_419_Data_t& before, const qorv52_419_Data_t& after,
                         const record_region& allowed);

}  // namespace fuzz
