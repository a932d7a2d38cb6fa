// The readings in alarm detail texts read exactly as a stream and
// boost::lexical_cast write them, for every kind of float and under a
// changed global locale; texts written into kept buffers never carry
// anything over from an earlier round.
#include <cstdint>
#include <cstring>
#include <locale>
#include <sstream>
#include <string>

#include <boost/lexical_cast.hpp>
#include <gtest/gtest.h>

#include "alarms/reading_text.h"
#include "tests/support/device_fixture.h"

namespace {

float from_bits(std::uint32_t bits)
{
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

std::string streamed(float value)
{
    std::ostringstream stream;
    stream << value;
    return stream.str();
}

std::string appended(void (*append)(std::string&, float), float value)
{
    std::string text = "kept:";
    append(text, value);
    return text.substr(5);
}

// Zeros, subnormals, the float limits, infinities and NaNs of both signs.
const std::uint32_t special_bits[] = {0x00000000, 0x80000000, 0x00000001, 0x807FFFFF, 0x00800000, 0x7F7FFFFF,
                                      0xFF7FFFFF, 0x7F800000, 0xFF800000, 0x7FC00000, 0xFFC00000, 0x7F800001,
                                      0xFFFFFFFF, 0x435C8000, 0x3C23D70A};

TEST(AlarmTexts, ReadingsMatchTheStreamAndLexicalCastAcrossTheFloats)
{
    unsigned differing = 0;
    auto check = [&](std::uint32_t bits) {
        const float value = from_bits(bits);
        const std::string stream_text = appended(alarms::append_stream_float, value);
        const std::string lexical_text = appended(alarms::append_lexical_float, value);
        if (stream_text != streamed(value) || lexical_text != boost::lexical_cast<std::string>(value)) {
            ADD_FAILURE() << std::hex << bits << ": " << stream_text << " / " << lexical_text;
            ++differing;
        }
    };
    for (std::uint32_t bits : special_bits) {
        check(bits);
    }
    // A stride through every bit pattern: all exponents, both signs, NaN payloads.
    for (std::uint64_t bits = 7; bits <= 0xFFFFFFFFu && differing < 5; bits += 65521) {
        check(static_cast<std::uint32_t>(bits));
    }
}

// A locale whose numbers use a decimal comma and group thousands.
struct comma_numbers : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
    char do_thousands_sep() const override { return '.'; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(AlarmTexts, ReadingsFollowAChangedGlobalLocaleAsAStreamWould)
{
    const std::locale previous = std::locale::global(std::locale(std::locale::classic(), new comma_numbers));
    const std::string text = appended(alarms::append_stream_float, 12345.5f);
    const std::string expected = streamed(12345.5f);
    std::locale::global(previous);
    EXPECT_EQ(expected, "12.345,5");
    EXPECT_EQ(text, expected);
}

using AlarmTextRounds = DeviceTest;

TEST_F(AlarmTextRounds, EachRoundWritesItsTextsAfresh)
{
    configure(R"({"appSetting":{"b_mode":"2","has_dc":"1"}})");
    for (const char* id : {"220600120010", "220600160010", "210600320010"}) {
        device.level_map_[id] = 1;
    }
    auto descs = [&] {
        host.clear();
        printed_by([&] { device.RoundDone(); });
        std::vector<std::string> out;
        for (const auto& report : host.reports) {
            out.push_back(report.desc);
        }
        return out;
    };
    auto& first = device.data_.ac.acChannel[0];
    first.a.set(221.25f);
    first.b.set(-1234.5f);
    first.f.set(50.125f);
    device.data_.dc.out_v.set(53.2f);
    EXPECT_EQ(descs(), (std::vector<std::string>{"ua1:221.25 ub1:-1234.5 uc1:0 ua2:0 ub2:0 uc2:0",
                                                 "f1:50.125 f2:0", "53.2000008"}));

    first.a.set(0.0f);
    first.b.set(0.0f);
    first.f.set(0.0f);
    device.data_.dc.out_v.set(0.0f);
    EXPECT_EQ(descs(), (std::vector<std::string>{"ua1:0 ub1:0 uc1:0 ua2:0 ub2:0 uc2:0", "f1:0 f2:0", "0"}));
}

}  // namespace
