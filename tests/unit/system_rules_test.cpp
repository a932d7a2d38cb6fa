// The system alarm rules as the daemon sees them: which reports come, in which
// order, with which levels, texts and states, and what the lookups leave in
// the daemon's level and threshold maps.
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/device_fixture.h"

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float NEAREST_HUNDREDTH = 0.01f;  // lies just below the double 0.01
const float ABOVE_HUNDREDTH = std::nextafter(0.01f, 1.0f);

const char* const OVER_VOLTAGE = "220600120010";
const char* const UNDER_VOLTAGE = "220600130010";
const char* const OUTAGE = "220600140010";
const char* const OVER_FREQUENCY = "220600160010";
const char* const UNDER_FREQUENCY = "220600170010";
const char* const DC_LOW = "210600320010";
const char* const DC_VERY_LOW = "210600330010";
const char* const DC_HIGH = "210600340010";
const char* const ALL_RULES[] = {OVER_VOLTAGE,    UNDER_VOLTAGE, OUTAGE,      OVER_FREQUENCY,
                                 UNDER_FREQUENCY, DC_LOW,        DC_VERY_LOW, DC_HIGH};

struct ac_input {
    float a, b, c, f;
};

class SystemRules : public DeviceTest {
protected:
    // Runs the driver's own rules, without the model's.
    void judge()
    {
        host.clear();
        device.pmbuspower_419<qorv52_419_Data_t, protocol419::RECORD_DATA_TYPE>::RunCheckThreshold();
    }

    void set_inputs(const ac_input& first, const ac_input& second)
    {
        const ac_input inputs[2] = {first, second};
        for (int i = 0; i < 2; ++i) {
            auto& block = device.data_.ac.acChannel[i];
            block.a.set(inputs[i].a);
            block.b.set(inputs[i].b);
            block.c.set(inputs[i].c);
            block.f.set(inputs[i].f);
        }
    }

    void set_phases(bool a, bool b, bool c)
    {
        device.has_a = a;
        device.has_b = b;
        device.has_c = c;
    }

    // Mode 2 with every rule on at level 1 and typical limits.
    void all_threshold_rules_on()
    {
        device.b_mode_ = 2;
        device.has_dc = true;
        for (const char* id : ALL_RULES) {
            device.level_map_[id] = 1;
        }
        device.threshold_map_[OVER_FREQUENCY] = 55.0f;
        device.threshold_map_[UNDER_FREQUENCY] = 45.0f;
        device.threshold_map_[DC_LOW] = 47.0f;
        device.threshold_map_[DC_VERY_LOW] = 45.0f;
        device.threshold_map_[DC_HIGH] = 58.0f;
    }

    std::vector<std::string> reported_ids() const
    {
        std::vector<std::string> ids;
        for (const auto& report : host.reports) {
            ids.push_back(report.id);
        }
        return ids;
    }

    std::string states() const
    {
        std::string text;
        for (const auto& report : host.reports) {
            text += report.state ? '1' : '0';
        }
        return text;
    }
};

}  // namespace

TEST_F(SystemRules, ModesOtherThanOneAndTwoReportNothingAndLookNothingUp)
{
    for (int mode : {0, 3, 7, -1}) {
        device.b_mode_ = mode;
        device.has_dc = true;
        device.data_.ac.channel_count = 1;
        judge();
        EXPECT_TRUE(host.calls.empty()) << mode;
    }
    EXPECT_TRUE(device.level_map_.empty());
    EXPECT_TRUE(device.threshold_map_.empty());
}

