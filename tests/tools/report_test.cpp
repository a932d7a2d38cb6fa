// The report's data side: readings taken out of records, the per-pixel
// reduction, gaps, and the alarm timeline the plug-in judges.
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/plugin_loader.h"
#include "protocol419/record_fields.h"
#include "tools/plugin-host/report/report_alarms.h"
#include "tools/plugin-host/report/report_fields.h"
#include "tools/plugin-host/report/report_gaps.h"
#include "tools/plugin-host/report/report_history.h"
#include "tools/plugin-host/report/report_reduce.h"
#include "tools/plugin-host/report/report_selection.h"
#include "tools/plugin-host/report/report_series.h"
#include "tools/plugin-host/common/device_config.h"
#include "tools/plugin-host/common/run_config.h"

using namespace plugin_host;

namespace {

using Record = std::vector<std::uint8_t>;

Record blank_record() { return Record(protocol419::RECORD_SIZE, 0); }

void set_float(Record& record, const std::string& field, float value, std::size_t item = 0)
{
    std::memcpy(record.data() + report_field_offset(field) + 4 * item, &value, 4);
}

void set_byte(Record& record, const std::string& field, std::uint8_t value, std::size_t item = 0)
{
    record[report_field_offset(field) + item] = value;
}

// 2026-03-01 00:00:00 plus the given seconds (below an hour).
void stamp(Record& record, unsigned seconds)
{
    const std::uint8_t bytes[7] = {0xEA, 0x07, 3, 1, 0, static_cast<std::uint8_t>(seconds / 60),
                                   static_cast<std::uint8_t>(seconds % 60)};
    std::memcpy(record.data() + report_field_offset("round_time"), bytes, 7);
}

void stamp_date(Record& record, unsigned year, unsigned month, unsigned day, unsigned seconds)
{
    const std::uint8_t bytes[7] = {static_cast<std::uint8_t>(year), static_cast<std::uint8_t>(year >> 8),
                                   static_cast<std::uint8_t>(month), static_cast<std::uint8_t>(day),
                                   static_cast<std::uint8_t>(seconds / 3600),
                                   static_cast<std::uint8_t>(seconds / 60 % 60), static_cast<std::uint8_t>(seconds % 60)};
    std::memcpy(record.data() + report_field_offset("round_time"), bytes, 7);
}

// A site with two AC inputs, three modules and one DC unit with two battery groups.
Record site_record()
{
    Record record = blank_record();
    set_float(record, "dc.out_v", 53.5f);
    set_float(record, "dc.out_i", 40.0f);
    set_byte(record, "dc.m_count", 2);
    set_float(record, "dc.m", 1.5f, 0);
    set_float(record, "dc.m", -2.5f, 1);
    set_byte(record, "ac.channel_count", 2);
    for (const std::string channel : {"ac.acChannel[0].", "ac.acChannel[1]."}) {
        for (const std::string phase : {"a", "b", "c"}) {
            set_float(record, channel + phase, 220.0f);
        }
        set_float(record, channel + "f", 50.0f);
        set_byte(record, channel + "p40_44_count", 5);
    }
    set_byte(record, "rc.channel_count", 3);
    for (int module = 0; module < 3; ++module) {
        set_float(record, "rc.rcChannel[" + std::to_string(module) + "].current", 10.0f + static_cast<float>(module));
    }
    return record;
}

std::vector<float> values_of(const SeriesLayout& layout, const Record& record)
{
    std::vector<float> values(layout.series().size());
    layout.extract(record.data(), values.data());
    return values;
}

float value_of(const SeriesLayout& layout, const std::vector<float>& values, const std::string& label)
{
    for (std::size_t i = 0; i < layout.series().size(); ++i) {
        if (layout.series()[i].label == label) {
            return values[i];
        }
    }
    ADD_FAILURE() << "no series " << label;
    return 0;
}

}  // namespace

