// Completing a round: what the host receives and in which order, the round
// time stamped into the record, and the cache load that completes a round.
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <boost/date_time/posix_time/posix_time.hpp>
#include <gtest/gtest.h>

#include "tests/support/device_fixture.h"
#include "tools/clock_seam/clock_seam.h"

namespace {

using RoundCompletion = DeviceTest;
using boost::posix_time::time_from_string;

constexpr std::size_t ROUND_TIME = 865;

// A cached record from a real round: one live AC input whose breaker-trip
// byte is set, one faulty rectifier module, an old round time and some bytes
// in the reserved gaps that must come through untouched.
std::vector<std::uint8_t> cached_record()
{
    qorv52_419_Data_t record{};
    record.data_id.set(7);
    record.ac.channel_count = 1;
    record.ac.acChannel[0].a.set(230.0f);
    record.ac.acChannel[0].b.set(231.0f);
    record.ac.acChannel[0].c.set(229.0f);
    record.ac.acChannel[0].f.set(50.0f);
    record.ac.acChannel[0].p40_44_count = 5;
    const std::uint8_t ac_bytes[5] = {0x05, 0x00, 0x00, 0x00, 0x00};
    std::memcpy(record.ac.acChannel[0].p40_44, ac_bytes, sizeof ac_bytes);
    record.rc.channel_count = 1;
    record.rc.rcChannel[0].p41_44_count = 1;
    record.rc.rcChannel[0].p41_44[0] = 0x01;
    record.dc.out_v.set(53.5f);
    std::memset(record.round_time, 0xFF, sizeof record.round_time);
    const std::uint8_t reserved[4] = {1, 2, 3, 4};
    std::memcpy(record.reserved_872, reserved, sizeof reserved);

    std::vector<std::uint8_t> bytes(sizeof record);
    std::memcpy(bytes.data(), &record, bytes.size());
    return bytes;
}

// The record as published: the cached bytes with the load time as round time.
std::vector<std::uint8_t> stamped(std::vector<std::uint8_t> bytes, const std::string& seven_bytes)
{
    const auto stamp = hex(seven_bytes);
    std::copy(stamp.begin(), stamp.end(), bytes.begin() + ROUND_TIME);
    return bytes;
}

const std::vector<std::string> cached_round_calls = {
    "SendSP 5535 1003 false",
    "Reset",
    "CheckThresholdBool 1 PowerOff 419415001 '输入电源中断告警' 输入电源中断告警 false 100",
    "CheckThresholdBool 1 QORV52_R874V41_AC_0 419410701 '第1路交流输入-输入告警' 交流输入空开跳告警 true 1",
    "CheckThresholdBool 1 QORV52_R874V41_AC_1 419415001 '第1路交流输入-输入告警' 交流输入停电告警 false 2",
    "CheckThresholdBool 2 QORV52_R874V41_AC_2 419410901 '第1路交流输入-输入告警' 防雷器故障告警 false 3",
    "CheckThresholdBool 3 P716SRC_0 419430501 '1' 模块1模块故障告警状态 true 4",
    "CheckAOReport 419001 53.5",
    "CheckThreshold 419001 '' 53.5 1",
    "CheckAOReport 419003 -2",
    "CheckThreshold 419003 '' -2 1",
    "DoBatchCheckThreshold 2",
    "SaveDeviceHistory 1003",
};

}  // namespace

TEST_F(RoundCompletion, CacheLoadPublishesJudgesAndStoresTheRecordInOrder)
{
    const auto cache = cached_record();
    const std::string cache_text(cache.begin(), cache.end());
    const auto expected = stamped(cache, "EA 07 01 01 00 00 00");
    for (bool as_text : {false, true}) {
        SCOPED_TRACE(as_text ? "from text" : "from bytes");
        host.clear();
        device.data_ = qorv52_419_Data_t{};
        device.ao_signals_ = {"419001", "419002", "419003"};
        device.ao_values_ = {{"419001", 53.5f}, {"419003", -2.0f}};  // 419002 has no value: skipped
        device.pending_rules_.resize(2);

        int result = 0;
        const std::string out = printed_by(
            [&] { result = as_text ? device.LoadFromCache(cache_text) : device.LoadFromCache(cache.data(), 1003); });

        EXPECT_EQ(result, 1);
        EXPECT_EQ(out, "rvSize is 2\n");
        EXPECT_EQ(host.calls, cached_round_calls);
        EXPECT_EQ(host.published, std::vector<std::vector<std::uint8_t>>{expected});
        EXPECT_EQ(host.history, std::vector<std::vector<std::uint8_t>>{expected});
        EXPECT_EQ(record_bytes(), expected);
        EXPECT_EQ(device.data_ready_, 1);
        EXPECT_EQ(device.last_round_time_, time_from_string("2026-01-01 00:00:00"));
        EXPECT_TRUE(device.pending_rules_.empty());
    }
}