TEST_F(SystemRules, PowerOffRuleReportsWhetherAnyCountedInputIsLive)
{
    const ac_input dead{0, 0, 0, 0};
    const ac_input live{230, 230, 230, 50};
    const struct {
        const char* what;
        unsigned char count;
        bool a, b, c;
        ac_input first, second;
        bool interrupted;
    } cases[] = {
        {"no input counted", 0, true, true, true, live, live, true},
        {"one live input", 1, true, true, true, live, dead, false},
        {"second input not counted", 1, true, true, true, dead, live, true},
        {"second input live", 2, true, true, true, dead, live, false},
        {"both dead", 2, true, true, true, dead, dead, true},
        {"no phase present", 1, false, false, false, dead, dead, false},
        {"phase at exactly 120", 1, true, true, true, {120.0f, 230, 230, 50}, dead, true},
        {"phase just above 120", 1, true, true, true, {std::nextafter(120.0f, 200.0f), 230, 230, 50}, dead, false},
        {"dead phase A absent", 1, false, true, true, {0, 230, 230, 50}, dead, false},
        {"dead phase C present", 1, false, false, true, {230, 230, 0, 50}, dead, true},
        {"phase not a number", 1, true, true, true, {230, NaN, 230, 50}, dead, true},
    };
    for (const auto& c : cases) {
        device.data_.ac.channel_count = c.count;
        set_phases(c.a, c.b, c.c);
        set_inputs(c.first, c.second);
        judge();
        EXPECT_EQ(host.calls, std::vector<std::string>{"CheckThresholdBool 1 PowerOff 419415001 '输入电源中断告警' "
                                                       "输入电源中断告警 " +
                                                       std::string(c.interrupted ? "true" : "false") + " 100"})
            << c.what;
    }
    EXPECT_TRUE(device.level_map_.empty());
    EXPECT_TRUE(device.threshold_map_.empty());
}

TEST_F(SystemRules, PowerOffRuleReadsNoMoreThanTheTwoInputBlocks)
{
    // Behind the second input block lies the rectifier output voltage, which
    // would read as a live phase A of a third input.
    set_phases(true, false, false);
    set_inputs({0, 0, 0, 0}, {0, 0, 0, 0});
    device.data_.rc.out_v.set(230.0f);
    for (std::uint8_t count : {std::uint8_t{3}, std::uint8_t{255}}) {
        device.data_.ac.channel_count = count;
        judge();
        ASSERT_EQ(host.reports.size(), 1u);
        EXPECT_TRUE(host.reports[0].state) << int(count);
    }
}

