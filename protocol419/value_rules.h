// Substitute values for analog readings. A power system that has no reading
// for a field sends one byte repeated four times; depending on the field the
// record then holds 0.0 or the marker -0.1 instead of that pattern, so that
// the host never shows it as a number.
#pragma once

#include <cstdint>
#include <cstring>

#include "protocol419/le_bytes.h"

namespace protocol419 {

using raw_value = std::uint8_t[4];

inline bool four_equal(const raw_value& raw) { return raw[0] == raw[1] && raw[1] == raw[2] && raw[2] == raw[3]; }

inline f32_le as_received(const raw_value& raw)
{
    f32_le value;
    std::memcpy(value.bytes, raw, sizeof value.bytes);
    return value;
}

inline f32_le zero_value() { return f32_le{{0x00, 0x00, 0x00, 0x00}}; }

// -0.1 as an IEEE 754 single, least significant byte first.
inline f32_le marker_value() { return f32_le{{0xCD, 0xCC, 0xCC, 0xBD}}; }

// Four equal non-zero bytes read as 0.0; anything else is kept as received.
inline f32_le zero_rule(const raw_value& raw)
{
    return raw[0] != 0 && four_equal(raw) ? zero_value() : as_received(raw);
}

// Four equal non-zero bytes read as the marker -0.1; anything else is kept.
inline f32_le marker_rule(const raw_value& raw)
{
    return raw[0] != 0 && four_equal(raw) ? marker_value() : as_received(raw);
}

// Four equal bytes of any value read as 0.0; anything else is kept.
inline f32_le equal_rule(const raw_value& raw) { return four_equal(raw) ? zero_value() : as_received(raw); }

}  // namespace protocol419
