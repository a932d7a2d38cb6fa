// Every decoder on every shortened form of a realistic payload: it answers
// -1, reads nothing past the bytes it is given (the payloads sit in heap
// blocks of exactly their length, so AddressSanitizer sees any over-read),
// and leaves each record byte either as it was or as the whole payload sets it.
#include <cstring>

#include <gtest/gtest.h>

#include "tests/unit/payload_helpers.h"

namespace {

class DecoderTruncation : public DeviceTest {
protected:
    void restore(const std::vector<std::uint8_t>& record) { std::memcpy(&device.data_, record.data(), record.size()); }

    // A record whose bytes all differ from what the payloads carry; the
    // status and alarm replies go by the module count of the analog reply.
    std::vector<std::uint8_t> marked_record()
    {
        std::memset(&device.data_, 0xEE, sizeof device.data_);
        device.data_.rc.channel_count = 2;
        return record_bytes();
    }
};

// Six fuse and switch states and forty-eight user-defined alarm bytes: both
// lists end in bytes the record has no room for.
std::vector<std::uint8_t> dc_alarms_beyond_capacity()
{
    auto payload = hex("01 06 01 02 03 04 05 06 30");
    for (std::uint8_t i = 0; i < 48; ++i) {
        payload.push_back(i);
    }
    return payload;
}

const struct {
    const char* name;
    decoder member;
    std::vector<std::uint8_t> payload;
} realistic[] = {
    {"40/41", &qorv52_419::parse40_41,
     hex("02  00 00 5C 43 00 00 5C 43 00 00 5C 43 00 00 48 42 00"
         "    00 00 5B 43 00 00 5B 43 00 00 5B 43 00 00 48 42 01 00 00 80 3F"
         "    00 00 20 41 00 00 30 41 00 00 40 41")},
    {"40/43", &qorv52_419::parse40_43, hex("01 05 01 07")},
    {"40/44", &qorv52_419::parse40_44,
     hex("02  01 02 03 04 02 AA BB 05 05 E0 E1 00 00  11 12 13 14 00 05 00 00 00 00 09  07 08 09")},
    {"41/41", &qorv52_419::parse41_41,
     hex("10 00 00 58 42 02  00 00 A0 40 01 00 00 80 3F  00 00 C0 40 01 00 00 00 40")},
    {"41/43", &qorv52_419::parse41_43, hex("00 02  01 02 03 00  04 05 06 01 AA")},
    {"41/44", &qorv52_419::parse41_44, hex("00 02  00 01 01  03 02 AA BB")},
    {"42/41", &qorv52_419::parse42_41,
     hex("00 00 56 42 00 00 48 41 02 00 00 A0 40 00 00 C0 40 01 00 00 80 3F 02 00 00 80 3F 20 20 20 20")},
    {"42/41 second unit", &qorv52_419::parse42_41_2,
     hex("00 00 56 42 00 00 48 41 02 00 00 A0 40 00 00 C0 40 01 00 00 80 3F 02 00 00 80 3F 20 20 20 20")},
    {"42/44", &qorv52_419::parse42_44, dc_alarms_beyond_capacity()},
    {"42/44 second unit", &qorv52_419::parse42_44_2, dc_alarms_beyond_capacity()},
};

}  // namespace

TEST_F(DecoderTruncation, EveryShortenedPayloadIsRejectedAndKeepsOnlyWhatArrived)
{
    for (const auto& row : realistic) {
        SCOPED_TRACE(row.name);
        const auto before = marked_record();
        ASSERT_EQ(decode(device, row.member, row.payload), static_cast<int>(row.payload.size()));
        const auto whole = record_bytes();

        for (std::size_t length = 0; length < row.payload.size(); ++length) {
            restore(before);
            EXPECT_EQ(decode(device, row.member, row.payload, length), -1) << "length " << length;
            const auto cut = record_bytes();
            for (std::size_t i = 0; i < cut.size(); ++i) {
                if (cut[i] != before[i] && cut[i] != whole[i]) {
                    ADD_FAILURE() << "length " << length << ": record byte " << i << " holds a value of neither";
                    break;
                }
            }
        }
    }
}

TEST_F(DecoderTruncation, ListsThatAreNotStoredAnswerAsTheProtocolHasAlwaysAnswered)
{
    const struct {
        const char* name;
        decoder member;
        std::vector<std::uint8_t> payload;
        std::vector<int> results;  // for each length from 0 to the whole payload
    } cases[] = {
        // A skipped user-defined state list is not held against the length.
        {"40/43 skipped list", &qorv52_419::parse40_43, hex("01 05 02 AA BB"), {-1, -1, -1, 5, 5, 5}},
        // More user values than the record holds: the rest of INFO counts as consumed.
        {"42/41 eleven user values", &qorv52_419::parse42_41, hex("00 00 56 42 00 00 48 41 00 00 0B 01 02"),
         {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 11, 12, 13}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        for (std::size_t length = 0; length <= row.payload.size(); ++length) {
            marked_record();
            EXPECT_EQ(decode(device, row.member, row.payload, length), row.results.at(length)) << "length " << length;
        }
    }
}