TEST_F(RoundCompletion, CacheOfAnyOtherLengthOrWithoutDataIsRefusedWithoutTrace)
{
    const auto cache = cached_record();
    std::vector<std::uint8_t> longer = cache;
    longer.push_back(0);
    const struct {
        const char* what;
        const unsigned char* data;
        int length;
    } cases[] = {
        {"1002 bytes", cache.data(), 1002}, {"1004 bytes", longer.data(), 1004}, {"empty", cache.data(), 0},
        {"negative length", cache.data(), -1003}, {"null data", nullptr, 1003},
    };
    const auto before = record_bytes();
    for (const auto& c : cases) {
        int result = -1;
        const std::string out = printed_by([&] { result = device.LoadFromCache(c.data, c.length); });
        EXPECT_EQ(result, 0) << c.what;
        EXPECT_EQ(out, "") << c.what;
    }
    EXPECT_EQ(device.LoadFromCache(std::string(1002, '\x01')), 0);
    EXPECT_EQ(device.LoadFromCache(std::string(1004, '\x01')), 0);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(record_bytes(), before);
    EXPECT_EQ(device.data_ready_, 0);
    EXPECT_TRUE(device.last_round_time_.is_not_a_date_time());
}

TEST_F(RoundCompletion, EachRoundStampsItsOwnTimeAndNumbersItsAlarmsFromOne)
{
    device.b_mode_ = 3;  // no system rule: only the module rule reports
    device.data_.rc.channel_count = 1;
    device.data_.rc.rcChannel[0].p41_44_count = 1;

    printed_by([&] { device.RoundDone(); });
    clock_seam::advance(3600 + 65);
    printed_by([&] { device.RoundDone(); });

    ASSERT_EQ(host.published.size(), 2u);
    const auto round_time = [](const std::vector<std::uint8_t>& record) {
        return std::vector<std::uint8_t>(record.begin() + ROUND_TIME, record.begin() + ROUND_TIME + 7);
    };
    EXPECT_EQ(round_time(host.published[0]), hex("EA 07 01 01 00 00 00"));
    EXPECT_EQ(round_time(host.published[1]), hex("EA 07 01 01 01 01 05"));
    EXPECT_EQ(round_time(host.history[1]), hex("EA 07 01 01 01 01 05"));
    EXPECT_EQ(device.last_round_time_, time_from_string("2026-01-01 01:01:05"));
    ASSERT_EQ(host.reports.size(), 2u);
    EXPECT_EQ(host.reports[0].seq, 1);
    EXPECT_EQ(host.reports[1].seq, 1);
    EXPECT_EQ(device.alarm_seq_, 2);
}

TEST_F(RoundCompletion, RoundChangeFlagCollectsTheReportAndBatchAnswersOfThisRound)
{
    const struct {
        bool was_changed, ao_answer, batch_answer, changed;
    } cases[] = {
        {true, false, false, false},
        {false, true, false, true},
        {false, false, true, true},
        {false, true, true, true},
    };
    device.ao_signals_ = {"419001"};
    device.ao_values_ = {{"419001", 1.0f}};
    for (const auto& c : cases) {
        device.round_changed_ = c.was_changed;
        host.answers.ao_report = c.ao_answer;
        host.answers.batch = c.batch_answer;
        printed_by([&] { device.RoundDone(); });
        EXPECT_EQ(device.round_changed_, c.changed)
            << c.was_changed << " " << c.ao_answer << " " << c.batch_answer;
    }
}

TEST_F(RoundCompletion, AHostCallThatThrowsDuringTheAlarmRulesEndsTheRoundThere)
{
    struct failing_host : RecordingObserver {
        void on_check_threshold_bool(int level, const std::string& key, const std::string& id,
                                     const std::string& desc, const std::string& name, bool state,
                                     unsigned short seq) override
        {
            RecordingObserver::on_check_threshold_bool(level, key, id, desc, name, state, seq);
            throw std::runtime_error("alarm store full");
        }
    } failing;
    device.set_observer(&failing);
    device.poll_step_ = 6;  // the rectifier alarms, the last request without DC distribution
    bool thrown = false;
    printed_by([&] {
        try {
            reply(hex("00"));
        } catch (const std::runtime_error&) {
            thrown = true;
        }
    });
    EXPECT_TRUE(thrown) << "the host's exception reaches the host's loop";
    device.set_observer(&host);

    ASSERT_EQ(failing.calls.size(), 3u);
    EXPECT_EQ(failing.calls[0], "SendSP 5535 1003 false");
    EXPECT_EQ(failing.calls[1], "Reset");
    EXPECT_EQ(failing.calls[2].rfind("CheckThresholdBool ", 0), 0u) << failing.calls[2];
    EXPECT_EQ(device.poll_step_, 6) << "the round end after RoundDone did not run";
}

TEST_F(RoundCompletion, QuietRoundStillRunsTheBatchCheckOnce)
{
    device.has_ac = false;  // the power-off rule has nothing to judge
    const std::string out = printed_by([&] { device.RoundDone(); });
    EXPECT_EQ(out, "rvSize is 0\n");
    EXPECT_EQ(host.calls, (std::vector<std::string>{"SendSP 5535 1003 false", "Reset", "DoBatchCheckThreshold 0",
                                                    "SaveDeviceHistory 1003"}));
    EXPECT_EQ(device.data_ready_, 1);
}
