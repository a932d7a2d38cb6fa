// Decoders of one DC distribution unit block (CID1 0x42). A reply holds one
// block or two in a row; the poll cycle finds where each starts. Each decoder
// takes the bytes from the start of its block to the end of INFO and returns
// the bytes the block took, or -1 when it does not fit.
#pragma once

#include <cstdint>

#include "protocol419/sections.h"

namespace protocol419 {

// 42/41: output voltage, load current (times current_factor), battery group
// currents and user-defined values.
int parse_dc_analog(dc_unit_block& dc, std::int32_t current_factor, const std::uint8_t* data, int len);
// 42/44: voltage alarm, fuse and switch states, user-defined alarm bytes.
int parse_dc_alarms(dc_unit_block& dc, const std::uint8_t* data, int len);

}  // namespace protocol419
