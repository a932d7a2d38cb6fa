// Whole rounds between the device and the simulated power system over a
// pseudo-terminal, through the host's loop and the real serial code path.
// The device's clock is frozen and moved two seconds before every round, so
// the refresh gate opens without waiting.
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/device_loop.h"
#include "host/serial_port.h"
#include "tests/line/line_helpers.h"
#include "tests/support/device_fixture.h"
#include "tools/clock_seam/clock_seam.h"
#include "tools/plugin-host/scenario/capture_reader.h"
#include "tools/plugin-host/scenario/capture_writer.h"
#include "tools/plugin-host/scenario/replay_clock.h"
#include "tools/plugin-host/scenario/replay_session.h"
#include "tools/plugin-host/run/round_timer.h"
#include "tools/plugin-host/common/device_config.h"
#include "tools/plugin-host/common/run_config.h"
#include "tools/plugin-host/scenario/scenario_parser.h"

namespace {

const char* const mode2_config = R"({"appSetting": {"b_mode": "2", "has_ac": "1", "has_dc": "1"}})";

class EndToEnd : public DeviceTest {
protected:
    void start(int modules, const std::string& script = "", int dc_units = 1)
    {
        start(settings_for(modules, script, dc_units), device);
    }

    static simulator::SimulatorSettings settings_for(int modules, const std::string& script = "", int dc_units = 1)
    {
        simulator::SimulatorSettings settings;
        settings.system.modules = modules;
        settings.system.dc_units = dc_units;
        settings.system.jitter = false;
        settings.events = simulator::parse_script(script);
        return settings;
    }

    void start(const simulator::SimulatorSettings& settings, PMBusProtocol& polled, int timeout_ms = 200)
    {
        loop.reset();
        port.reset();
        line = std::make_unique<SimulatedLine>(settings);
        port = std::make_unique<SerialPort>(line->pty.slave_path(), 9600);
        port->open();
        loop = std::make_unique<DeviceLoop>(polled, *port, LoopSettings{timeout_ms, 3});
    }

    ExchangeResult round()
    {
        clock_seam::advance(2);
        return loop->run_round();
    }

    // The requests sent from the first to before the last index, as "40/41 01".
    static std::vector<std::string> result_requests(const std::vector<SentRequest>& sent, std::size_t first,
                                                    std::size_t last)
    {
        std::vector<std::string> out;
        for (std::size_t i = first; i < last && i < sent.size(); ++i) {
            out.push_back(describe(sent[i]));
        }
        return out;
    }

    const qorv52_419_Data_t& published(std::size_t i) const
    {
        static qorv52_419_Data_t record;
        std::memcpy(&record, host.published.at(i).data(), sizeof record);
        return record;
    }

    std::vector<BoolReport> reports_named(const std::string& name) const
    {
        std::vector<BoolReport> found;
        for (const BoolReport& report : host.reports) {
            if (report.name == name) {
                found.push_back(report);
            }
        }
        return found;
    }

    std::unique_ptr<SimulatedLine> line;
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<DeviceLoop> loop;
};

}  // namespace

TEST_F(EndToEnd, PublishedRecordsHoldTheSimulatorsValues)
{
    configure(mode2_config);
    start(6);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i + 1);
        const ExchangeResult result = round();
        EXPECT_TRUE(result.completed);
        EXPECT_EQ(result.faults, 0);
    }
    ASSERT_EQ(host.published.size(), 3u);
    // Once the device has data and nothing changes, a round is the three analog requests.
    EXPECT_EQ(result_requests(host.sent, 8, 11), (std::vector<std::string>{"40/41 01", "41/41 -", "42/41 -"}));

    const qorv52_419_Data_t& r = published(2);
    EXPECT_EQ(r.ac.channel_count, 2);
    for (const auto& channel : r.ac.acChannel) {
        EXPECT_FLOAT_EQ(channel.a.get(), 220.0f);
        EXPECT_FLOAT_EQ(channel.c.get(), 220.0f);
        EXPECT_FLOAT_EQ(channel.f.get(), 50.0f);
        EXPECT_EQ(channel.p40_44_count, 5);
    }
    EXPECT_FLOAT_EQ(r.ac.ia.get(), 3.2f);
    EXPECT_FLOAT_EQ(r.rc.out_v.get(), 53.5f);
    EXPECT_EQ(r.rc.channel_count, 6);
    EXPECT_FLOAT_EQ(r.rc.rcChannel[5].current.get(), 123.0f / 6.0f);
    EXPECT_FLOAT_EQ(r.rc.rcChannel[5].p41_41[0].get(), 33.5f);
    EXPECT_EQ(r.rc.rcChannel[5].p41_44_count, 1);
    EXPECT_FLOAT_EQ(r.dc.out_v.get(), 53.5f);
    EXPECT_FLOAT_EQ(r.dc.out_i.get(), 120.0f);
    EXPECT_EQ(r.dc.m_count, 2);
    EXPECT_FLOAT_EQ(r.dc.m[1].get(), 1.5f);
    EXPECT_EQ(r.dc.p_count, 2);
    EXPECT_FLOAT_EQ(r.dc.p[0].get(), 25.0f);
    EXPECT_EQ(std::memcmp(&r, host.history.back().data(), sizeof r), 0);
}

