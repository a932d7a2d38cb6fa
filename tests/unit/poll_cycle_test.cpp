// Whole poll rounds through the host stand-in: which requests go out in
// which order for which flag bytes, the refresh gate, DC format detection,
// and replies that arrive outside a round.
#include <cstring>
#include <limits>
#include <map>
#include <memory>

#include <gtest/gtest.h>

#include "tests/unit/payload_helpers.h"
#include "tools/clock_seam/clock_seam.h"

namespace {

using requests = std::vector<std::string>;

const auto volts53_5 = hex("00 00 56 42");
const auto amps12_5 = hex("00 00 48 41");

// One DC analog unit block: voltage, load current, one battery current, no branch or user values.
std::vector<std::uint8_t> dc_analog_block(const std::vector<std::uint8_t>& voltage)
{
    return join({voltage, amps12_5, hex("01 00 00 A0 40 00 00")});
}

class PollCycle : public DeviceTest {
protected:
    // DC replies: without the unit count byte, or with it and this many units.
    int dc_units = 0;

    // A well-formed reply to a request, with the given flag byte.
    std::vector<std::uint8_t> answer(const SentRequest& request, std::uint8_t flag) const
    {
        const std::vector<std::uint8_t> f{flag};
        switch (request.cid1 << 8 | request.cid2) {
        case 0x4041:
            return join({f, hex("01 00 00 5C 43 00 00 5C 43 00 00 5C 43 00 00 48 42 00"
                                "   00 00 20 41 00 00 30 41 00 00 40 41")});
        case 0x4043:
            return join({f, hex("01 05 01 07")});
        case 0x4044:
            return join({f, hex("01 01 02 03 04 00 05 05 E0 E1 00 00 00 00 00 00 00 05 00 00 00 00 00 07 08 09")});
        case 0x4141:
            return join({f, hex("00 00 58 42 02 00 00 A0 40 01 00 00 80 3F 00 00 C0 40 01 00 00 00 40")});
        case 0x4143:
            return join({f, hex("02 01 02 03 00 04 05 06 00")});
        case 0x4144:
            return join({f, hex("02 00 01 00 00 01 01")});
        case 0x4241:
            if (dc_units == 0) {
                return join({f, dc_analog_block(volts53_5)});
            }
            return join({f, {static_cast<std::uint8_t>(dc_units)}, dc_analog_block(volts53_5),
                         dc_analog_block(hex("00 00 50 42"))});
        case 0x4244:
            if (dc_units == 0) {
                return join({f, hex("01 01 07 01 09")});
            }
            return join({f, {static_cast<std::uint8_t>(dc_units)}, hex("01 01 07 01 09"), hex("02 01 08 00")});
        default:
            return {};
        }
    }

    // Runs one round two seconds after the last, answering every request with
    // the flag byte given for its pair ("40/41") or 0, and returns the requests.
    requests round(const std::map<std::string, std::uint8_t>& flags = {})
    {
        clock_seam::advance(2);
        host.clear();
        printed_by([&] {
            EXPECT_EQ(device.RefreshStatus(), 1);
            for (std::size_t answered = 0; answered < host.sent.size() && answered < 16; ++answered) {
                const SentRequest request = host.sent.back();
                const auto flag = flags.find(describe(request).substr(0, 5));
                if (reply(answer(request, flag == flags.end() ? 0 : flag->second)) == 0) {
                    break;
                }
            }
        });
        return describe(host.sent);
    }

