// Scenario lines: what a well-formed line turns into, and every malformed
// line refused with a reason instead of crashing or being misread.
#include <string>

#include <gtest/gtest.h>

#include "tools/plugin-host/scenario/scenario_parser.h"

using namespace plugin_host;

namespace {

template <class Step>
Step parsed(const std::string& line)
{
    const std::optional<ScenarioStep> step = parse_scenario_line(line);
    EXPECT_TRUE(step.has_value()) << line;
    EXPECT_TRUE(step && std::holds_alternative<Step>(*step)) << line;
    return step ? std::get<Step>(*step) : Step{};
}

}  // namespace

TEST(ScenarioParser, SkipsBlankAndCommentLines)
{
    for (const char* line : {"", "   ", "\t", "# a comment", "   # indented {\"op\":\"refresh\"}"}) {
        EXPECT_FALSE(parse_scenario_line(line).has_value()) << line;
    }
}

TEST(ScenarioParser, RefusesMalformedLinesWithAReason)
{
    const struct {
        const char* line;
        const char* reason;
    } cases[] = {
        {"refresh", "not JSON"},
        {R"({"op":"refresh"} {"op":"state"})", "not JSON"},
        {R"({"op":"refresh","op":"state"})", "not JSON"},
        {R"(["refresh"])", "JSON object"},
        {R"({"op":7})", "\"op\""},
        {R"({"op":"reboot"})", "unknown op \"reboot\""},
        {R"({"op":"refresh","now":true})", "now: unknown member of op \"refresh\""},
        {R"({"op":"host","dataid":7})", "dataid: unknown member of op \"host\" (did you mean \"data_id\"?)"},
        {R"({"op":"host","data_id":"7"})", "data_id: must be a whole number from 0 to 4294967295"},
        {R"({"op":"host","data_id":1.5})", "data_id: must be a whole number"},
        {R"({"op":"host","data_id":4294967296})", "data_id: 4294967296 is out of range: from 0 to 4294967295"},
        {R"({"op":"host","refresh":1})", "refresh: must be true or false"},
        {R"({"op":"host","version":256})", "version: 256 is out of range"},
        {R"({"op":"host","levels":[1]})", "levels: must be an object"},
        {R"({"op":"host","levels":{"x":"2"}})", "levels.x: must be a whole number"},
        {R"({"op":"host","levels":{"x":99999999999}})", "levels.x: 99999999999 is out of range: from -2147483648"},
        {R"({"op":"host","thresholds":{"x":true}})", "thresholds.x: must be a number"},
        {R"({"op":"host","ao":[["s"]]})", "ao[0]: must be"},
        {R"({"op":"host","ao":[["s",1],[2,1]]})", "ao[1]: must be"},
        {R"({"op":"host","ao":[["s","1"]]})", "ao[0]: must be"},
        {R"({"op":"host","pending_rules":-1})", "pending_rules: -1 is out of range"},
        {R"({"op":"host","pending_rules":100000000})", "pending_rules: 100000000 is out of range"},
        {R"({"op":"config"})", "doc: missing, op \"config\" needs it"},
        {R"({"op":"reply"})", "info: missing"},
        {R"({"op":"reply","info":5})", "info: must be a string"},
        {R"({"op":"reply","info":"005"})", "odd number"},
        {R"({"op":"reply","info":"0g"})", "not a hex digit"},
        {R"({"op":"frame","hex":"2001000000"})", "at least 6 bytes"},
        {R"({"op":"frame","hex":"200100000400aa"})", "announces 2 INFO bytes, the frame holds 1"},
        {R"({"op":"advance"})", "seconds: missing"},
        {R"({"op":"advance","seconds":"5"})", "seconds: must be a whole number"},
        {R"({"op":"get"})", "name: missing"},
        {R"({"op":"get","name":null})", "name: must be a string"},
        {R"({"op":"get","name":"ac","id":-1})", "id: -1 is out of range"},
        {R"({"op":"ioctl"})", "code: missing"},
        {R"({"op":"ioctl","code":2147483648})", "code: 2147483648 is out of range"},
        {R"({"op":"ioctl","code":1,"in":"01","in_text":"x"})", "not both"},
        {R"({"op":"ioctl","code":1,"in":"01","in_len":2})", "in_len: 2 is more than the 1 input bytes"},
        {R"({"op":"ioctl","code":1,"in_null":"yes"})", "in_null: must be true or false"},
        {R"({"op":"ioctl","code":1,"out_len":2000000})", "out_len: 2000000 is out of range"},
        {R"({"op":"cache"})", "hex: missing"},
        {R"({"op":"cache","hex":"00","form":"text"})", "form: must be"},
    };
    const std::string deeply_nested =
        R"({"op":"config","doc":)" + std::string(5000, '[') + std::string(5000, ']') + "}";
    EXPECT_THROW(parse_scenario_line(deeply_nested), ScenarioError);
    for (const auto& c : cases) {
        try {
            parse_scenario_line(c.line);
            ADD_FAILURE() << "accepted: " << c.line;
        } catch (const ScenarioError& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos)
                << c.line << "\n  said: " << error.what() << "\n  expected: " << c.reason;
        }
    }
}

