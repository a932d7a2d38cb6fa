// The AC distribution decoders: channel values, status, alarms, and how
// they treat counts the record has no room for.
#include <cstring>

#include <gtest/gtest.h>

#include "tests/unit/payload_helpers.h"

namespace {

const auto volts220 = hex("00 00 5C 43");
const auto hertz50 = hex("00 00 48 42");
const auto amps10 = hex("00 00 20 41");
const auto amps11 = hex("00 00 30 41");
const auto amps12 = hex("00 00 40 41");
const auto unchanged = hex("EE EE EE EE");

// Record offsets of the AC section.
constexpr std::size_t ia = 8, ib = 12, ic = 16, channel_count = 20;
constexpr std::size_t channel_1 = 35, channel_2 = 62;
// Offsets within a channel block.
constexpr std::size_t a = 0, p40_41_count = 16, a_alarm = 17, p40_44_count = 21, p40_44 = 22;

class AcDecoders : public DeviceTest {
protected:
    // Marks every AC byte, so that a test sees which ones a decoder wrote.
    void mark_ac_section() { std::memset(&device.data_.ac, 0xEE, sizeof device.data_.ac); }
};

std::vector<std::uint8_t> one_channel_analog()
{
    return join({hex("01"), volts220, volts220, volts220, hertz50, hex("00"), amps10, amps11, amps12});
}

}  // namespace

TEST_F(AcDecoders, AnalogReplyWithOneChannelFillsChannelOneAndTheCurrents)
{
    const auto payload = one_channel_analog();
    const auto [result, out] = run(device, &qorv52_419::parse40_41, payload);
    EXPECT_EQ(result, 30);
    EXPECT_EQ(out, std::string("parse40_41 channel_count is \x01\n") +
                       "a 0 0 5c 43\n"
                       "parse40_41 acChannel.a is 220\n");

    const auto record = record_bytes();
    EXPECT_EQ(record[channel_count], 1);
    EXPECT_EQ(slice(record, channel_1, 17), join({volts220, volts220, volts220, hertz50, hex("00")}));
    EXPECT_EQ(slice(record, ia, 12), join({amps10, amps11, amps12}));
    EXPECT_EQ(slice(record, channel_2, 27), std::vector<std::uint8_t>(27, 0));
}

TEST_F(AcDecoders, AnalogReplyOneByteShortKeepsWhatArrivedAndLeavesTheCutCurrent)
{
    mark_ac_section();
    const auto payload = one_channel_analog();
    EXPECT_EQ(decode(device, &qorv52_419::parse40_41, payload, payload.size() - 1), -1);
    const auto record = record_bytes();
    EXPECT_EQ(slice(record, channel_1 + a, 16), join({volts220, volts220, volts220, hertz50}));
    EXPECT_EQ(slice(record, ia, 8), join({amps10, amps11}));
    EXPECT_EQ(slice(record, ic, 4), unchanged);
}

TEST_F(AcDecoders, ChannelValuesTakeZeroAndCurrentsTakeTheMarker)
{
    const auto payload = join({hex("01"), hex("20 20 20 20"), hex("00 00 00 00"), volts220, hex("FF FF FF FF"),
                               hex("00"), hex("20 20 20 20"), hex("00 00 00 00"), hex("FF FF FF FF")});
    const auto [result, out] = run(device, &qorv52_419::parse40_41, payload);
    EXPECT_EQ(result, 30);
    EXPECT_NE(out.find("a 20 20 20 20\nparse40_41 acChannel.a is 0\n"), std::string::npos) << out;

    const auto record = record_bytes();
    EXPECT_EQ(slice(record, channel_1 + a, 16), join({hex("00 00 00 00"), hex("00 00 00 00"), volts220,
                                                      hex("00 00 00 00")}));
    EXPECT_EQ(slice(record, ia, 12), join({hex("CD CC CC BD"), hex("00 00 00 00"), hex("CD CC CC BD")}));
}

TEST_F(AcDecoders, UserDefinedAnalogValuesAreSteppedOverAndTheirCountKept)
{
    const auto payload = join({hex("02"), volts220, volts220, volts220, hertz50, hex("02"), amps10, amps11,
                               hertz50, hertz50, hertz50, volts220, hex("00"), amps10, amps11, amps12});
    const auto [result, out] = run(device, &qorv52_419::parse40_41, payload);
    EXPECT_EQ(result, 1 + 25 + 17 + 12);
    EXPECT_NE(out.find("acChannel.p40_41_count \x02\n"), std::string::npos) << out;

    const auto record = record_bytes();
    EXPECT_EQ(record[channel_1 + p40_41_count], 2);
    EXPECT_EQ(slice(record, channel_2, 17), join({hertz50, hertz50, hertz50, volts220, hex("00")}));
    EXPECT_EQ(slice(record, ia, 12), join({amps10, amps11, amps12}));
}