TEST_F(EndToEnd, LargeSystemWithTwoDcUnitsFillsEveryBlockTheRecordHolds)
{
    configure(mode2_config);
    start(42, "", 2);
    ASSERT_TRUE(round().completed);
    ASSERT_TRUE(round().completed);
    const qorv52_419_Data_t& r = published(1);
    EXPECT_EQ(r.rc.channel_count, 42);
    EXPECT_FLOAT_EQ(r.rc.rcChannel[39].current.get(), (120.0f + 6.0f) / 42.0f);
    EXPECT_EQ(r.rc.rcChannel[39].p41_44_count, 1);
    EXPECT_FLOAT_EQ(r.dc.out_i.get(), 72.0f);
    EXPECT_FLOAT_EQ(r.dc2.out_v.get(), 53.5f);
    EXPECT_FLOAT_EQ(r.dc2.out_i.get(), 48.0f);
    EXPECT_EQ(r.dc2.m_count, 2);
}

TEST_F(EndToEnd, LineFaultsAreRecoveredAndALostRoundDoesNotStopTheNext)
{
    configure(mode2_config);
    start(4, "2 garbled-frame\n3 bad-checksum\n4 error-rtn\n5 no-reply 3\n");
    ::testing::internal::CaptureStderr();
    std::vector<ExchangeResult> results;
    for (int i = 0; i < 6; ++i) {
        results.push_back(round());
    }
    const std::string diagnostics = ::testing::internal::GetCapturedStderr();
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_TRUE(results[static_cast<std::size_t>(i)].completed);
        EXPECT_EQ(results[static_cast<std::size_t>(i)].faults, i == 0 ? 0 : 1);
    }
    EXPECT_TRUE(results[4].abandoned);
    EXPECT_TRUE(results[5].completed);
    EXPECT_EQ(results[5].faults, 0);
    EXPECT_EQ(host.published.size(), 5u);
    EXPECT_NE(diagnostics.find("not a hex digit"), std::string::npos) << diagnostics;
    EXPECT_NE(diagnostics.find("bad CHKSUM"), std::string::npos);
    EXPECT_NE(diagnostics.find("RTN 06 (invalid data)"), std::string::npos);
    EXPECT_NE(diagnostics.find("giving up on 40/41 after 3 attempts"), std::string::npos);
    EXPECT_FLOAT_EQ(published(4).ac.acChannel[0].a.get(), 220.0f);
}

