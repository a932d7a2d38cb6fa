// The metrics endpoint: what a scrape says of a device's snapshot (readings
// from the record, stale data left out, alarms, labels), the listen address,
// and the server's answers.
#include <gtest/gtest.h>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read.hpp>
#include <boost/asio/write.hpp>

#include "tools/plugin-host/metrics/exposition.h"
#include "tools/plugin-host/metrics/metrics_server.h"

namespace plugin_host {
namespace {

using steady = std::chrono::steady_clock;

std::shared_ptr<DeviceSnapshot> answering_device(steady::time_point now)
{
    auto snapshot = std::make_shared<DeviceSnapshot>();
    DeviceIdentity identity;
    identity.name = "hall \"a\"\\1";
    identity.bus = "/dev/ttyS1";
    identity.address = 3;
    identity.interval = std::chrono::seconds(2);
    snapshot->identity = std::make_shared<const DeviceIdentity>(identity);
    snapshot->up = true;
    snapshot->has_record = true;
    snapshot->completed_steady = now - std::chrono::seconds(1);
    snapshot->rounds_completed = 7;
    qorv52_419_Data_t& record = snapshot->record;
    record.ac.channel_count = 1;
    record.ac.acChannel[0].b.set(221.5f);
    record.ac.acChannel[1].b.set(999.0f);  // beyond the channel count
    record.rc.channel_count = 2;
    record.rc.rcChannel[0].current.set(20.5f);
    record.rc.rcChannel[1].current.set(10.0f);
    record.rc.rcChannel[1].state_1 = 1;  // switched off
    record.rc.rcChannel[1].p41_44_count = 1;
    record.rc.rcChannel[1].p41_44[0] = 1;  // faulty
    record.dc.out_v.set(53.5f);
    record.dc.m_count = 2;
    record.dc.m[1].set(-4.25f);
    record.dc.alert_p_count = 1;
    record.dc.alert_p[0] = 2;
    snapshot->alarms = {{"mains failure", 1, 0, true}, {"mains failure", 1, 1, false}, {"DC low", 2, 0, true}};
    return snapshot;
}

const std::string device_labels = R"(device="hall \"a\"\\1",bus="/dev/ttyS1",address="3")";

std::string scrape(const std::shared_ptr<DeviceSnapshot>& snapshot, steady::time_point now)
{
    return exposition_text({snapshot}, now);
}

TEST(MetricsExposition, ReadingsFromTheRecordWithTheirLabels)
{
    const auto now = steady::now();
    const std::string text = scrape(answering_device(now), now);
    const auto line = [](const std::string& name, const std::string& labels, const std::string& value) {
        return "\n" + name + "{" + device_labels + labels + "} " + value + "\n";
    };
    for (const std::string& expected : {
             line("powersystem_up", "", "1"),
             line("powersystem_rounds_completed_total", "", "7"),
             line("powersystem_ac_voltage_volts", R"(,channel="1",phase="b")", "221.5"),
             line("powersystem_rectifier_module_current_amperes", R"(,module="1")", "20.5"),
             line("powersystem_rectifier_current_amperes", "", "30.5"),
             line("powersystem_rectifier_module_on", R"(,module="2")", "0"),
             line("powersystem_rectifier_module_fault", R"(,module="2")", "1"),
             line("powersystem_dc_voltage_volts", R"(,unit="1")", "53.5"),
             line("powersystem_dc_battery_current_amperes", R"(,unit="1",battery="2")", "-4.25"),
             line("powersystem_status_byte", R"(,field="dc.alert_p",index="1")", "2"),
             line("powersystem_alarm_active", R"(,alarm="mains failure",level="1")", "1"),
             line("powersystem_alarm_active", R"(,alarm="mains failure",level="1",instance="2")", "0"),
             line("powersystem_alarms_active", R"(,level="1")", "1"),
             line("powersystem_alarms_active", R"(,level="2")", "1"),
             std::string("# TYPE powersystem_line_faults_total counter\n"),
         }) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
    }
    // Only the items the record's counts hold; no second DC unit.
    EXPECT_EQ(text.find("channel=\"2\""), std::string::npos);
    EXPECT_EQ(text.find("module=\"3\""), std::string::npos);
    EXPECT_EQ(text.find("unit=\"2\""), std::string::npos);
}