TEST(ReportSeries, TakesTheReadingsOfTheWidestRecordAndMarksWhatARecordLacks)
{
    Record wide = site_record();
    Record narrow = site_record();
    set_byte(narrow, "rc.channel_count", 2);
    set_byte(narrow, "rc.rcChannel[0].state_1", 1);
    set_byte(narrow, "rc.rcChannel[1].p41_44_count", 1);
    set_byte(narrow, "rc.rcChannel[1].p41_44", 1);
    set_byte(narrow, "dc.m_count", 5);  // more than the record holds: none stored
    HistoryShape shape;
    shape.widen(narrow.data());
    shape.widen(wide.data());
    EXPECT_EQ(shape.modules, 3u);
    EXPECT_EQ(shape.batteries[0], 2u);
    EXPECT_EQ(shape.dc_units, 1u);
    const SeriesLayout layout(shape);

    const std::vector<float> values = values_of(layout, narrow);
    struct Case {
        const char* label;
        float expected;  // NaN: not held by the record
    } const cases[] = {
        {"DC bus voltage", 53.5f},          {"DC battery 2 current", NAN},   {"AC2 phase C", 220.0f},
        {"AC1 frequency", 50.0f},           {"rectifier total current", 21.0f},
        {"module 1 status", 1.0f},          {"module 2 status", 2.0f},      {"module 3 current", NAN},
        {"module 3 status", NAN},
    };
    for (const Case& c : cases) {
        const float value = value_of(layout, values, c.label);
        if (std::isnan(c.expected)) {
            EXPECT_TRUE(std::isnan(value)) << c.label;
        } else {
            EXPECT_EQ(value, c.expected) << c.label;
        }
    }
    EXPECT_EQ(value_of(layout, values_of(layout, wide), "module 3 status"), 0.0f);

    // More modules than the record holds: the total says what it covers.
    Record crowded = site_record();
    set_byte(crowded, "rc.channel_count", 100);
    shape.widen(crowded.data());
    const SeriesLayout crowded_layout(shape);
    EXPECT_EQ(value_of(crowded_layout, values_of(crowded_layout, crowded),
                       "rectifier total current (sum of 40 of 100 modules)"),
              33.0f);
}

TEST(ReportSelection, ChartsInTimeOrderAndLeavesOffTimesUnfitForTheAxis)
{
    // A history written backwards, with a day that does not exist, a date
    // far in the future and a record that was never stamped.
    RecordSelection selection;
    const std::size_t records = 300;
    std::size_t index = 0;
    for (std::size_t i = 0; i < records; ++i) {
        Record record = blank_record();
        stamp_date(record, 2026, 3, 1, static_cast<unsigned>(2 * (records - i)));
        selection.add(record.data(), {0, index++});
        if (i == 10 || i == 20) {
            stamp_date(record, i == 10 ? 2026 : 9999, i == 10 ? 2 : 12, i == 10 ? 30 : 31, 0);
            selection.add(record.data(), {0, index++});
        }
    }
    selection.add(blank_record().data(), {1, 0});
    const ChartedRecords charted = selection.finish();

    ASSERT_EQ(charted.in_time_order.size(), records);
    for (std::size_t i = 1; i < records; ++i) {
        EXPECT_LT(charted.in_time_order[i - 1].time, charted.in_time_order[i].time);
    }
    EXPECT_EQ(charted.steps_back.size(), records - 1);
    EXPECT_EQ(charted.unstamped, 1u);
    ASSERT_EQ(charted.left_off.size(), 2u);
    EXPECT_EQ(charted.left_off[0].place.index, 11u);
    EXPECT_EQ(charted.left_off[0].time + " " + charted.left_off[0].why, "2026-02-30 00:00:00 not a calendar date");
    EXPECT_EQ(charted.left_off[1].place.index, 22u);
    EXPECT_EQ(charted.left_off[1].time + " " + charted.left_off[1].why,
              "9999-12-31 00:00:00 far from the other records");
}

TEST(ReportReduce, KeepsEveryPixelsExtremesAndBreaksLinesAtGaps)
{
    // One series of 100,000 records with one-record dips and spikes and a
    // minute without records, and a status series that is bad for one record.
    const unsigned pixels = 100;
    const std::int64_t records = 100000;
    const auto time_of = [](std::int64_t i) { return i * 2000 + (i >= 70000 ? 60000 : 0); };
    const std::int64_t last = time_of(records - 1);
    const auto pixel_of = [&](std::int64_t time) {
        return static_cast<std::size_t>(std::min<std::int64_t>(time * pixels / last, pixels - 1));
    };
    PixelReducer reducer({false, true}, 0, last, pixels, 6000);
    std::vector<float> lows(pixels, 1e9f), highs(pixels, -1e9f);
    for (std::int64_t i = 0; i < records; ++i) {
        const float value = i % 7919 == 0 ? 40.0f : i % 6007 == 0 ? 60.0f : 53.0f + static_cast<float>(i % 3) * 0.1f;
        const float row[2] = {value, i == 4321 ? 2.0f : 0.0f};
        reducer.add(time_of(i), row);
        const std::size_t pixel = pixel_of(time_of(i));
        lows[pixel] = std::min(lows[pixel], value);
        highs[pixel] = std::max(highs[pixel], value);
    }
    const ReducedRows rows = reducer.finish();
    EXPECT_LE(rows.times.size(), 2 * pixels + 3);  // the gap's pixel in two stretches, and the gap's row
    std::vector<float> seen_low(pixels, 1e9f), seen_high(pixels, -1e9f);
    int gap_rows = 0;
    bool worst_kept = false;
    for (std::size_t row = 0; row < rows.times.size(); ++row) {
        if (std::isnan(rows.values[row][0])) {
            ++gap_rows;
            EXPECT_GT(rows.times[row], time_of(69999));
            EXPECT_LT(rows.times[row], time_of(70000));
            continue;
        }
        const std::size_t pixel = pixel_of(rows.times[row]);
        seen_low[pixel] = std::min(seen_low[pixel], rows.values[row][0]);
        seen_high[pixel] = std::max(seen_high[pixel], rows.values[row][0]);
        worst_kept = worst_kept || rows.values[row][1] == 2.0f;
        if (row > 0) {
            EXPECT_GE(rows.times[row], rows.times[row - 1]);
        }
    }
    EXPECT_EQ(gap_rows, 1);
    EXPECT_TRUE(worst_kept);
    for (unsigned pixel = 0; pixel < pixels; ++pixel) {
        EXPECT_EQ(seen_low[pixel], lows[pixel]) << "pixel " << pixel;
        EXPECT_EQ(seen_high[pixel], highs[pixel]) << "pixel " << pixel;
    }
}

