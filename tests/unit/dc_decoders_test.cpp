// The DC unit decoders: analog values with the current factor, oversized
// lists, and alarm lists cut to the record's capacity.
#include <cstring>

#include <gtest/gtest.h>

#include "tests/unit/payload_helpers.h"

namespace {

const auto volts53_5 = hex("00 00 56 42");
const auto amps12_5 = hex("00 00 48 41");
const auto amps5 = hex("00 00 A0 40");
const auto amps6 = hex("00 00 C0 40");
const auto unchanged = hex("EE EE EE EE");

// Record offsets of the first DC unit.
constexpr std::size_t out_v = 738, out_i = 742, m_count = 746, n_count = 763, p_count = 764, p = 765;
constexpr std::size_t out_v_alert = 805, alert_m = 807, alert_p_count = 811, alert_p = 812;

class DcDecoders : public DeviceTest {
protected:
    void mark_dc_units()
    {
        std::memset(&device.data_.dc, 0xEE, sizeof device.data_.dc);
        std::memset(&device.data_.dc2, 0xEE, sizeof device.data_.dc2);
    }
};

}  // namespace

TEST_F(DcDecoders, AnalogBlockWithTwoBatteryCurrents)
{
    mark_dc_units();
    const auto payload = join({volts53_5, amps12_5, hex("02"), amps5, amps6, hex("00 00")});
    const auto [result, out] = run(device, &qorv52_419::parse42_41, payload);
    EXPECT_EQ(result, 19);
    EXPECT_EQ(out, "parse42_41 53.500000 12.500000\n");

    const auto record = record_bytes();
    EXPECT_EQ(slice(record, out_v, 27), join({volts53_5, amps12_5, hex("02"), amps5, amps6, unchanged, unchanged,
                                               hex("00 00")}));
    EXPECT_EQ(slice(record, 876, 4), unchanged);  // the second unit
}

TEST_F(DcDecoders, LoadCurrentIsMultipliedByTheConfiguredFactor)
{
    const struct {
        const char* factor;
        const char* printed;
        std::vector<std::uint8_t> stored;
    } cases[] = {
        {"2", "parse42_41 53.500000 25.000000\n", hex("00 00 C8 41")},
        {"0", "parse42_41 53.500000 0.000000\n", hex("00 00 00 00")},
        {"-3", "parse42_41 53.500000 -37.500000\n", hex("00 00 16 C2")},
    };
    for (const auto& c : cases) {
        printed_by([&] { configure(std::string(R"({"appSetting":{"dc_i_adjust":")") + c.factor + "\"}}"); });
        const auto payload = join({volts53_5, amps12_5, hex("00 00 00")});
        const auto [result, out] = run(device, &qorv52_419::parse42_41, payload);
        EXPECT_EQ(result, 11) << c.factor;
        EXPECT_EQ(out, c.printed);
        EXPECT_EQ(slice(record_bytes(), out_i, 4), c.stored) << c.factor;
    }

    // With the default factor every current keeps its bytes, a NaN included.
    device.dc_i_adjust = 1;
    decode(device, &qorv52_419::parse42_41, join({volts53_5, hex("01 00 80 7F"), hex("00 00 00")}));
    EXPECT_EQ(slice(record_bytes(), out_i, 4), hex("01 00 80 7F"));
}

TEST_F(DcDecoders, OversizedAnalogListsAreSkippedOrEndTheBlock)
{
    std::vector<std::uint8_t> five_batteries = join({volts53_5, amps12_5, hex("05")});
    for (int i = 0; i < 5; ++i) {
        five_batteries.insert(five_batteries.end(), amps6.begin(), amps6.end());
    }
    five_batteries.insert(five_batteries.end(), {0, 1});
    five_batteries.insert(five_batteries.end(), amps5.begin(), amps5.end());

    const struct {
        const char* what;
        std::vector<std::uint8_t> payload;
        int result;
        std::size_t offset;
        std::vector<std::uint8_t> stored;
    } cases[] = {
        {"five battery currents are skipped", five_batteries, 35, m_count,
         join({hex("05"), unchanged, unchanged, unchanged, unchanged, hex("00 01"), amps5})},
        {"branch currents are skipped", join({volts53_5, amps12_5, hex("00 03"), amps6, amps6, amps6, hex("01"), amps5}),
         27, n_count, join({hex("03 01"), amps5})},
        // Eleven user values cannot be placed: the rest of INFO counts as consumed.
        {"eleven user values end the block", join({volts53_5, amps12_5, hex("00 00 0B"), amps5, amps6}), 19, p_count,
         join({hex("0B"), unchanged, unchanged})},
        {"repeated bytes in a user value read as the marker",
         join({hex("20 20 20 20"), amps12_5, hex("00 00 02 20 20 20 20"), amps5}), 19, out_v,
         hex("20 20 20 20")},
    };
    for (const auto& row : cases) {
        mark_dc_units();
        EXPECT_EQ(decode(device, &qorv52_419::parse42_41, row.payload), row.result) << row.what;
        EXPECT_EQ(slice(record_bytes(), row.offset, row.stored.size()), row.stored) << row.what;
    }
    EXPECT_EQ(slice(record_bytes(), p, 8), join({hex("CD CC CC BD"), amps5}));
}

TEST_F(DcDecoders, AlarmListsAreCutToTheRecordsCapacity)
{
    mark_dc_units();
    std::vector<std::uint8_t> payload = hex("03 06 01 02 03 04 05 06 32");
    for (std::uint8_t i = 0; i < 50; ++i) {
        payload.push_back(i);
    }
    EXPECT_EQ(decode(device, &qorv52_419::parse42_44, payload), 59);
    auto record = record_bytes();
    EXPECT_EQ(slice(record, out_v_alert, 6), hex("03 06 01 02 03 04"));
    EXPECT_EQ(record[alert_p_count], 50);
    EXPECT_EQ(slice(record, alert_p, 46), std::vector<std::uint8_t>(payload.begin() + 9, payload.begin() + 55));
    EXPECT_EQ(slice(record, alert_p + 46, 7), std::vector<std::uint8_t>(7, 0xEE));  // reserved bytes

    mark_dc_units();
    EXPECT_EQ(decode(device, &qorv52_419::parse42_44, payload, 58), -1);
    record = record_bytes();
    EXPECT_EQ(slice(record, alert_m, 4), hex("01 02 03 04"));
    EXPECT_EQ(slice(record, alert_p, 46), std::vector<std::uint8_t>(payload.begin() + 9, payload.begin() + 55));
}

TEST_F(DcDecoders, SecondUnitDecodersWriteOnlyTheSecondBlock)
{
    mark_dc_units();
    decode(device, &qorv52_419::parse42_41_2, join({volts53_5, amps12_5, hex("01"), amps5, hex("00 00")}));
    decode(device, &qorv52_419::parse42_44_2, hex("01 01 07 01 09"));
    const auto record = record_bytes();
    EXPECT_EQ(slice(record, 876, 17), join({volts53_5, amps12_5, hex("01"), amps5, unchanged}));
    EXPECT_EQ(slice(record, 876 + 67, 8), hex("01 01 07 EE EE EE 01 09"));
    EXPECT_EQ(slice(record, out_v, 127), std::vector<std::uint8_t>(127, 0xEE));
}