    // Hands the device a frame in a heap block of exactly its size, whose
    // length field may claim more INFO than the frame holds.
    int reply_exact(const std::vector<std::uint8_t>& info, unsigned claimed_info_length)
    {
        const std::size_t size = 6 + info.size();
        std::unique_ptr<unsigned char[]> exact(new unsigned char[size]);
        std::memset(exact.get(), 0, 6);
        exact[4] = static_cast<unsigned char>((claimed_info_length * 2) & 0xFFu);
        exact[5] = static_cast<unsigned char>((claimed_info_length * 2) >> 8);
        if (!info.empty()) {
            std::memcpy(exact.get() + 6, info.data(), info.size());
        }
        return device.process(exact.get(), static_cast<unsigned>(size));
    }
};

const requests whole_round_without_dc = {"40/41 01", "40/43 01", "40/44 01", "41/41 -", "41/43 -", "41/44 -"};

}  // namespace

TEST_F(PollCycle, NewDeviceAsksForEverythingWhateverTheFlagBytes)
{
    // Only a data-ready flag of exactly 1 lets the flag bytes decide.
    for (const int ready : {0, 2, 255})
    for (const std::uint8_t flag : {std::uint8_t{0x00}, std::uint8_t{0x11}}) {
        device.data_ready_ = static_cast<unsigned char>(ready);
        const auto sent = round({{"40/41", flag}, {"40/43", flag}, {"41/41", flag}, {"41/43", flag}});
        EXPECT_EQ(sent, whole_round_without_dc) << int{flag} << " ready " << ready;
        EXPECT_EQ(device.poll_step_, 10);
        EXPECT_EQ(device.data_ready_, 1);
        ASSERT_FALSE(host.calls.empty());
        EXPECT_EQ(host.calls.back(), "Reset");
        EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), "SendSP 5535 1003 false"), 1);
    }
}

TEST_F(PollCycle, ReadyDeviceAsksForStatusAndAlarmsOnlyWhenTheFlagBytesSayTheyChanged)
{
    const struct {
        bool has_dc;
        std::map<std::string, std::uint8_t> flags;
        requests expected;
    } cases[] = {
        {false, {}, {"40/41 01", "41/41 -"}},
        {false, {{"40/41", 0x01}}, {"40/41 01", "40/44 01", "41/41 -"}},
        {false, {{"40/41", 0x10}}, {"40/41 01", "40/43 01", "41/41 -"}},
        // After the status reply its own flag byte decides about the alarms.
        {false, {{"40/41", 0x11}}, {"40/41 01", "40/43 01", "41/41 -"}},
        {false, {{"40/41", 0x10}, {"40/43", 0x01}}, {"40/41 01", "40/43 01", "40/44 01", "41/41 -"}},
        {false, {{"41/41", 0x01}}, {"40/41 01", "41/41 -", "41/44 -"}},
        // For the rectifiers the analog reply's flag byte decides both.
        {false, {{"41/41", 0x10}, {"41/43", 0x01}}, {"40/41 01", "41/41 -", "41/43 -"}},
        {false, {{"41/41", 0x11}}, {"40/41 01", "41/41 -", "41/43 -", "41/44 -"}},
        {true, {}, {"40/41 01", "41/41 -", "42/41 -"}},
        {true, {{"42/41", 0x01}}, {"40/41 01", "41/41 -", "42/41 -", "42/44 -"}},
        {true, {{"42/41", 0x10}}, {"40/41 01", "41/41 -", "42/41 -", "42/44 -"}},
        {true, {{"40/41", 0x11}, {"40/43", 0x11}, {"41/41", 0x11}, {"42/41", 0x11}},
         {"40/41 01", "40/43 01", "40/44 01", "41/41 -", "41/43 -", "41/44 -", "42/41 -", "42/44 -"}},
    };
    for (const auto& row : cases) {
        device.has_dc = row.has_dc;
        device.data_ready_ = 1;
        EXPECT_EQ(round(row.flags), row.expected) << ::testing::PrintToString(row.expected);
        EXPECT_EQ(device.poll_step_, 10);
    }
}

TEST_F(PollCycle, WithoutAcDistributionTheRoundStartsAtTheRectifiers)
{
    device.has_ac = false;
    EXPECT_EQ(round(), (requests{"41/41 -", "41/43 -", "41/44 -"}));
}