TEST(ScenarioParser, HostLineSetsOnlyWhatItNames)
{
    const auto step = parsed<HostStep>(
        R"({"op":"host","data_id":4294967295,"version":33,"levels":{"a":2},"thresholds":{"b":57.6},)"
        R"("ao":[["s1",1.5],["s2",null]],"pending_rules":2})");
    EXPECT_EQ(step.data_id, 4294967295u);
    EXPECT_EQ(step.version, 0x21);
    EXPECT_FALSE(step.refresh.has_value());
    EXPECT_FALSE(step.batch.has_value());
    ASSERT_EQ(step.levels.size(), 1u);
    EXPECT_EQ(step.levels[0], std::make_pair(std::string("a"), 2));
    ASSERT_EQ(step.thresholds.size(), 1u);
    EXPECT_EQ(step.thresholds[0].second, 57.6f);
    ASSERT_TRUE(step.ao.has_value());
    ASSERT_EQ(step.ao->size(), 2u);
    EXPECT_EQ((*step.ao)[0].second, 1.5f);
    EXPECT_FALSE((*step.ao)[1].second.has_value());
    EXPECT_EQ(step.pending_rules, 2u);

    EXPECT_FALSE(parsed<HostStep>(R"({"op":"host"})").ao.has_value());
    EXPECT_TRUE(parsed<HostStep>(R"({"op":"host","ao":[]})").ao.has_value());
}

TEST(ScenarioParser, IoctlInputAndLengths)
{
    const auto defaults = parsed<IoctlStep>(R"({"op":"ioctl","code":300,"in":"01 02 03"})");
    EXPECT_EQ(defaults.in, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(defaults.in_len, 3);
    EXPECT_EQ(defaults.out_len, 4);
    EXPECT_FALSE(defaults.in_null);

    const auto text = parsed<IoctlStep>(R"({"op":"ioctl","code":320,"in_text":"é1","in_len":-4,"out_len":-1})");
    EXPECT_EQ(text.in, (std::vector<std::uint8_t>{0xC3, 0xA9, '1'}));
    EXPECT_EQ(text.in_len, -4);
    EXPECT_EQ(text.out_len, -1);

    const auto null_input = parsed<IoctlStep>(R"({"op":"ioctl","code":310,"in_null":true,"in_len":99})");
    EXPECT_TRUE(null_input.in_null);
    EXPECT_EQ(null_input.in_len, 99);
}

TEST(ScenarioParser, FrameMayHoldMoreThanItsLengthFieldAnnounces)
{
    EXPECT_EQ(parsed<FrameStep>(R"({"op":"frame","hex":"200100000200ab"})").bytes.size(), 7u);
    EXPECT_EQ(parsed<FrameStep>(R"({"op":"frame","hex":"200100000300abcd"})").bytes.size(), 8u);
    EXPECT_EQ(parsed<FrameStep>(R"({"op":"frame","hex":"200100000000"})").bytes.size(), 6u);
}

TEST(ScenarioParser, OtherOps)
{
    EXPECT_EQ(parsed<AdvanceStep>(R"({"op":"advance","seconds":-61})").seconds, -61);
    EXPECT_EQ(parsed<GetStep>(R"({"op":"get","name":"out_v"})").id, 0u);
    EXPECT_EQ(parsed<GetStep>(R"({"op":"get","name":"ac","id":4294967295})").id, 4294967295u);
    EXPECT_TRUE(parsed<CacheStep>(R"({"op":"cache","hex":"00","form":"string"})").as_string);
    EXPECT_FALSE(parsed<CacheStep>(R"({"op":"cache","hex":""})").as_string);
    EXPECT_EQ(parsed<ConfigStep>(R"({"op":"config","doc":null})").doc, Json::Value());
    parsed<RefreshStep>(R"({"op":"refresh"})");
    parsed<StateStep>(R"( {"op":"state"} )");
    parsed<InfoStep>(R"({"op":"info"})");
}