TEST_F(SystemRules, PowerOffRuleNeedsAcDistribution)
{
    device.has_ac = false;
    judge();
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(SystemRules, ThresholdRuleReportCarriesItsLevelIdentifierAndTexts)
{
    device.b_mode_ = 2;
    device.level_map_[OVER_VOLTAGE] = 2;
    set_inputs({285.0f, 0, 0, 0}, {0, 0, 0, 0});
    judge();
    EXPECT_EQ(host.calls, std::vector<std::string>{
                              "CheckThresholdBool 2 220600120010 220600120010 'ua1:285 ub1:0 uc1:0 ua2:0 ub2:0 uc2:0' "
                              "001#48V直流系统交流输入电压过高告警 true 1"});
    // Rules without a level are switched off, and their identifiers join the level map.
    EXPECT_EQ(device.level_map_.size(), 5u);
    EXPECT_EQ(device.level_map_.at(UNDER_FREQUENCY), 0);
    EXPECT_EQ(device.level_map_.count(DC_LOW), 0u) << "no DC distribution";
    EXPECT_TRUE(device.threshold_map_.empty()) << "switched-off rules look up no limit";

    device.level_map_.clear();
    device.has_ac = false;
    judge();
    EXPECT_TRUE(device.level_map_.empty()) << "no AC distribution, no AC identifiers";
}

TEST_F(SystemRules, ThresholdRulesReportInTableOrderWithTheirNamesAndTexts)
{
    all_threshold_rules_on();
    device.level_map_[OUTAGE] = 3;
    device.level_map_[DC_HIGH] = -1;  // any non-zero level switches the rule on
    set_inputs({220.5f, 221.0f, 219.8f, 50.0f}, {0, 0, 0, 0});
    device.data_.dc.out_v.set(53.2f);
    judge();
    const std::string volts = "'ua1:220.5 ub1:221 uc1:219.8 ua2:0 ub2:0 uc2:0'";
    EXPECT_EQ(host.calls, (std::vector<std::string>{
                              "CheckThresholdBool 1 220600120010 220600120010 " + volts +
                                  " 001#48V直流系统交流输入电压过高告警 false 1",
                              "CheckThresholdBool 1 220600130010 220600130010 " + volts +
                                  " 001#48V直流系统交流输入电压过低告警 false 1",
                              "CheckThresholdBool 3 220600140010 220600140010 " + volts +
                                  " 001#48V直流系统交流输入停电告警 false 1",
                              "CheckThresholdBool 1 220600160010 220600160010 'f1:50 f2:0' "
                              "001#48V直流系统交流输入频率过高告警 false 1",
                              "CheckThresholdBool 1 220600170010 220600170010 'f1:50 f2:0' "
                              "001#48V直流系统交流输入频率过低告警 false 1",
                              "CheckThresholdBool 1 210600320010 210600320010 '53.2000008' "
                              "48V直流系统直流总电压过低告警 false 1",
                              "CheckThresholdBool 1 210600330010 210600330010 '53.2000008' "
                              "48V直流系统直流总电压超低告警 false 1",
                              "CheckThresholdBool -1 210600340010 210600340010 '53.2000008' 直流总电压过高告警 false 1",
                          }));
}

TEST_F(SystemRules, ThresholdRuleStatesAtTheirLimits)
{
    const ac_input normal{230, 230, 230, 50};
    const ac_input off{0, 0, 0, 0};
    // States of the eight rules in table order: over-voltage, under-voltage,
    // outage, over-frequency, under-frequency, DC low, DC very low, DC high.
    const struct {
        const char* what;
        ac_input first, second;
        float udc;
        const char* states;
    } cases[] = {
        {"all normal", normal, normal, 53.5f, "00000000"},
        {"everything off", off, off, 0.0f, "00100110"},
        {"phase at exactly 280", {280.0f, 230, 230, 50}, normal, 53.5f, "00000000"},
        {"phase just above 280", normal, {230, 230, std::nextafter(280.0f, 300.0f), 50}, 53.5f, "10000000"},
        {"phase at exactly 150", {150.0f, 0, 0, 0}, off, 53.5f, "00000000"},
        {"phase just below 150", {std::nextafter(150.0f, 0.0f), 0, 0, 50}, {0, 0, 0, 50}, 53.5f, "01100000"},
        {"phase at the float nearest 0.01", {NEAREST_HUNDREDTH, 0, 0, 0}, off, 53.5f, "00100000"},
        {"phase just above 0.01", {ABOVE_HUNDREDTH, 0, 0, 0}, off, 53.5f, "01100000"},
        {"negative phase", {-5.0f, 230, 230, 50}, normal, 53.5f, "00000000"},
        {"phase not a number", {NaN, 230, 230, 50}, normal, 53.5f, "00000000"},
        {"phase not a number, rest off", {NaN, 0, 0, 0}, off, 53.5f, "00000000"},
        {"first frequency high", {230, 230, 230, 55.5f}, normal, 53.5f, "00010000"},
        {"second frequency at the limit", normal, {230, 230, 230, 55.0f}, 53.5f, "00000000"},
        {"second frequency low", normal, {230, 230, 230, 44.0f}, 53.5f, "00001000"},
        {"frequency at the float nearest 0.01", {230, 230, 230, NEAREST_HUNDREDTH}, off, 53.5f, "00000000"},
        {"frequency just above 0.01", {230, 230, 230, ABOVE_HUNDREDTH}, off, 53.5f, "00001000"},
        {"frequency not a number", {230, 230, 230, NaN}, normal, 53.5f, "00000000"},
        {"DC at the low limit", normal, normal, 47.0f, "00000000"},
        {"DC low", normal, normal, 46.0f, "00000100"},
        {"DC very low", normal, normal, 44.0f, "00000110"},
        {"DC at the high limit", normal, normal, 58.0f, "00000000"},
        {"DC high", normal, normal, 58.5f, "00000001"},
        {"DC not a number", normal, normal, NaN, "00000000"},
    };
    all_threshold_rules_on();
    for (const auto& c : cases) {
        set_inputs(c.first, c.second);
        device.data_.dc.out_v.set(c.udc);
        judge();
        EXPECT_EQ(states(), c.states) << c.what;
    }
}

TEST_F(SystemRules, PhaseSettingsLimitTheVoltageRulesButNotTheOutageRule)
{
    all_threshold_rules_on();
    const struct {
        const char* what;
        bool a, b, c;
        ac_input first, second;
        const char* states;
    } cases[] = {
        {"high phase A absent", false, true, true, {300, 230, 230, 50}, {230, 230, 230, 50}, "00000000"},
        {"high phase A present", true, true, true, {300, 230, 230, 50}, {230, 230, 230, 50}, "10000000"},
        {"low phase B absent", true, false, true, {230, 230, 230, 50}, {230, 100, 230, 50}, "00000000"},
        {"low phase B present", true, true, true, {230, 230, 230, 50}, {230, 100, 230, 50}, "01000000"},
        {"absent phases still count for outage", false, false, false, {100, 100, 100, 50}, {100, 100, 100, 50},
         "00100000"},
    };
    for (const auto& c : cases) {
        set_phases(c.a, c.b, c.c);
        set_inputs(c.first, c.second);
        device.data_.dc.out_v.set(53.5f);
        judge();
        EXPECT_EQ(states(), c.states) << c.what;
    }
}

TEST_F(SystemRules, MissingLimitsActAsZeroAndJoinTheThresholdMap)
{
    device.b_mode_ = 2;
    device.has_dc = true;
    for (const char* id : ALL_RULES) {
        device.level_map_[id] = 1;
    }
    const struct {
        ac_input first;
        float udc;
        const char* states;
    } cases[] = {
        {{230, 230, 230, 50}, 53.5f, "00010001"},
        {{230, 230, 230, 0}, 0.0f, "00000000"},
        {{230, 230, 230, -1}, -1.0f, "00000110"},
    };
    for (const auto& c : cases) {
        set_inputs(c.first, {0, 0, 0, 0});
        device.data_.dc.out_v.set(c.udc);
        judge();
        EXPECT_EQ(states(), c.states) << c.first.f << " " << c.udc;
    }
    EXPECT_EQ(device.threshold_map_, (std::map<std::string, float>{{OVER_FREQUENCY, 0.0f},
                                                                   {UNDER_FREQUENCY, 0.0f},
                                                                   {DC_LOW, 0.0f},
                                                                   {DC_VERY_LOW, 0.0f},
                                                                   {DC_HIGH, 0.0f}}));
}

TEST_F(SystemRules, SectionSettingsChooseWhichRulesReport)
{
    all_threshold_rules_on();
    device.level_map_[DC_LOW] = 1;
    device.level_map_[DC_VERY_LOW] = 2;
    device.level_map_[DC_HIGH] = 3;
    const struct {
        bool has_ac, has_dc;
        std::vector<std::string> ids;
    } cases[] = {
        {true, true, {ALL_RULES, ALL_RULES + 8}},
        {true, false, {ALL_RULES, ALL_RULES + 5}},
        {false, true, {DC_LOW, DC_VERY_LOW, DC_HIGH}},
        {false, false, {}},
    };
    for (const auto& c : cases) {
        device.has_ac = c.has_ac;
        device.has_dc = c.has_dc;
        judge();
        EXPECT_EQ(reported_ids(), c.ids) << c.has_ac << c.has_dc;
    }
    device.has_dc = true;
    judge();
    ASSERT_EQ(host.reports.size(), 3u);
    EXPECT_EQ(host.reports[0].level, 1);
    EXPECT_EQ(host.reports[1].level, 2);
    EXPECT_EQ(host.reports[2].level, 3);
}

TEST_F(SystemRules, DcTextShowsNineSignificantDigits)
{
    device.b_mode_ = 2;
    device.has_ac = false;
    device.has_dc = true;
    device.level_map_[DC_HIGH] = 1;
    const struct {
        float udc;
        const char* text;
    } cases[] = {{53.5f, "53.5"}, {53.2f, "53.2000008"}, {0.0f, "0"}, {-48.1f, "-48.0999985"}};
    for (const auto& c : cases) {
        device.data_.dc.out_v.set(c.udc);
        judge();
        ASSERT_EQ(host.reports.size(), 1u);
        EXPECT_EQ(host.reports[0].desc, c.text);
    }
}
