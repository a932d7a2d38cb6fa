// Little-endian multi-byte values stored at any offset of a byte-packed
// record. Access goes through memcpy only: the record is a stored format and
// its fields are not aligned.
#pragma once

#include <cstdint>
#include <cstring>

namespace protocol419 {

// An IEEE 754 single, least significant byte first, as the power system sends it.
struct f32_le {
    std::uint8_t bytes[4];

    float get() const
    {
        float value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    void set(float value) { std::memcpy(bytes, &value, sizeof value); }
};

// A signed 32-bit integer, least significant byte first.
struct i32_le {
    std::uint8_t bytes[4];

    std::int32_t get() const
    {
        std::int32_t value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    void set(std::int32_t value) { std::memcpy(bytes, &value, sizeof value); }
};

static_assert(sizeof(f32_le) == 4 && alignof(f32_le) == 1, "f32_le must be 4 unaligned bytes");
static_assert(sizeof(i32_le) == 4 && alignof(i32_le) == 1, "i32_le must be 4 unaligned bytes");
static_assert(sizeof(float) == 4, "the record stores IEEE 754 singles");

}  // namespace protocol419
