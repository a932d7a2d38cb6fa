// The measurement record: 1003 bytes, byte-packed, little-endian. It is what
// the device publishes after every round, what the daemon stores as history
// and hands back as cache, so every field stays at its offset for good.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol419/record_fields.h"
#include "protocol419/sections.h"

struct qorv52_419_Data_t {
    protocol419::i32_le data_id;
    std::uint8_t reserved_4[4];
    protocol419::ac_section ac;
    protocol419::rectifier_section rc;
    std::uint8_t reserved_734[4];
    protocol419::dc_unit_block dc;
    std::uint8_t round_time[7];
    std::uint8_t reserved_872[4];
    protocol419::dc_unit_block dc2;
};

namespace protocol419 {

// The data type number the host files every published record under.
constexpr int RECORD_DATA_TYPE = 5535;

static_assert(sizeof(qorv52_419_Data_t) == RECORD_SIZE, "the record is 1003 bytes");
static_assert(alignof(qorv52_419_Data_t) == 1, "the record is byte-packed");

}  // namespace protocol419