TEST(ReportGaps, FindsStretchesLongerThanAFewRoundsAndClockStepsBack)
{
    struct Case {
        std::vector<std::int64_t> times;
        std::int64_t interval;
        std::vector<std::pair<std::int64_t, std::int64_t>> gaps;
    } const cases[] = {
        {{}, 0, {}},
        {{0, 2000, 4000, 10000, 12000}, 2000, {}},                   // three missed rounds: no gap yet
        {{0, 2000, 4000, 10001, 12001, 14001}, 2000, {{4000, 10001}}},
        {{0, 2000, 4000, 3600000, 3602000}, 2000, {{4000, 3600000}}},
        {{10000, 12000, 14000, 2000, 4000, 6000}, 2000, {{14000, 2000}}},  // the clock was set back
        {{0, 30000, 60000, 90000, 500000}, 30000, {{90000, 500000}}},   // a slower poll interval
    };
    for (const Case& c : cases) {
        const std::int64_t interval = typical_interval(c.times);
        EXPECT_EQ(interval, c.interval);
        std::vector<std::pair<std::int64_t, std::int64_t>> found;
        for (const RecordGap& gap : find_gaps(c.times, gap_threshold(interval))) {
            found.emplace_back(gap.from, gap.to);
        }
        EXPECT_EQ(found, c.gaps) << "interval " << interval;
    }
}

TEST(ReportHistory, ReadsTheStoredWallClockTime)
{
    Record record = blank_record();
    EXPECT_FALSE(record_time_ms(record.data()));
    stamp(record, 61);
    EXPECT_EQ(record_time_ms(record.data()), (1772323200LL + 61) * 1000);  // 2026-03-01 00:01:01
    stamp_date(record, 2026, 2, 30, 0);
    EXPECT_FALSE(record_time_ms(record.data()));
}

TEST(ReportAlarms, TheTimelineShowsTheMainsFailureAsThePlugInJudgesIt)
{
    PluginLibrary library(QORV_PLUGIN_PATH);
    const std::unique_ptr<SMDSPDevice> created = library.create_device();
    auto& device = dynamic_cast<PMBusProtocol&>(*created);
    AlarmTimeline timeline(2000, 6000, 1000);
    device.set_observer(&timeline);
    const Json::Value config = sample_device_config();
    apply_host_settings(config, device);
    device.InitSetting(config);

    // Mains fail from the 10th record to the 20th, and again from the 30th
    // until the records stop for a minute.
    for (unsigned round = 0; round < 50; ++round) {
        Record record = site_record();
        const bool failed = (round >= 10 && round < 20) || (round >= 30 && round < 40);
        for (const std::string channel : {"ac.acChannel[0].", "ac.acChannel[1]."}) {
            for (const std::string phase : {"a", "b", "c", "f"}) {
                set_float(record, channel + phase, failed ? 0.0f : 220.0f);
            }
            set_byte(record, channel + "p40_44", failed ? 0xE0 : 0, 1);
        }
        const unsigned seconds = 2 * round + (round >= 40 ? 60 : 0);
        stamp(record, seconds);
        timeline.judge(device, record.data(), *record_time_ms(record.data()));
    }
    device.set_observer(nullptr);

    const std::int64_t start = 1772323200LL * 1000;
    const std::vector<std::pair<std::int64_t, std::int64_t>> expected = {
        {start + 20000, start + 40000}, {start + 60000, start + 80000}};
    const std::vector<AlarmLane> lanes = timeline.finish();
    int mains_lanes = 0;
    for (const AlarmLane& lane : lanes) {
        if (lane.name.find("交流输入停电告警") != std::string::npos) {
            EXPECT_EQ(lane.active, expected) << lane.name;
            ++mains_lanes;
        }
    }
    EXPECT_GE(mains_lanes, 3);  // the system rule, and the model rule of each input
}
