// The model's alarm rules on the user-defined bytes: which AC inputs and
// rectifier modules report, their numbering within the round, and the states.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/device_fixture.h"

namespace {

class ModelRules : public DeviceTest {
protected:
    ModelRules() { device.b_mode_ = 3; }  // no system rule unless a test asks for one

    // Runs the alarm evaluation as round completion does.
    void judge()
    {
        host.clear();
        device.alarm_seq_ = 1;
        device.RunCheckThreshold();
    }

    void set_ac_input(int n, std::uint8_t count, const std::vector<std::uint8_t>& bytes)
    {
        auto& block = device.data_.ac.acChannel[n - 1];
        block.p40_44_count = count;
        std::memcpy(block.p40_44, bytes.data(), bytes.size());
    }

    void set_module(int m, std::uint8_t count, std::uint8_t state)
    {
        auto& block = device.data_.rc.rcChannel[m - 1];
        block.p41_44_count = count;
        block.p41_44[0] = state;
    }

    // "<seq> <key> <desc> <name> <state>" per report, for compact comparisons.
    std::vector<std::string> summary() const
    {
        std::vector<std::string> lines;
        for (const auto& r : host.reports) {
            lines.push_back(std::to_string(r.seq) + " " + r.key + " " + r.desc + " " + r.name + " " +
                            (r.state ? "1" : "0"));
        }
        return lines;
    }
};

}  // namespace

TEST_F(ModelRules, InputsThenModulesAreNumberedAfterTheSystemRules)
{
    device.b_mode_ = 1;
    device.data_.ac.channel_count = 2;
    set_ac_input(1, 5, hex("05 E0 E1 00 00"));
    set_ac_input(2, 5, hex("E0 05 E1 05 05"));
    device.data_.rc.channel_count = 2;
    set_module(1, 1, 0x01);
    set_module(2, 1, 0x02);
    judge();
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{
                  "CheckThresholdBool 1 PowerOff 419415001 '输入电源中断告警' 输入电源中断告警 true 100",
                  "CheckThresholdBool 1 QORV52_R874V41_AC_0 419410701 '第1路交流输入-输入告警' 交流输入空开跳告警 true 1",
                  "CheckThresholdBool 1 QORV52_R874V41_AC_1 419415001 '第1路交流输入-输入告警' 交流输入停电告警 true 2",
                  "CheckThresholdBool 2 QORV52_R874V41_AC_2 419410901 '第1路交流输入-输入告警' 防雷器故障告警 true 3",
                  "CheckThresholdBool 1 QORV52_R874V41_AC_0 419410701 '第2路交流输入-输入告警' 交流输入空开跳告警 false 4",
                  "CheckThresholdBool 1 QORV52_R874V41_AC_1 419415001 '第2路交流输入-输入告警' 交流输入停电告警 false 5",
                  "CheckThresholdBool 2 QORV52_R874V41_AC_2 419410901 '第2路交流输入-输入告警' 防雷器故障告警 true 6",
                  "CheckThresholdBool 3 P716SRC_0 419430501 '1' 模块1模块故障告警状态 true 7",
                  "CheckThresholdBool 3 P716SRC_0 419430501 '1' 模块2模块故障告警状态 false 8",
              }));
    EXPECT_EQ(device.alarm_seq_, 9);
}

TEST_F(ModelRules, IncompleteUserBytesSkipTheirInputOrModuleWithoutTakingANumber)
{
    device.data_.ac.channel_count = 2;
    set_ac_input(1, 4, hex("05 E0 E1 00 00"));
    set_ac_input(2, 5, hex("00 00 00 00 00"));
    device.data_.rc.channel_count = 3;
    set_module(1, 0, 0x01);
    set_module(2, 2, 0x01);
    set_module(3, 1, 0x01);
    judge();
    EXPECT_EQ(summary(), (std::vector<std::string>{
                             "1 QORV52_R874V41_AC_0 第2路交流输入-输入告警 交流输入空开跳告警 0",
                             "2 QORV52_R874V41_AC_1 第2路交流输入-输入告警 交流输入停电告警 0",
                             "3 QORV52_R874V41_AC_2 第2路交流输入-输入告警 防雷器故障告警 0",
                             "4 P716SRC_0 1 模块3模块故障告警状态 1",
                         }));
}

