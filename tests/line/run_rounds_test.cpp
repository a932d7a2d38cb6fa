// What plugin-host run makes of a round: alarm changes from round to round,
// the history file, and the summaries of records that announce more than
// the record holds.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>

#include <gtest/gtest.h>
#include <json/reader.h>

#include "tools/plugin-host/run/run_rounds.h"
#include "tools/plugin-host/run/run_summary.h"

using plugin_host::summary_json;
using plugin_host::summary_text;
using plugin_host::RoundTiming;
using plugin_host::AlarmReport;
using plugin_host::RoundCollector;
using plugin_host::RoundView;

namespace {

void report(RoundCollector& collector, const std::string& name, const std::string& desc, bool state)
{
    collector.on_check_threshold_bool(1, "K", "419415001", desc, name, state, 1);
}

std::vector<std::string> names(const std::vector<AlarmReport>& alarms)
{
    std::vector<std::string> out;
    for (const AlarmReport& alarm : alarms) {
        out.push_back(alarm.name + "|" + alarm.desc);
    }
    return out;
}

}  // namespace

TEST(RunRounds, AlarmsAreRaisedAndClearedPerChannelNotPerReading)
{
    RoundCollector collector;
    collector.begin_round();
    report(collector, "outage", "ua1:0 ub1:0", true);
    report(collector, "input failure", "channel 1", true);
    report(collector, "input failure", "channel 2", false);
    RoundView first = collector.end_round(1, true, 8, 0);
    EXPECT_EQ(names(first.raised), (std::vector<std::string>{"outage|ua1:0 ub1:0", "input failure|channel 1"}));
    EXPECT_TRUE(first.cleared.empty());
    EXPECT_EQ(first.active, 2u);

    collector.begin_round();
    report(collector, "outage", "ua1:0.5 ub1:0", true);  // new reading, same alarm
    report(collector, "input failure", "channel 1", false);
    report(collector, "input failure", "channel 2", true);
    RoundView second = collector.end_round(2, true, 3, 0);
    EXPECT_EQ(names(second.raised), (std::vector<std::string>{"input failure|channel 2"}));
    EXPECT_EQ(names(second.cleared), (std::vector<std::string>{"input failure|channel 1"}));
    EXPECT_EQ(second.active, 2u);
}

TEST(RunRounds, HistoryHoldsEveryPublishedRecordBackToBack)
{
    const std::string path = ::testing::TempDir() + "run_rounds_history.bin";
    std::remove(path.c_str());
    RoundCollector collector;
    std::vector<std::string> said;
    collector.write_history_to(path, 0, "", 0, [&said](const std::string& text) { said.push_back(text); });
    unsigned char record[sizeof(qorv52_419_Data_t)];
    for (int fill : {0x11, 0x22}) {
        std::memset(record, fill, sizeof record);
        collector.on_send_sp(5535, record, sizeof record, false);
    }
    collector.on_send_sp(5535, record, 12, false);  // not a record of this device
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 2 * sizeof record);
    EXPECT_EQ(bytes[0], 0x11);
    EXPECT_EQ(bytes[sizeof record], 0x22);
    EXPECT_TRUE(said.empty());
    std::remove(path.c_str());
}

TEST(RunRounds, SummariesStayWithinTheBlocksTheRecordHolds)
{
    RoundView round;
    round.number = 4;
    round.completed = true;
    round.has_record = true;
    round.record.ac.channel_count = 7;
    round.record.ac.acChannel[0].a.set(std::numeric_limits<float>::quiet_NaN());
    round.record.ac.acChannel[1].f.set(50.0f);
    round.record.rc.channel_count = 42;
    round.record.rc.rcChannel[39].current.set(3.0f);
    round.record.rc.rcChannel[39].p41_44_count = 1;
    round.record.rc.rcChannel[39].p41_44[0] = 1;
    round.record.dc.out_v.set(53.5f);
    round.record.dc.m_count = 9;  // more than the record holds: no battery values shown
    round.record.dc2.out_v_alert = 1;  // a second unit whose bus is at 0 V
    round.timing = RoundTiming{2184.46, 2180.04};

    const std::string text = summary_text(round);
    EXPECT_NE(text.find("sum of 40 of 42 modules"), std::string::npos) << text;
    EXPECT_NE(text.find("DC 2    0.00 V"), std::string::npos) << text;
    EXPECT_NE(text.find("40   3.0 A FAULT"), std::string::npos) << text;
    EXPECT_EQ(text.find("AC 3"), std::string::npos) << text;
    EXPECT_EQ(text.find("battery"), std::string::npos) << text;
    EXPECT_NE(text.find("in 2184 ms, 2180 ms to the last reply"), std::string::npos) << text;

    Json::Value json;
    ASSERT_TRUE(Json::Reader().parse(summary_json(round), json));
    EXPECT_EQ(json["round"].asInt(), 4);
    EXPECT_EQ(json["ac"].size(), 2u);
    EXPECT_TRUE(json["ac"][0]["a"].isNull());
    EXPECT_EQ(json["ac"][1]["f"].asDouble(), 50.0);
    EXPECT_EQ(json["rectifier"]["count"].asInt(), 42);
    EXPECT_EQ(json["rectifier"]["held"].asInt(), 40);
    EXPECT_EQ(json["dc"].size(), 2u);
    EXPECT_EQ(json["rectifier"]["modules"].size(), 40u);
    EXPECT_TRUE(json["rectifier"]["modules"][39]["fault"].asBool());
    EXPECT_EQ(json["dc"][0]["out_v"].asDouble(), 53.5);
    EXPECT_EQ(json["duration_ms"].asDouble(), 2184.5);
    EXPECT_EQ(json["line_ms"].asDouble(), 2180.0);

    // A round that got no reply at all still tells how long it waited.
    round.completed = false;
    round.timing.line_ms.reset();
    EXPECT_NE(summary_text(round).find("round 4  not completed (0 faults, see standard error)  in 2184 ms\n"),
              std::string::npos);
    ASSERT_TRUE(Json::Reader().parse(summary_json(round), json));
    EXPECT_TRUE(json["line_ms"].isNull());
}
