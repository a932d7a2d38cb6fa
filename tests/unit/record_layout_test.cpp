// The record as a stored format: a new device's record, unaligned floats and
// the places of the last fields.
#include <cstring>

#include <gtest/gtest.h>

#include "tests/support/device_fixture.h"

using RecordLayout = DeviceTest;

TEST_F(RecordLayout, NewDeviceHoldsAZeroRecordAndDefaults)
{
    const auto bytes = record_bytes();
    ASSERT_EQ(bytes.size(), 1003u);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        ASSERT_EQ(bytes[i], 0) << "byte " << i;
    }
    EXPECT_EQ(device.b_mode_, 1);
    EXPECT_TRUE(device.has_ac);
    EXPECT_FALSE(device.has_dc);
    EXPECT_EQ(device.no_dc_number, -1);
    EXPECT_TRUE(device.has_a && device.has_b && device.has_c);
    EXPECT_EQ(device.dc_i_adjust, 1);
    EXPECT_EQ(device.control_ack_, -1);
    EXPECT_EQ(device.request_arg_, 1);
    EXPECT_EQ(device.rectifier_flag_, 0);
    EXPECT_TRUE(device.alarm_mapping_.empty());
    EXPECT_TRUE(device.signal_names_.empty());
}

TEST_F(RecordLayout, FloatsLieLeastSignificantByteFirstAtOddOffsets)
{
    device.data_.ac.acChannel[0].a.set(220.0f);
    device.data_.dc2.out_v.set(53.5f);
    device.data_.dc2.reserved[6] = 0x5A;
    const auto bytes = record_bytes();
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 35, bytes.begin() + 39), hex("00 00 5C 43"));
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 876, bytes.begin() + 880), hex("00 00 56 42"));
    EXPECT_EQ(bytes[1002], 0x5A);
    EXPECT_EQ(device.data_.ac.acChannel[0].a.get(), 220.0f);
}
