// Decoders of the rectifier replies (CID1 0x41). Unlike the other groups they
// take the whole INFO, flag byte included. Each returns the bytes consumed, or
// -1 when the payload ends before what its counts announce.
#pragma once

#include <cstdint>

#include "protocol419/sections.h"

namespace protocol419 {

// 41/41: output voltage, module count, module currents and user-defined values.
int parse_rectifier_analog(rectifier_section& rc, const std::uint8_t* data, int len);
// 41/43: three status bytes per module.
int parse_rectifier_status(rectifier_section& rc, const std::uint8_t* data, int len);
// 41/44: alarm state and user-defined alarm byte per module.
int parse_rectifier_alarms(rectifier_section& rc, const std::uint8_t* data, int len);

}  // namespace protocol419