TEST_F(AcDecoders, ChannelsBeyondTheTwoBlocksAreReadButNotStored)
{
    mark_ac_section();
    const auto before = record_bytes();
    const auto payload = join({hex("03"), volts220, volts220, volts220, hertz50, hex("00"),  //
                               hertz50, hertz50, hertz50, hertz50, hex("00"),                 //
                               amps12, amps12, amps12, amps12, hex("01"), amps11,             //
                               amps10, amps11, amps12});
    const auto [result, out] = run(device, &qorv52_419::parse40_41, payload);
    EXPECT_EQ(result, 1 + 17 + 17 + 21 + 12);
    EXPECT_EQ(out, std::string("parse40_41 channel_count is \x03\n") +
                       "a 0 0 5c 43\nparse40_41 acChannel.a is 220\n"
                       "a 0 0 48 42\nparse40_41 acChannel.a is 50\n"
                       "a 0 0 40 41\nparse40_41 acChannel.a is 12\n"
                       "acChannel.p40_41_count \x01\n");

    const auto record = record_bytes();
    EXPECT_EQ(record[channel_count], 3);
    EXPECT_EQ(slice(record, channel_2, 17), join({hertz50, hertz50, hertz50, hertz50, hex("00")}));
    EXPECT_EQ(slice(record, channel_2 + a_alarm, 10), slice(before, channel_2 + a_alarm, 10));
    EXPECT_EQ(slice(record, ia, 12), join({amps10, amps11, amps12}));
    EXPECT_EQ(slice(record, 89, record.size() - 89), slice(before, 89, before.size() - 89));
}

TEST_F(AcDecoders, StatusReplies)
{
    // Record bytes 21 to 24: airlock count, airlock state, user-defined count, user-defined state.
    const struct {
        const char* payload;
        int result;
        const char* stored;
    } cases[] = {
        {"02 05 01 07", -1, "02 EE EE EE"},  // more airlocks than the record holds
        {"01 05 00", 3, "01 05 00 EE"},
        {"01 05 01 07", 4, "01 05 01 07"},
        {"00 01 07", 3, "00 EE 01 07"},
        {"00 03", 5, "00 EE 03 EE"},   // a skipped list is not held against the length
        {"01 05 01", -1, "01 05 01 EE"},  // the user-defined state did not arrive
        {"01", -1, "01 EE EE EE"},
        {"", -1, "EE EE EE EE"},
    };
    for (const auto& row : cases) {
        mark_ac_section();
        EXPECT_EQ(decode(device, &qorv52_419::parse40_43, hex(row.payload)), row.result) << row.payload;
        EXPECT_EQ(slice(record_bytes(), 21, 4), hex(row.stored)) << row.payload;
    }
}

TEST_F(AcDecoders, AlarmReplyAlwaysHoldsTwoChannelBlocks)
{
    mark_ac_section();
    const auto payload = hex("01  01 02 03 04 00 05 05 E0 E1 00 00  11 12 13 14 00 05 00 00 00 00 09  07 08 09");
    const auto [result, out] = run(device, &qorv52_419::parse40_44, payload);
    EXPECT_EQ(result, 26);
    EXPECT_EQ(out, "channel is 1\n");

    const auto record = record_bytes();
    EXPECT_EQ(slice(record, channel_1 + a_alarm, 10), hex("01 02 03 04 05 05 E0 E1 00 00"));
    EXPECT_EQ(slice(record, channel_2 + a_alarm, 10), hex("11 12 13 14 05 00 00 00 00 09"));
    EXPECT_EQ(slice(record, 25, 3), hex("07 08 09"));
    EXPECT_EQ(record[channel_count], 0xEE);
}

TEST_F(AcDecoders, AlarmReplySkipsSwitchStatesAndUnmatchedUserLists)
{
    mark_ac_section();
    const auto payload = hex("02  01 02 03 04 02 AA BB 04 11 22 33 44  05 06 07 08 00 05 05 00 00 00 00  07 08 09");
    const auto [result, out] = run(device, &qorv52_419::parse40_44, payload);
    EXPECT_EQ(result, 27);

    const auto record = record_bytes();
    EXPECT_EQ(record[channel_1 + p40_44_count], 4);
    EXPECT_EQ(slice(record, channel_1 + p40_44, 5), hex("EE EE EE EE EE"));
    EXPECT_EQ(slice(record, channel_2 + a_alarm, 10), hex("05 06 07 08 05 05 00 00 00 00"));
    EXPECT_EQ(slice(record, 25, 3), hex("07 08 09"));
}
