// The rectifier decoders: module currents, states and alarms, the module
// count of the analog reply, and modules beyond the record's forty blocks.
#include <cstring>

#include <gtest/gtest.h>

#include "tests/unit/payload_helpers.h"

namespace {

const auto volts54 = hex("00 00 58 42");
const auto amps5 = hex("00 00 A0 40");
const auto amps6 = hex("00 00 C0 40");
const auto one = hex("00 00 80 3F");
const auto two = hex("00 00 00 40");
const auto unchanged = hex("EE EE EE EE");

constexpr std::size_t out_v = 89, channel_count = 93, first_after_section = 734;
constexpr std::size_t module(std::size_t i) { return 94 + 16 * i; }
// Offsets within a module block.
constexpr std::size_t current = 0, p41_41 = 5, state_1 = 9, alarm_state = 13;

class RectifierDecoders : public DeviceTest {
protected:
    // Marks every rectifier byte and everything after the section; the module
    // count is what the status and alarm decoders go by.
    void mark_record_from_rectifiers(std::uint8_t modules)
    {
        auto* record = reinterpret_cast<unsigned char*>(&device.data_);
        std::memset(record + out_v, 0xEE, sizeof device.data_ - out_v);
        device.data_.rc.channel_count = modules;
    }
};

std::vector<std::uint8_t> two_module_analog()
{
    return join({hex("00"), volts54, hex("02"), amps5, hex("01"), one, amps6, hex("01"), two});
}

}  // namespace

TEST_F(RectifierDecoders, AnalogReplyWithTwoModules)
{
    mark_record_from_rectifiers(0);
    const auto payload = two_module_analog();
    const auto [result, out] = run(device, &qorv52_419::parse41_41, payload);
    EXPECT_EQ(result, 24);
    EXPECT_EQ(out, "parse 41_41 channel is 2\n");

    const auto record = record_bytes();
    EXPECT_EQ(slice(record, out_v, 5), join({volts54, hex("02")}));
    EXPECT_EQ(slice(record, module(0), 9), join({amps5, hex("01"), one}));
    EXPECT_EQ(slice(record, module(1), 9), join({amps6, hex("01"), two}));
    EXPECT_EQ(slice(record, module(2), 16), std::vector<std::uint8_t>(16, 0xEE));
}

TEST_F(RectifierDecoders, AnalogReplyOneByteShortLeavesOnlyTheCutValue)
{
    mark_record_from_rectifiers(0);
    const auto payload = two_module_analog();
    EXPECT_EQ(decode(device, &qorv52_419::parse41_41, payload, payload.size() - 1), -1);

    const auto record = record_bytes();
    EXPECT_EQ(slice(record, module(0), 9), join({amps5, hex("01"), one}));
    EXPECT_EQ(slice(record, module(1), 5), join({amps6, hex("01")}));
    EXPECT_EQ(slice(record, module(1) + p41_41, 4), unchanged);
}

TEST_F(RectifierDecoders, UserValuesOfRepeatedBytesReadZeroWhileCurrentsStayAsSent)
{
    mark_record_from_rectifiers(0);
    const auto payload = join({hex("00"), hex("20 20 20 20"), hex("03"),              //
                               hex("FF FF FF FF"), hex("01"), hex("00 00 00 00"),     //
                               amps5, hex("01"), hex("20 20 20 20"),                  //
                               amps6, hex("01"), hex("FF FF FF FF")});
    EXPECT_EQ(decode(device, &qorv52_419::parse41_41, payload), 6 + 3 * 9);

    const auto record = record_bytes();
    EXPECT_EQ(slice(record, out_v, 4), hex("20 20 20 20"));
    EXPECT_EQ(slice(record, module(0), 9), join({hex("FF FF FF FF"), hex("01"), hex("00 00 00 00")}));
    EXPECT_EQ(slice(record, module(1) + p41_41, 4), hex("00 00 00 00"));
    EXPECT_EQ(slice(record, module(2) + p41_41, 4), hex("00 00 00 00"));
}

