// The substitute values for readings sent as one byte repeated four times.
#include <gtest/gtest.h>

#include "protocol419/value_rules.h"
#include "tests/support/device_fixture.h"

namespace {

std::vector<std::uint8_t> bytes_of(const protocol419::f32_le& value)
{
    return std::vector<std::uint8_t>(value.bytes, value.bytes + 4);
}

}  // namespace

TEST(ValueRules, RepeatedBytesBecomeZeroOrMarkerByRule)
{
    const struct {
        const char* raw;
        const char* zero;
        const char* marker;
        const char* equal;
    } cases[] = {
        {"00 00 00 00", "00 00 00 00", "00 00 00 00", "00 00 00 00"},
        {"20 20 20 20", "00 00 00 00", "CD CC CC BD", "00 00 00 00"},
        {"FF FF FF FF", "00 00 00 00", "CD CC CC BD", "00 00 00 00"},
        {"00 00 5C 43", "00 00 5C 43", "00 00 5C 43", "00 00 5C 43"},
        {"20 20 20 21", "20 20 20 21", "20 20 20 21", "20 20 20 21"},
        {"21 20 20 20", "21 20 20 20", "21 20 20 20", "21 20 20 20"},
        {"00 20 20 20", "00 20 20 20", "00 20 20 20", "00 20 20 20"},
    };
    for (const auto& c : cases) {
        const auto input = hex(c.raw);
        protocol419::raw_value raw;
        std::copy(input.begin(), input.end(), raw);
        EXPECT_EQ(bytes_of(protocol419::zero_rule(raw)), hex(c.zero)) << c.raw;
        EXPECT_EQ(bytes_of(protocol419::marker_rule(raw)), hex(c.marker)) << c.raw;
        EXPECT_EQ(bytes_of(protocol419::equal_rule(raw)), hex(c.equal)) << c.raw;
    }
    EXPECT_FLOAT_EQ(protocol419::marker_value().get(), -0.1f);
}