TEST_F(PollCycle, DcRequestsCarryTheArgumentByteFromVersion21On)
{
    device.has_dc = true;
    auto expected = whole_round_without_dc;
    expected.insert(expected.end(), {"42/41 -", "42/44 -"});
    EXPECT_EQ(round(), expected);

    device.protocol_version_ = 0x21;
    device.data_ready_ = 0;
    expected.resize(6);
    expected.insert(expected.end(), {"42/41 01", "42/44 01"});
    EXPECT_EQ(round(), expected);
}

TEST_F(PollCycle, DcReplyWithAVoltageFirstIsReadWithoutUnitCountFromThenOn)
{
    device.has_dc = true;
    round();
    EXPECT_EQ(device.no_dc_number, 1);
    auto record = record_bytes();
    EXPECT_EQ(slice(record, 738, 8), join({volts53_5, amps12_5}));
    EXPECT_EQ(slice(record, 805, 3), hex("01 01 07"));
    EXPECT_EQ(slice(record, 811, 2), hex("01 09"));

    // A later reply whose first bytes read as no DC voltage is still read so.
    std::memset(&device.data_.dc, 0xEE, sizeof device.data_.dc);
    device.data_ready_ = 0;
    dc_units = 2;
    round();
    EXPECT_EQ(device.no_dc_number, 1);
    record = record_bytes();
    EXPECT_EQ(slice(record, 738, 4), hex("02 00 00 56"));
    EXPECT_EQ(slice(record, 876, 127), std::vector<std::uint8_t>(127, 0));
}

TEST_F(PollCycle, DcReplyWithAUnitCountFillsBothUnitsAndStaysCounted)
{
    device.has_dc = true;
    dc_units = 2;
    std::string out;
    out = printed_by([&] {
        device.poll_step_ = 7;
        reply(answer({0x42, 0x41, false, {}}, 0x01));
        reply(answer({0x42, 0x44, false, {}}, 0));
    });
    EXPECT_NE(out.find("pmbuspower_419 PMBUSPOWER_42_41 dc_number:2\n"), std::string::npos) << out;
    EXPECT_NE(out.find("pmbuspower_419 PMBUSPOWER_42_44 dc_number:2\n"), std::string::npos) << out;
    EXPECT_EQ(device.no_dc_number, 2);
    auto record = record_bytes();
    EXPECT_EQ(slice(record, 738, 8), join({volts53_5, amps12_5}));
    EXPECT_EQ(slice(record, 876, 8), join({hex("00 00 50 42"), amps12_5}));
    EXPECT_EQ(slice(record, 805, 3), hex("01 01 07"));
    EXPECT_EQ(slice(record, 811, 2), hex("01 09"));
    EXPECT_EQ(slice(record, 943, 3), hex("02 01 08"));
    EXPECT_EQ(record[949], 0);

    // INFO bytes 1 to 4 now read 53.5, but the format found first stays:
    // the unit block still starts at byte 2.
    printed_by([&] {
        device.poll_step_ = 7;
        reply(join({hex("00 00 00 56 42 42"), amps12_5, hex("00 00 00")}));
    });
    EXPECT_EQ(device.no_dc_number, 2);
    EXPECT_EQ(slice(record_bytes(), 738, 4), hex("00 56 42 42"));
}