TEST(MetricsExposition, StaleReadingsAreLeftOutAndTheCountersStay)
{
    const auto now = steady::now();
    struct Case {
        const char* what;
        bool up;
        std::chrono::seconds since_round;
        bool readings;
    };
    for (const Case& c : {Case{"fresh", true, std::chrono::seconds(5), true},
                          Case{"not answering", false, std::chrono::seconds(1), false},
                          Case{"no round for three intervals", true, std::chrono::seconds(7), false}}) {
        auto snapshot = answering_device(now);
        snapshot->up = c.up;
        snapshot->completed_steady = now - c.since_round;
        const std::string text = scrape(snapshot, now);
        EXPECT_EQ(text.find("powersystem_dc_voltage_volts{") != std::string::npos, c.readings) << c.what;
        EXPECT_EQ(text.find("powersystem_alarm_active{") != std::string::npos, c.readings) << c.what;
        EXPECT_NE(text.find("powersystem_up{"), std::string::npos) << c.what;
        EXPECT_NE(text.find("powersystem_rounds_completed_total{"), std::string::npos) << c.what;
        EXPECT_NE(text.find("powersystem_last_round_timestamp_seconds{"), std::string::npos) << c.what;
    }
}

TEST(MetricsExposition, FaultKindsFromTheLoopsWords)
{
    const std::pair<const char*, FaultKind> cases[] = {
        {"no reply within 1000 ms (request 2A/42, attempt 1 of 3)", FaultKind::timeout},
        {"bad reply: checksum 1234, computed 4321", FaultKind::bad_frame},
        {"error reply: RTN 04 (checksum error)", FaultKind::error_reply},
        {"reply from address 3, expected 1", FaultKind::wrong_reply},
        {"the device could not use the reply to 2A/42", FaultKind::unusable_reply},
        {"line lost (hang-up)", FaultKind::lost},
        {"cannot send the request", FaultKind::other},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(fault_kind_name(fault_kind_of(c.first)), std::string(fault_kind_name(c.second))) << c.first;
    }
}

TEST(MetricsExposition, ListenAddresses)
{
    const std::tuple<const char*, const char*, unsigned> good[] = {
        {"9419", "127.0.0.1", 9419}, {"0.0.0.0:9419", "0.0.0.0", 9419}, {"[::1]:80", "::1", 80}, {"0", "127.0.0.1", 0}};
    for (const auto& [text, address, port] : good) {
        const ListenAddress where = parse_listen_address(text);
        EXPECT_EQ(where.address, address) << text;
        EXPECT_EQ(where.port, port) << text;
    }
    for (const char* bad : {"", "x", "127.0.0.1:", ":9419", "65536", "127.0.0.1:94a9"}) {
        EXPECT_THROW(parse_listen_address(bad), std::invalid_argument) << bad;
    }
}

std::string http_get(unsigned short port, const std::string& path)
{
    boost::asio::io_context io;
    boost::asio::ip::tcp::socket socket(io);
    socket.connect({boost::asio::ip::make_address("127.0.0.1"), port});
    const std::string request = "GET " + path + " HTTP/1.0\r\n\r\n";
    boost::asio::write(socket, boost::asio::buffer(request));
    std::string response;
    boost::system::error_code end;
    boost::asio::read(socket, boost::asio::dynamic_buffer(response), end);
    return response;
}

TEST(MetricsServer, AnswersMetricsAndNothingElse)
{
    SnapshotBoard board;
    const auto slot = board.add();
    slot->publish(answering_device(steady::now()));
    const MetricsServer server(ListenAddress{"127.0.0.1", 0}, board);
    const std::string metrics = http_get(server.port(), "/metrics");
    EXPECT_EQ(metrics.rfind("HTTP/1.0 200", 0), 0U) << metrics.substr(0, 100);
    EXPECT_NE(metrics.find("Content-Type: text/plain; version=0.0.4"), std::string::npos);
    EXPECT_NE(metrics.find("\npowersystem_up{"), std::string::npos);
    EXPECT_EQ(http_get(server.port(), "/").rfind("HTTP/1.0 404", 0), 0U);
}

}  // namespace
}  // namespace plugin_host