TEST_F(EndToEnd, MainsFailureRaisesTheOutageAlarmsAndRestoreClearsThem)
{
    configure(mode2_config);
    device.level_map_["220600140010"] = 1;  // AC outage
    device.level_map_["220600130010"] = 2;  // AC under-voltage
    device.level_map_["210600320010"] = 2;  // DC low
    device.threshold_map_["210600320010"] = 47.0f;
    start(3, "2 mains-failure\n3 mains-restore\n");

    auto outage = [&] { return reports_named("001#48V直流系统交流输入停电告警"); };
    auto input_failure = [&] { return reports_named("交流输入停电告警"); };

    ASSERT_TRUE(round().completed);
    ASSERT_EQ(outage().size(), 1u);
    EXPECT_FALSE(outage()[0].state);
    ASSERT_EQ(input_failure().size(), 2u);
    EXPECT_FALSE(input_failure()[0].state);

    host.clear();
    ASSERT_TRUE(round().completed);
    ASSERT_EQ(outage().size(), 1u);
    EXPECT_TRUE(outage()[0].state);
    EXPECT_EQ(outage()[0].level, 1);
    EXPECT_EQ(outage()[0].desc, "ua1:0 ub1:0 uc1:0 ua2:0 ub2:0 uc2:0");
    // The per-channel input power failure of the model rules, for both channels.
    ASSERT_EQ(input_failure().size(), 2u);
    EXPECT_TRUE(input_failure()[0].state);
    EXPECT_EQ(input_failure()[0].desc, "第1路交流输入-输入告警");
    EXPECT_TRUE(input_failure()[1].state);
    EXPECT_EQ(input_failure()[1].desc, "第2路交流输入-输入告警");
    // Readings of 0 are an outage, not an under-voltage; the battery holds the DC bus.
    ASSERT_EQ(reports_named("001#48V直流系统交流输入电压过低告警").size(), 1u);
    EXPECT_FALSE(reports_named("001#48V直流系统交流输入电压过低告警")[0].state);
    ASSERT_EQ(reports_named("48V直流系统直流总电压过低告警").size(), 1u);
    EXPECT_FALSE(reports_named("48V直流系统直流总电压过低告警")[0].state);
    EXPECT_FLOAT_EQ(published(0).dc.out_v.get(), 49.0f);

    host.clear();
    ASSERT_TRUE(round().completed);
    EXPECT_FALSE(outage()[0].state);
    EXPECT_FALSE(input_failure()[0].state);
    EXPECT_FALSE(input_failure()[1].state);
}

TEST_F(EndToEnd, ControlCommandReachesThePowerSystemAndIsAcknowledged)
{
    configure(mode2_config);
    start(3);
    ASSERT_TRUE(round().completed);

    const std::string off = "419500200002";  // module 2 off
    int used = 0;
    EXPECT_EQ(device.DeviceIoControl(320, off.data(), static_cast<int>(off.size()), nullptr, 0, used), 0);
    const ExchangeResult answer = loop->finish_exchange();
    EXPECT_EQ(answer.replies, 1);
    EXPECT_EQ(answer.faults, 0);
    std::int32_t ack = 0;
    EXPECT_EQ(device.DeviceIoControl(0, nullptr, 0, &ack, sizeof ack, used), 0);
    EXPECT_EQ(ack, 1);

    ASSERT_TRUE(round().completed);
    const qorv52_419_Data_t& r = published(1);
    EXPECT_EQ(r.rc.rcChannel[1].state_1, 1);
    EXPECT_FLOAT_EQ(r.rc.rcChannel[1].current.get(), 0.0f);
    EXPECT_FLOAT_EQ(r.rc.rcChannel[0].current.get(), 123.0f / 2.0f);
}

namespace {

// Five rounds with a date and time command after the second; `control`
// makes the command.
template <class Control>
void poll_with_a_command(DeviceLoop& loop, Control&& control)
{
    for (int i = 1; i <= 5; ++i) {
        clock_seam::advance(2);
        loop.run_round();
        if (i == 2) {
            control(300, hex("ea07 01 01 0c 1e 00"));
            loop.finish_exchange();
        }
    }
}

}  // namespace

