// Frames as they travel on the line: the worked examples, and every way a
// received frame can be wrong.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/frame_codec.h"

using namespace pmbus_frame;

namespace {

std::vector<FrameOutcome> read_all(const std::string& text, FrameReader& reader)
{
    std::vector<FrameOutcome> outcomes;
    for (char c : text) {
        if (reader.push(static_cast<std::uint8_t>(c))) {
            outcomes.push_back(reader.outcome());
        }
    }
    return outcomes;
}

std::string hex_of(const DecodedFrame& frame)
{
    std::string text;
    char digits[3];
    for (std::size_t i = 0; i < frame.length; ++i) {
        std::snprintf(digits, sizeof digits, "%02x", frame.bytes[i]);
        text += digits;
    }
    return text;
}

}  // namespace

TEST(FrameCodec, EncodesTheWorkedExamples)
{
    const std::uint8_t one = 0x01, two = 0x02;
    EXPECT_EQ(encode_frame(0x20, 1, 0x40, 0x41, &one, 1), "~20014041E00201FD3C\r");
    EXPECT_EQ(encode_frame(0x20, 1, 0x41, 0x41, nullptr, 0), "~200141410000FDB3\r");
    EXPECT_EQ(encode_frame(0x20, 2, 0x46, 0x42, &two, 1), "~20024642E00202FD33\r");
}

TEST(FrameCodec, RefusesInfoItCannotFrame)
{
    const std::vector<std::uint8_t> too_long(MAX_INFO_BYTES + 1);
    struct Case {
        const char* what;
        const std::uint8_t* info;
        std::size_t length;
        const char* text;
    };
    const std::vector<Case> cases = {
        {"too long", too_long.data(), too_long.size(), "cannot frame 41/41 with 2048 INFO bytes: a frame carries at most 2047"},
        {"missing", nullptr, 3, "cannot frame 41/41: 3 INFO bytes announced without their data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            encode_frame(0x20, 1, 0x41, 0x41, c.info, c.length);
            ADD_FAILURE() << "framed";
        } catch (const std::invalid_argument& error) {
            EXPECT_STREQ(error.what(), c.text);
        }
    }
}

TEST(FrameCodec, LengthChecksumGuardsEveryNibbleOfLenid)
{
    EXPECT_EQ(length_field(0x000), 0x0000);
    EXPECT_EQ(length_field(0x002), 0xE002);
    EXPECT_EQ(length_field(0x012), 0xD012);
    EXPECT_EQ(length_field(0xFFF), 0x3FFF);  // 45 % 16 = 13, inverted plus one = 3
}

TEST(FrameCodec, DecodesIntoTheLayoutTheDeviceReads)
{
    FrameReader reader;
    const auto outcomes = read_all("~20014041E00201FD3C\r", reader);
    ASSERT_EQ(outcomes.size(), 1u);
    ASSERT_EQ(outcomes[0].status, FrameStatus::good);
    // version, address, CID1, CID2; LENID 2 little-endian; INFO 01.
    EXPECT_EQ(hex_of(*outcomes[0].frame), "200140410200" "01");
    EXPECT_EQ(outcomes[0].frame->info_length(), 1u);
}

TEST(FrameCodec, RoundTripsTheLargestInfo)
{
    std::vector<std::uint8_t> info(MAX_INFO_BYTES);
    for (std::size_t i = 0; i < info.size(); ++i) {
        info[i] = static_cast<std::uint8_t>(i * 7);
    }
    FrameReader reader;
    const auto outcomes = read_all(encode_frame(0x21, 5, 0x42, 0x00, info.data(), info.size()), reader);
    ASSERT_EQ(outcomes.size(), 1u);
    ASSERT_EQ(outcomes[0].status, FrameStatus::good);
    const DecodedFrame& frame = *outcomes[0].frame;
    EXPECT_EQ(frame.bytes[4] | frame.bytes[5] << 8, 2 * MAX_INFO_BYTES);
    EXPECT_EQ(std::vector<std::uint8_t>(frame.info(), frame.info() + frame.info_length()), info);
}

TEST(FrameCodec, SkipsNoiseBetweenFramesAndSurvivesSplitReads)
{
    FrameReader reader;
    const std::string noise("\x00\xff junk\r\n", 9);
    const std::string line = noise + "~200141410000FDB3\rxx~20014041E00201FD3C\r";
    const auto outcomes = read_all(line, reader);
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0].status, FrameStatus::good);
    EXPECT_EQ(outcomes[1].status, FrameStatus::good);
    EXPECT_EQ(outcomes[1].frame->cid1(), 0x40);
    EXPECT_GE(reader.noise_bytes(), 10u);
}

TEST(FrameCodec, RejectsEveryKindOfBadFrame)
{
    struct Case {
        const char* what;
        std::string line;
        FrameStatus status;
        const char* text;  // part of the diagnostic
    };
    const std::vector<Case> cases = {
        {"non-hex character", "~2001G041E00201FD3C\r", FrameStatus::bad_hex, "not a hex digit (character 0x47)"},
        {"too short", "~2001404100\r", FrameStatus::too_short, "10 characters"},
        {"LCHKSUM wrong", "~20014041F00201FD3B\r", FrameStatus::bad_lchksum, "bad LCHKSUM"},
        {"LENID says more than sent", "~20014041C00401FD3C\r", FrameStatus::length_mismatch, "LENID 4"},
        {"LENID says less than sent", "~200140410000" "01FD3C\r", FrameStatus::length_mismatch, "2 INFO"},
        {"odd LENID", "~20014041F001" "0FD3C\r", FrameStatus::length_mismatch, "odd"},
        {"CHKSUM wrong", "~20014041E00201FD3D\r", FrameStatus::bad_chksum, "frame says FD3D, computed FD3C"},
        {"EOI missing before the next SOI", "~20014041E00201FD3C~", FrameStatus::cut_short, "cut short"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FrameReader reader;
        const auto outcomes = read_all(c.line, reader);
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].status, c.status);
        EXPECT_EQ(outcomes[0].frame, nullptr);
        EXPECT_NE(describe(outcomes[0]).find(c.text), std::string::npos) << describe(outcomes[0]);
    }
}

TEST(FrameCodec, EndlessFrameIsCutAtTheLongestPossibleLength)
{
    FrameReader reader;
    std::string line = "~" + std::string(MAX_FRAME_CHARS + 10, '0');
    const auto outcomes = read_all(line, reader);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].status, FrameStatus::too_long);
    // After giving up the reader hunts for the next SOI again.
    const auto next = read_all("~200141410000FDB3\r", reader);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_EQ(next[0].status, FrameStatus::good);
}

TEST(FrameCodec, AcceptsLowerCaseHexAsSent)
{
    // The checksum covers the characters as sent, so it differs from the upper-case frame.
    std::string frame = "~20014041e00201";
    char sum[8];
    std::snprintf(sum, sizeof sum, "%04X", frame_checksum(frame.data() + 1, frame.size() - 1));
    FrameReader reader;
    const auto outcomes = read_all(frame + sum + "\r", reader);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_EQ(outcomes[0].status, FrameStatus::good);
}
