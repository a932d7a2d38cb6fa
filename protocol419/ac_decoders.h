// Decoders of the AC distribution replies (CID1 0x40). Each takes the INFO
// bytes that follow the flag byte and returns the bytes consumed, or -1 when
// the payload ends before what its counts announce.
#pragma once

#include <cstdint>

#include "protocol419/sections.h"

namespace protocol419 {

// 40/41: channel voltages and frequency, output currents.
int parse_ac_analog(ac_section& ac, const std::uint8_t* data, int len);
// 40/43: airlock (input breaker) states and user-defined states.
int parse_ac_status(ac_section& ac, const std::uint8_t* data, int len);
// 40/44: channel and output current alarm states, user-defined alarm bytes.
int parse_ac_alarms(ac_section& ac, const std::uint8_t* data, int len);

}  // namespace protocol419
