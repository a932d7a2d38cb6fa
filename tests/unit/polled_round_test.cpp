// A whole poll round through the host stand-in, from the refresh to the
// stored history entry, and the answer to a control command arriving as a
// reply outside the poll steps.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/device_fixture.h"

namespace {

class PolledRound : public DeviceTest {
protected:
    PolledRound()
    {
        device.b_mode_ = 2;
        device.level_map_["220600120010"] = 2;  // AC over-voltage
        device.level_map_["220600160010"] = 1;  // AC over-frequency
        device.threshold_map_["220600160010"] = 55.0f;
    }

    // Replies of a power system with one AC input, one rectifier module and
    // flag bytes of 0: a first round still reads every status and alarm block.
    void run_first_round()
    {
        ASSERT_EQ(device.RefreshStatus(), 1);
        EXPECT_EQ(reply(hex("00 01 00006643 00006743 00006543 00004842 00 00000000 00000000 00000000")), 1);
        EXPECT_EQ(reply(hex("00 00 00")), 1);
        EXPECT_EQ(reply(hex("00 01 00000000 00 05 05E0E10000 00000000 00 00 000000")), 1);
        EXPECT_EQ(reply(hex("00 00005642 01 00002041 01 00000000")), 1);
        EXPECT_EQ(reply(hex("00 01 010203 00")), 1);
        EXPECT_EQ(reply(hex("00 01 00 01 01")), 0);
    }

    // The record the replies above leave, stamped 2026-01-01 00:00:00.
    static std::vector<std::uint8_t> expected_record()
    {
        qorv52_419_Data_t r{};
        r.ac.channel_count = 1;
        auto& input = r.ac.acChannel[0];
        input.a.set(230.0f);
        input.b.set(231.0f);
        input.c.set(229.0f);
        input.f.set(50.0f);
        input.p40_44_count = 5;
        const std::uint8_t alarm_bytes[5] = {0x05, 0xE0, 0xE1, 0x00, 0x00};
        std::memcpy(input.p40_44, alarm_bytes, sizeof alarm_bytes);
        r.rc.out_v.set(53.5f);
        r.rc.channel_count = 1;
        auto& module = r.rc.rcChannel[0];
        module.current.set(10.0f);
        module.p41_41_count = 1;
        module.state_1 = 1;
        module.state_2 = 2;
        module.state_3 = 3;
        module.p41_44_count = 1;
        module.p41_44[0] = 0x01;
        const std::uint8_t stamp[7] = {0xEA, 0x07, 0x01, 0x01, 0x00, 0x00, 0x00};
        std::memcpy(r.round_time, stamp, sizeof stamp);
        std::vector<std::uint8_t> bytes(sizeof r);
        std::memcpy(bytes.data(), &r, bytes.size());
        return bytes;
    }

    std::int32_t acknowledgement()
    {
        std::int32_t value = 0;
        int used = 0;
        device.DeviceIoControl(0, nullptr, 0, &value, 4, used);
        return value;
    }
};

}  // namespace

TEST_F(PolledRound, FirstRoundEndsWithPublicationAlarmsAndHistory)
{
    const std::string out = printed_by([&] { run_first_round(); });

    const std::string volts = "'ua1:230 ub1:231 uc1:229 ua2:0 ub2:0 uc2:0'";
    EXPECT_EQ(host.calls,
              (std::vector<std::string>{
                  "send 40/41 01",
                  "send 40/43 01",
                  "send 40/44 01",
                  "send 41/41 -",
                  "send 41/43 -",
                  "send 41/44 -",
                  "SendSP 5535 1003 false",
                  "Reset",
                  "CheckThresholdBool 2 220600120010 220600120010 " + volts +
                      " 001#48V直流系统交流输入电压过高告警 false 1",
                  "CheckThresholdBool 1 220600160010 220600160010 'f1:50 f2:0' "
                  "001#48V直流系统交流输入频率过高告警 false 1",
                  "CheckThresholdBool 1 QORV52_R874V41_AC_0 419410701 '第1路交流输入-输入告警' 交流输入空开跳告警 true 1",
                  "CheckThresholdBool 1 QORV52_R874V41_AC_1 419415001 '第1路交流输入-输入告警' 交流输入停电告警 true 2",
                  "CheckThresholdBool 2 QORV52_R874V41_AC_2 419410901 '第1路交流输入-输入告警' 防雷器故障告警 true 3",
                  "CheckThresholdBool 3 P716SRC_0 419430501 '1' 模块1模块故障告警状态 true 4",
                  "DoBatchCheckThreshold 0",
                  "SaveDeviceHistory 1003",
                  "Reset",
              }));
    const auto expected = expected_record();
    EXPECT_EQ(host.published, std::vector<std::vector<std::uint8_t>>{expected});
    EXPECT_EQ(host.history, std::vector<std::vector<std::uint8_t>>{expected});
    EXPECT_EQ(record_bytes(), expected);
    EXPECT_NE(out.find("rvSize is 0\n"), std::string::npos);
    EXPECT_EQ(device.poll_step_, 10);
    EXPECT_EQ(device.data_ready_, 1);
    printed_by([&] { EXPECT_EQ(device.Get_Value(0, "ac"), 0.0f); });
}

TEST_F(PolledRound, ReplyBetweenRoundsAnswersTheRemoteControlCommand)
{
    printed_by([&] { run_first_round(); });
    int used = 0;
    EXPECT_EQ(device.DeviceIoControl(320, "419500201001", 12, nullptr, 0, used), 0);
    EXPECT_EQ(acknowledgement(), -1);
    const auto before = record_bytes();
    host.clear();
    EXPECT_EQ(reply(hex("00")), 0);
    EXPECT_EQ(acknowledgement(), 1);
    EXPECT_EQ(record_bytes(), before);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(PolledRound, DateAndTimeCommandTakesTheNextReplyAsItsAnswerMidRound)
{
    printed_by([&] { ASSERT_EQ(device.RefreshStatus(), 1); });
    int used = 0;
    const auto date_time = hex("E9 07 0C 08 05 1E 2D");
    EXPECT_EQ(device.DeviceIoControl(300, date_time.data(), 7, nullptr, 0, used), 0);
    EXPECT_EQ(acknowledgement(), -1);
    const auto before = record_bytes();
    // This reply would have been the AC analog answer; it is the command's now.
    EXPECT_EQ(reply(hex("00 01 00006643 00006743 00006543 00004842 00 00000000 00000000 00000000")), 0);
    EXPECT_EQ(acknowledgement(), 1);
    EXPECT_EQ(record_bytes(), before);
    EXPECT_EQ(describe(host.sent), (std::vector<std::string>{"40/41 01", "41/4e e9 07 0c 08 05 1e 2d"}));
}

TEST_F(PolledRound, RemoteControlAnswerDuringARoundGoesToThePollStep)
{
    printed_by([&] { ASSERT_EQ(device.RefreshStatus(), 1); });
    int used = 0;
    EXPECT_EQ(device.DeviceIoControl(320, "419500600001", 12, nullptr, 0, used), 0);
    printed_by([&] {
        EXPECT_EQ(reply(hex("00 01 00006643 00006743 00006543 00004842 00 00000000 00000000 00000000")), 1);
    });
    EXPECT_EQ(acknowledgement(), -1);
    EXPECT_EQ(device.poll_step_, 1);
    EXPECT_EQ(device.data_.ac.acChannel[0].a.get(), 230.0f);
}