TEST_F(ModelRules, OnlyTheExactAlarmCodeMakesARuleActive)
{
    const struct {
        const char* bytes;
        const char* states;
    } cases[] = {
        {"05 E0 E1 00 00", "111"}, {"E0 05 E1 00 00", "001"}, {"00 00 00 E1 E0", "000"},
        {"04 E1 E0 00 00", "000"}, {"85 60 61 00 00", "000"}, {"05 E0 E0 00 00", "110"},
    };
    device.data_.ac.channel_count = 1;
    for (const auto& c : cases) {
        set_ac_input(1, 5, hex(c.bytes));
        judge();
        std::string states;
        for (const auto& r : host.reports) {
            states += r.state ? '1' : '0';
        }
        EXPECT_EQ(states, c.states) << c.bytes;
    }
    device.data_.ac.channel_count = 0;
    device.data_.rc.channel_count = 1;
    for (int state : {0x00, 0x02, 0x11, 0xFF}) {
        set_module(1, 1, static_cast<std::uint8_t>(state));
        judge();
        ASSERT_EQ(host.reports.size(), 1u);
        EXPECT_FALSE(host.reports[0].state) << state;
    }
}

TEST_F(ModelRules, WithoutAcDistributionModulesAreNumberedFromOne)
{
    device.has_ac = false;
    device.data_.ac.channel_count = 2;
    set_ac_input(1, 5, hex("05 E0 E1 00 00"));
    device.data_.rc.channel_count = 1;
    set_module(1, 1, 0x01);
    judge();
    EXPECT_EQ(summary(), std::vector<std::string>{"1 P716SRC_0 1 模块1模块故障告警状态 1"});
}

TEST_F(ModelRules, NoCountedInputsOrModulesLeaveOnlyTheSystemReports)
{
    device.b_mode_ = 1;
    set_ac_input(1, 5, hex("05 E0 E1 00 00"));
    set_module(1, 1, 0x01);
    judge();
    ASSERT_EQ(host.reports.size(), 1u);
    EXPECT_EQ(host.reports[0].key, "PowerOff");
    EXPECT_EQ(device.alarm_seq_, 1);
}

TEST_F(ModelRules, CountsBeyondTheRecordReadOnlyTheBlocksItHolds)
{
    device.data_.ac.channel_count = 255;
    set_ac_input(1, 5, hex("00 00 00 00 00"));
    set_ac_input(2, 5, hex("00 00 00 00 00"));
    device.data_.rc.channel_count = 255;
    for (int m = 1; m <= 40; ++m) {
        set_module(m, 1, 0x00);
    }
    // Where a third input block would hold its alarm byte count (record offset
    // 110, inside module 2) and a 41st module block its fault count and state
    // (748 and 749, inside the DC block), the bytes read as complete.
    auto* record = reinterpret_cast<unsigned char*>(&device.data_);
    record[110] = 5;
    record[748] = 1;
    record[749] = 1;
    judge();
    ASSERT_EQ(host.reports.size(), 6u + 40u);
    EXPECT_EQ(host.reports[5].desc, "第2路交流输入-输入告警");
    EXPECT_EQ(host.reports.back().name, "模块40模块故障告警状态");
    EXPECT_EQ(host.reports.back().seq, 46);
}

TEST_F(ModelRules, SequenceNumbersWrapAtSixteenBits)
{
    device.data_.rc.channel_count = 2;
    set_module(1, 1, 0x01);
    set_module(2, 1, 0x01);
    host.clear();
    device.alarm_seq_ = 65535;
    device.RunCheckThreshold();
    ASSERT_EQ(host.reports.size(), 2u);
    EXPECT_EQ(host.reports[0].seq, 65535);
    EXPECT_EQ(host.reports[1].seq, 0);
}