TEST_F(RectifierDecoders, UnmatchedUserCountsKeepTheOldValueAndSkipTheirBytes)
{
    mark_record_from_rectifiers(0);
    const auto payload = join({hex("00"), volts54, hex("03"),                  //
                               amps5, hex("00"),                               //
                               amps6, hex("03"), one, one, one,                //
                               amps5, hex("01"), two});
    EXPECT_EQ(decode(device, &qorv52_419::parse41_41, payload), 6 + 5 + 17 + 9);

    const auto record = record_bytes();
    EXPECT_EQ(slice(record, module(0), 9), join({amps5, hex("00"), unchanged}));
    EXPECT_EQ(slice(record, module(1), 9), join({amps6, hex("03"), unchanged}));
    EXPECT_EQ(slice(record, module(2), 9), join({amps5, hex("01"), two}));
}

TEST_F(RectifierDecoders, StatusAndAlarmRepliesGoByTheAnalogModuleCount)
{
    const struct {
        decoder member;
        const char* payload;
        int result;
        std::size_t offset;  // within the module block
        const char* module_0;
        const char* module_1;
    } cases[] = {
        {&qorv52_419::parse41_43, "00 02  01 02 03 00  04 05 06 00", 10, state_1, "01 02 03 00", "04 05 06 00"},
        // The reply's own count says three; two modules are read.
        {&qorv52_419::parse41_43, "00 03  01 02 03 00  04 05 06 00", 10, state_1, "01 02 03 00", "04 05 06 00"},
        {&qorv52_419::parse41_43, "00 02  01 02 03 02 AA BB  04 05 06 00", 12, state_1, "01 02 03 02",
         "04 05 06 00"},
        {&qorv52_419::parse41_44, "00 02  00 01 01  03 01 00", 8, alarm_state, "00 01 01", "03 01 00"},
        {&qorv52_419::parse41_44, "00 02  05 02 AA BB  03 00", 8, alarm_state, "05 02 EE", "03 00 EE"},
        {&qorv52_419::parse41_44, "00 02  05 01 01  03", -1, alarm_state, "05 01 01", "03 EE EE"},
    };
    for (const auto& row : cases) {
        mark_record_from_rectifiers(2);
        EXPECT_EQ(decode(device, row.member, hex(row.payload)), row.result) << row.payload;
        const auto record = record_bytes();
        EXPECT_EQ(slice(record, module(0) + row.offset, hex(row.module_0).size()), hex(row.module_0)) << row.payload;
        EXPECT_EQ(slice(record, module(1) + row.offset, hex(row.module_1).size()), hex(row.module_1)) << row.payload;
        EXPECT_EQ(slice(record, module(2), 16), std::vector<std::uint8_t>(16, 0xEE)) << row.payload;
    }
}

TEST_F(RectifierDecoders, ModulesBeyondFortyAreReadButNotStored)
{
    mark_record_from_rectifiers(0);
    const auto before = record_bytes();
    constexpr int modules = 41;

    std::vector<std::uint8_t> analog = join({hex("00"), volts54, hex("29")});
    std::vector<std::uint8_t> status = hex("00 29");
    std::vector<std::uint8_t> alarms = hex("00 29");
    for (int i = 0; i < modules; ++i) {
        const auto n = static_cast<std::uint8_t>(i + 1);
        analog.insert(analog.end(), {0, 0, 0, n, 0});
        status.insert(status.end(), {n, n, n, 0});
        alarms.insert(alarms.end(), {n, 1, n});
    }
    EXPECT_EQ(decode(device, &qorv52_419::parse41_41, analog), 6 + modules * 5);
    EXPECT_EQ(device.data_.rc.channel_count, modules);
    EXPECT_EQ(decode(device, &qorv52_419::parse41_43, status), 2 + modules * 4);
    EXPECT_EQ(decode(device, &qorv52_419::parse41_44, alarms), 2 + modules * 3);

    const auto record = record_bytes();
    EXPECT_EQ(slice(record, module(39) + current, 5), hex("00 00 00 28 00"));
    EXPECT_EQ(slice(record, module(39) + state_1, 3), hex("28 28 28"));
    EXPECT_EQ(slice(record, module(39) + alarm_state, 3), hex("28 01 28"));
    EXPECT_EQ(slice(record, first_after_section, record.size() - first_after_section),
              slice(before, first_after_section, before.size() - first_after_section));
}