TEST_F(PollCycle, OnlyAVoltageStrictlyBetween40And60MeansNoUnitCount)
{
    device.has_dc = true;
    const auto bytes_of = [](float value) {
        std::vector<std::uint8_t> bytes(4);
        std::memcpy(bytes.data(), &value, 4);
        return bytes;
    };
    const struct {
        int known;  // no_dc_number before the reply
        std::vector<std::uint8_t> first;
        int found;
    } cases[] = {
        {-1, bytes_of(40.0f), 2},
        {-1, bytes_of(60.0f), 2},
        {-1, bytes_of(std::numeric_limits<float>::quiet_NaN()), 2},
        {-1, bytes_of(40.5f), 1},
        {-1, bytes_of(59.5f), 1},
        // Any setting but -1 and 1 reads the unit count byte, and detection is not made.
        {0, volts53_5, 0},
        {2, volts53_5, 2},
        {7, volts53_5, 7},
    };
    for (const auto& c : cases) {
        device.no_dc_number = c.known;
        device.poll_step_ = 7;
        std::memset(&device.data_.dc, 0xEE, sizeof device.data_.dc);
        const auto info = join({hex("00"), c.first, amps12_5, hex("00 00 00 00")});
        const auto out = printed_by([&] { reply(info); });
        EXPECT_EQ(device.no_dc_number, c.found) << c.known << " " << ::testing::PrintToString(c.first);
        // The unit block starts at INFO byte 1 without the count, at byte 2 with it.
        const std::size_t start = c.found == 1 ? 1 : 2;
        EXPECT_EQ(slice(record_bytes(), 738, 4), slice(info, start, 4)) << c.known;
    }
}

