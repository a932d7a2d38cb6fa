// The text forms that outside tools parse: hex, JSON members and numbers,
// the host's 7-byte time, and numbers on the command line.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/plugin-host/common/hex_text.h"
#include "tools/plugin-host/common/json_object.h"
#include "tools/plugin-host/cli/command_line.h"
#include "tools/plugin-host/common/time_text.h"

using namespace plugin_host;

TEST(HexText, AcceptsEitherCaseWithOrWithoutBlanksBetweenBytes)
{
    const struct {
        const char* text;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"", {}},
        {"005C43", {0x00, 0x5C, 0x43}},
        {"00 5c\t43", {0x00, 0x5C, 0x43}},
        {"  aB\ncD\r\n", {0xAB, 0xCD}},
    };
    for (const auto& c : cases) {
        std::vector<std::uint8_t> bytes;
        std::string error;
        EXPECT_TRUE(parse_hex(c.text, bytes, error)) << c.text << ": " << error;
        EXPECT_EQ(bytes, c.bytes) << c.text;
    }
}

TEST(HexText, RefusesWhatCouldBeMisread)
{
    for (const char* text : {"0", "00 5", "0 0", "0x00", "zz", "00-01"}) {
        std::vector<std::uint8_t> bytes;
        std::string error;
        EXPECT_FALSE(parse_hex(text, bytes, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

TEST(HexText, WritesLowercaseWithoutBlanks) { EXPECT_EQ(to_hex({0x00, 0xAB, 0x5C, 0xFF}), "00ab5cff"); }

TEST(JsonObject, KeepsMemberOrderWithEvFirst)
{
    JsonObject nested;
    nested.integer("b", 2).integer("a", 1);
    JsonObject line = transcript_event("state");
    line.integer("z", -3).boolean("y", true).null("x").raw("w", nested.str()).text("v", "t");
    EXPECT_EQ(line.str(), R"({"ev":"state","z":-3,"y":true,"x":null,"w":{"b":2,"a":1},"v":"t"})");
    EXPECT_EQ(JsonObject().str(), "{}");
}

TEST(JsonObject, FloatsHaveNineSignificantDigitsAndNonFiniteIsNull)
{
    const struct {
        float value;
        const char* text;
    } cases[] = {
        {53.5f, "53.5"},
        {53.2f, "53.2000008"},
        {-0.1f, "-0.100000001"},
        {220.0f, "220"},
        {1e-20f, "9.99999968e-21"},
        {-0.0f, "-0"},
        {std::numeric_limits<float>::quiet_NaN(), "null"},
        {std::numeric_limits<float>::infinity(), "null"},
        {-std::numeric_limits<float>::infinity(), "null"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json_float(c.value), c.text);
    }
}

TEST(JsonObject, EscapesStringsButPassesUtf8Through)
{
    EXPECT_EQ(json_string("输入电源中断告警"), "\"输入电源中断告警\"");
    EXPECT_EQ(json_string("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(json_string(std::string("\n\t\x01\x1f", 4)), R"("\n\t\u0001\u001f")");
    EXPECT_EQ(json_string(std::string("a\0b", 3)), R"("a\u0000b")");
}

TEST(TimeText, RoundTimeIsTheHostsSevenBytes)
{
    const std::uint8_t stamped[7] = {0xEA, 0x07, 1, 2, 3, 4, 5};
    EXPECT_EQ(round_time_text(stamped), "2026-01-02 03:04:05");
    const std::uint8_t never[7] = {};
    EXPECT_EQ(round_time_text(never), std::nullopt);
    // Bytes that make no day of the calendar are shown as stored, never rolled over.
    const std::uint8_t february_30[7] = {0xEA, 0x07, 2, 30, 0, 0, 0};
    EXPECT_EQ(round_time_text(february_30), "2026-02-30 00:00:00 (not a calendar date)");
    for (const std::uint8_t* date : {stamped, never, february_30}) {
        const protocol419::round_time time = protocol419::decode_round_time(date);
        EXPECT_EQ(time.calendar_date(), date == stamped);
        if (time.calendar_date()) {
            const protocol419::round_time back = protocol419::round_time_at(time.seconds_since_1970());
            EXPECT_EQ(stored_time_text(back), stored_time_text(time));
        }
    }
    EXPECT_EQ(time_text(boost::posix_time::ptime()), std::nullopt);
}

TEST(OptionNumbers, AreDecimalWhateverTheirLeadingZeros)
{
    EXPECT_EQ(decimal_number("--address", "010", 0, 255), 10);
    EXPECT_EQ(decimal_number("--rounds", "16", 1, 100), 16);
    EXPECT_EQ(decimal_number("--address", "0", 0, 255), 0);
    EXPECT_EQ(decimal_number("--rounds", "1000000000", 1, 1000000000), 1000000000);
    for (const char* text : {"0x10", "1e3", "", "+", " 5", "5 ", "256", "-1", "9999999999", "99999999999", "10s"}) {
        EXPECT_THROW(decimal_number("--address", text, 0, 255), std::invalid_argument) << text;
    }
    try {
        decimal_number("--rounds", "0x10", 1, 100);
        FAIL();
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(),
                     "--rounds takes a decimal number from 1 to 100, not \"0x10\" (hexadecimal is not taken)");
    }
}