TEST_F(EndToEnd, ACaptureReplaysTheRunAndTheSimulatorServesItAgain)
{
    const Json::Value config = plugin_host::parse_device_config(
        R"({"appSetting": {"b_mode": "2", "has_ac": "1", "has_dc": "1"}, "host": {"levels": {"220600140010": 1}}})",
        "the test document");
    std::ostringstream captured;
    plugin_host::CaptureWriter capture(captured, host);
    device.set_observer(&capture);
    plugin_host::apply_host_settings(config, device);
    capture.begin(device, config, "a test");
    device.InitSetting(config);
    start(settings_for(3, "2 mains-failure\n3 garbled-frame\n4 mains-restore\n4 no-reply\n5 bad-checksum 2\n"),
          device);
    loop->add_watcher(capture);
    ::testing::internal::CaptureStderr();
    poll_with_a_command(*loop, [&](int code, const std::vector<std::uint8_t>& in) {
        std::vector<std::uint8_t> out;
        int used = 0;
        capture.control(device, code, in, 4, out, used);
    });
    ::testing::internal::GetCapturedStderr();
    capture.end_round();
    ASSERT_EQ(host.published.size(), 5u);
    ASSERT_FALSE(host.reports.empty());

    // Replayed, and replayed when cut in the middle of a line: the same calls
    // into the host, up to the last whole line.
    const std::string text = captured.str();
    const std::size_t last_frame = text.rfind(R"({"op":"frame")");
    for (const std::string& scenario : {text, text.substr(0, last_frame + 20)}) {
        qorv52_419 replayed;
        RecordingObserver replay_host;
        replayed.set_observer(&replay_host);
        std::ostringstream transcript_text;
        plugin_host::TranscriptWriter transcript(transcript_text);
        plugin_host::ReplaySession session(replayed, transcript, replay_host.answers);
        session.set_host_defaults();
        plugin_host::start_replay_clock();
        std::istringstream lines(scenario);
        std::string text_line;
        while (std::getline(lines, text_line) && !(lines.eof() && scenario.back() != '\n')) {
            if (const auto step = plugin_host::parse_scenario_line(text_line)) {
                session.run(*step);
            }
        }
        if (scenario == text) {
            EXPECT_EQ(replay_host.calls, host.calls);
            EXPECT_EQ(replay_host.published, host.published);
        } else {
            // The last round lacks its last reply, so its record was never published.
            const auto replayed_calls = static_cast<std::ptrdiff_t>(replay_host.calls.size());
            EXPECT_EQ(replay_host.calls,
                      std::vector<std::string>(host.calls.begin(), host.calls.begin() + replayed_calls));
            EXPECT_EQ(replay_host.published.size(), 4u);
        }
    }

    // Served by the simulator and polled again through the serial code.
    std::istringstream capture_text(text);
    simulator::SimulatorSettings served = settings_for(0);
    served.captured = plugin_host::read_capture(capture_text, "capture");
    qorv52_419 polled;
    RecordingObserver polled_host;
    polled.set_observer(&polled_host);
    plugin_host::apply_host_settings(config, polled);
    polled.InitSetting(config);
    clock_seam::freeze_at_local(2026, 1, 1, 0, 0, 0);
    start(served, polled);
    poll_with_a_command(*loop, [&](int code, const std::vector<std::uint8_t>& in) {
        std::vector<std::uint8_t> out(4);
        int used = 0;
        polled.DeviceIoControl(code, in.data(), static_cast<int>(in.size()), out.data(), 4, used);
    });
    EXPECT_EQ(polled_host.published, host.published);
    EXPECT_EQ(describe(polled_host.sent), describe(host.sent));
    loop.reset();  // a loop ends before the device it polls
}

TEST_F(EndToEnd, APacedFullRoundTakesTheTimeItsCharactersTakeAt9600Baud)
{
    configure(mode2_config);
    simulator::SimulatorSettings settings = settings_for(40, "", 2);
    settings.system.dc_unit_count = true;
    settings.paced = true;
    start(settings, device, 2000);
    plugin_host::RoundTimer timer;
    loop->add_watcher(timer);
    clock_seam::advance(2);
    ASSERT_TRUE(loop->run_round().completed);
    const plugin_host::RoundTiming timing = timer.finish();
    ASSERT_TRUE(timing.line_ms);
    // Ten bits a character, and a turnaround before each of the eight replies.
    const double characters_ms = static_cast<double>(line->paced.characters()) * 10.0 / 9600.0 * 1000.0;
    const double turnarounds_ms = 8.0 * static_cast<double>(simulator::TURNAROUND.count());
    RecordProperty("characters", static_cast<int>(line->paced.characters()));
    RecordProperty("line_ms", static_cast<int>(*timing.line_ms));
    EXPECT_GT(*timing.line_ms, characters_ms + turnarounds_ms);
    EXPECT_LT(*timing.line_ms, (characters_ms + turnarounds_ms) * 1.05);
}