TEST_F(PollCycle, WithoutTheUnitCountOnlyTheAnalogReplyPrintsIt)
{
    device.has_dc = true;
    device.no_dc_number = 1;
    const auto out = printed_by([&] {
        device.poll_step_ = 7;
        reply(answer({0x42, 0x41, false, {}}, 0x01));
        reply(answer({0x42, 0x44, false, {}}, 0));
    });
    EXPECT_NE(out.find("pmbuspower_419 PMBUSPOWER_42_41 dc_number:0\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("PMBUSPOWER_42_44"), std::string::npos) << out;
}

TEST_F(PollCycle, WithOneUnitAnnouncedTheSecondUnitKeepsItsValues)
{
    device.has_dc = true;
    device.no_dc_number = 2;
    dc_units = 1;
    std::memset(&device.data_.dc2, 0xEE, sizeof device.data_.dc2);
    round();
    EXPECT_EQ(slice(record_bytes(), 738, 4), volts53_5);
    EXPECT_EQ(slice(record_bytes(), 876, 127), std::vector<std::uint8_t>(127, 0xEE));
}

TEST_F(PollCycle, SecondUnitIsNotDecodedWhenTheFirstDoesNotFit)
{
    device.has_dc = true;
    device.no_dc_number = 2;
    std::memset(&device.data_.dc2, 0xEE, sizeof device.data_.dc2);
    printed_by([&] {
        device.poll_step_ = 7;
        // Two units announced; the first one's two user values are cut off.
        reply(join({hex("00 02"), volts53_5, amps12_5, hex("00 00 02 00 00 80")}));
        device.poll_step_ = 8;
        reply(hex("00 02 01 09 07"));
    });
    EXPECT_EQ(slice(record_bytes(), 876, 127), std::vector<std::uint8_t>(127, 0xEE));
}

TEST_F(PollCycle, RefreshGateHoldsRoundsBackUntilTwoSecondsHavePassed)
{
    round();
    host.clear();
    EXPECT_EQ(device.RefreshStatus(), 0) << "same second";
    clock_seam::advance(1);
    EXPECT_EQ(device.RefreshStatus(), 0) << "one second later";
    EXPECT_EQ(device.status_word_, 10);
    EXPECT_TRUE(host.sent.empty());
    clock_seam::advance(-5);
    EXPECT_EQ(device.RefreshStatus(), 0) << "clock set back";

    clock_seam::advance(6);
    device.status_word_ = 0;
    host.answers.refresh = 0;
    EXPECT_EQ(device.RefreshStatus(), 0) << "host declines";
    EXPECT_EQ(device.status_word_, 0);
    EXPECT_TRUE(host.sent.empty());

    host.answers.refresh = 1;
    EXPECT_EQ(device.RefreshStatus(), 1) << "two seconds later";
    EXPECT_EQ(describe(host.sent), (requests{"40/41 01"}));
    EXPECT_EQ(device.poll_step_, 0);
}

TEST_F(PollCycle, EveryRefreshRestartsTheRoundWhereverTheStepWas)
{
    for (const bool has_ac : {true, false}) {
        for (const int step : {1, 5, 8, 10, 300, 310}) {
            device.has_ac = has_ac;
            device.poll_step_ = step;
            host.clear();
            EXPECT_EQ(device.RefreshStatus(), 1) << step;
            EXPECT_EQ(device.poll_step_, has_ac ? 0 : 4) << step;
            EXPECT_EQ(describe(host.sent), (requests{has_ac ? "40/41 01" : "41/41 -"})) << step;
        }
    }
}

TEST_F(PollCycle, RejectedAcAnalogReplyStopsTheExchange)
{
    device.poll_step_ = 0;
    int result = 0;
    printed_by([&] { result = reply(hex("10 01 00 00 5C 43")); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(device.poll_step_, 0);
    EXPECT_TRUE(host.sent.empty());
}

TEST_F(PollCycle, RectifierAnalogStepPrintsInfoLengthAndDecoderResult)
{
    device.poll_step_ = 4;
    const auto out = printed_by([&] { reply(answer({0x41, 0x41, false, {}}, 0)); });
    EXPECT_NE(out.find("parse 41_41 channel is 2\n41_43 24 vs 24\n"), std::string::npos) << out;
}

TEST_F(PollCycle, ReplyOutsideThePollStepsOnlyAcknowledgesTheControlCommand)
{
    for (int step : {10, 300, 310, 3, 9, -1}) {
        device.control_ack_ = -1;
        device.poll_step_ = step;
        const auto before = record_bytes();
        host.clear();
        int result = 1;
        const auto out = printed_by([&] { result = reply(answer({0x40, 0x41, false, {}}, 0x11)); });
        EXPECT_EQ(result, 0) << step;
        EXPECT_EQ(device.control_ack_, 1) << step;
        EXPECT_EQ(device.poll_step_, step);
        EXPECT_EQ(record_bytes(), before) << step;
        EXPECT_TRUE(host.calls.empty()) << step;
        EXPECT_EQ(out, "") << step;
    }
}

TEST_F(PollCycle, ShortRepliesAreReadOnlyWithinTheFrame)
{
    device.has_dc = true;
    device.data_ready_ = 1;
    const struct {
        int step;
        std::vector<std::uint8_t> info;
        unsigned claimed;
        const char* next;  // request sent, or "" for none
    } cases[] = {
        {0, {}, 0, ""},
        {1, {}, 0, "41/41 -"},
        {2, {}, 0, "41/41 -"},
        {4, {}, 0, "42/41 -"},
        {5, {}, 0, "42/41 -"},
        {6, {}, 0, "42/41 -"},
        {7, {}, 0, ""},
        {7, hex("01 02 00 00"), 4, "42/44 -"},
        {8, {}, 0, ""},
        {8, hex("00"), 1, ""},
        // A length field that claims more than the frame holds.
        {4, hex("10 00"), 200, "41/43 -"},
        {7, hex("00 02 00"), 300, ""},
    };
    for (const auto& row : cases) {
        device.poll_step_ = row.step;
        host.clear();
        printed_by([&] { reply_exact(row.info, row.claimed); });
        EXPECT_EQ(host.sent.empty() ? "" : describe(host.sent.back()), row.next) << "step " << row.step;
        EXPECT_EQ(device.no_dc_number, -1) << "too short to tell the DC format";
    }
}

TEST_F(PollCycle, DcUnitCountOfAnEmptyReplyReadsZero)
{
    device.has_dc = true;
    device.poll_step_ = 7;
    const auto out = printed_by([&] { reply_exact({}, 0); });
    EXPECT_EQ(out.rfind("pmbuspower_419 PMBUSPOWER_42_41 dc_number:0\n", 0), 0u) << out;
}
