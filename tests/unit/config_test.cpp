// Device configuration: which keys set what, the atoi rule, the threshold
// mapping tables, and the exact lines printed on the way.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "device/config_value.h"
#include "tests/support/device_fixture.h"

using Configuration = DeviceTest;

TEST(AtoiRule, MatchesAtoiInRangeAndClampsBeyond)
{
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"12", 12},          {" \t12abc", 12},   {"+7", 7},
        {"-5", -5},          {"abc", 0},         {"", 0},
        {"- 5", 0},          {"0x10", 0},        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN}, {"2147483648", INT_MAX}, {"99999999999999999999", INT_MAX},
        {"-99999999999", INT_MIN}, {"007", 7},   {"3.9", 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(device::atoi_rule(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST_F(Configuration, DocumentsWithoutAnAppSettingObjectChangeNothingAndPrintNothing)
{
    for (const char* doc : {"{}", R"({"appSetting":[1,2]})", R"({"appSetting":"has_ac"})",
                            R"({"appSetting":null})", "[1,2,3]", "\"text\"", "42"}) {
        int result = 0;
        const std::string out = printed_by([&] { result = configure(doc); });
        EXPECT_EQ(result, 1) << doc;
        EXPECT_EQ(out, "") << doc;
        EXPECT_TRUE(device.has_ac);
        EXPECT_FALSE(device.has_dc);
        EXPECT_EQ(device.no_dc_number, -1);
        EXPECT_EQ(device.b_mode_, 1);
    }
}

TEST_F(Configuration, AppSettingKeysSetTheirMembers)
{
    device.data_id_ = 7;
    const std::string out = printed_by([&] {
        configure(R"({"appSetting":{"has_ac":"0","has_dc":"1","no_dc_number":"2","has_a":"0",
                      "has_b":"x","has_c":"5","dc_i_adjust":"-3","b_mode":"2"}})");
    });
    EXPECT_EQ(out, "InitSetting 7 b_mode_:2\n");
    EXPECT_FALSE(device.has_ac);
    EXPECT_TRUE(device.has_dc);
    EXPECT_EQ(device.no_dc_number, 2);
    EXPECT_FALSE(device.has_a);
    EXPECT_FALSE(device.has_b);
    EXPECT_TRUE(device.has_c);
    EXPECT_EQ(device.dc_i_adjust, -3);
    EXPECT_EQ(device.b_mode_, 2);
    EXPECT_EQ(device.data_.data_id.get(), 7);
}

TEST_F(Configuration, AbsentOrNullKeysKeepWhatWasSetBefore)
{
    configure(R"({"appSetting":{"has_dc":"1","no_dc_number":"1","b_mode":"2"}})");
    const std::string out = printed_by([&] { configure(R"({"appSetting":{"has_dc":null,"has_ac":"0"}})"); });
    EXPECT_EQ(out, "InitSetting 0 b_mode_:2\n");
    EXPECT_TRUE(device.has_dc);
    EXPECT_FALSE(device.has_ac);
    EXPECT_EQ(device.no_dc_number, 1);
}

TEST_F(Configuration, NonTextValuesGoThroughTheJsonTextConversion)
{
    configure(R"({"appSetting":{"has_dc":1,"b_mode":2.5,"no_dc_number":true,"dc_i_adjust":-4}})");
    EXPECT_TRUE(device.has_dc);
    EXPECT_EQ(device.b_mode_, 2);
    EXPECT_EQ(device.no_dc_number, 0);  // "true" has no leading digits
    EXPECT_EQ(device.dc_i_adjust, -4);
}

TEST_F(Configuration, ModeThreeWithoutThresholdSettingPrintsOnlyHereOne)
{
    device.data_id_ = 12;
    const std::string out = printed_by([&] { configure(R"({"appSetting":{"b_mode":"3"}})"); });
    EXPECT_EQ(out, "InitSetting 12 b_mode_:3\nhere 1\n");
}

TEST_F(Configuration, ThresholdEntriesFillTheMappingTablesAndReportMissingFields)
{
    device.data_id_ = 9;
    device.level_map_["k1"] = 2;
    device.threshold_map_["k1"] = 1.5f;
    const std::string out = printed_by([&] {
        configure(R"({"appSetting":{"b_mode":"3"},
                      "thresholdSetting":{
                        "k1":{"SignalName":"DC voltage","NMAlarmID":"A1","ID":"I1","SignalNumber":"S1"},
                        "k2":{"NMAlarmID":"A2"},
                        "k3":5}})");
    });
    EXPECT_EQ(out,
              "InitSetting 9 b_mode_:3\n"
              "here 1\n"
              "here 2\n"
              "here k1\n"
              "mobile:k1:A1;I1;S1; level:2 value:1.5\n"
              "here k2\n"
              "9 ID is missing\n"
              "9 SignalNumber is missing\n"
              "mobile:k2:A2;;; level:0 value:0\n"
              "here k3\n");
    EXPECT_EQ(device.alarm_mapping_.at("k1"), "A1;I1;S1;");
    EXPECT_EQ(device.alarm_mapping_.at("k2"), "A2;;;");
    EXPECT_EQ(device.alarm_mapping_.count("k3"), 0u);
    EXPECT_EQ(device.signal_names_.at("k1"), "DC voltage");
    EXPECT_EQ(device.signal_names_.count("k2"), 0u);
    // The lookups insert the keys the host did not know yet.
    EXPECT_EQ(device.level_map_.count("k2"), 1u);
    EXPECT_EQ(device.threshold_map_.count("k2"), 1u);
    EXPECT_EQ(device.level_map_.count("k3"), 0u);
}

TEST_F(Configuration, LaterEntriesReplaceEarlierOnesAndModeThreeStaysOn)
{
    configure(R"({"appSetting":{"b_mode":"3"},"thresholdSetting":{"k":{"NMAlarmID":"old","ID":"1","SignalNumber":"2"}}})");
    // b_mode_ is already 3, so thresholds are read even without "b_mode".
    printed_by([&] { configure(R"({"thresholdSetting":{"k":{"NMAlarmID":"new","ID":"1","SignalNumber":"2"}}})"); });
    EXPECT_EQ(device.alarm_mapping_.at("k"), "new;1;2;");
}

TEST_F(Configuration, ThresholdSettingThatIsNotAnObjectYieldsNoMembers)
{
    const std::string out = printed_by([&] {
        configure(R"({"appSetting":{"b_mode":"3"},"thresholdSetting":"text"})");
    });
    EXPECT_EQ(out, "InitSetting 0 b_mode_:3\nhere 1\nhere 2\n");
    EXPECT_TRUE(device.alarm_mapping_.empty());
}

TEST_F(Configuration, ThresholdsAreIgnoredOutsideModeThree)
{
    const std::string out = printed_by([&] {
        configure(R"({"appSetting":{"b_mode":"2"},"thresholdSetting":{"k":{"NMAlarmID":"A"}}})");
    });
    EXPECT_EQ(out, "InitSetting 0 b_mode_:2\n");
    EXPECT_TRUE(device.alarm_mapping_.empty());
}
