// The broker's URL forms, the alarms document by level, and the ledger of
// acknowledged records kept across restarts.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tools/plugin-host/mqtt/delivery_ledger.h"
#include "tools/plugin-host/mqtt/mqtt_messages.h"
#include "tools/plugin-host/mqtt/mqtt_settings.h"

namespace plugin_host {
namespace {

TEST(BrokerUrl, HostPortAndTlsFromTheScheme)
{
    struct Case {
        const char* url;
        const char* host;
        int port;
        bool tls;
    };
    const Case cases[] = {
        {"mqtt://127.0.0.1:1884", "127.0.0.1", 1884, false},
        {"mqtt://broker.site", "broker.site", 1883, false},
        {"mqtts://broker.site", "broker.site", 8883, true},
        {"mqtts://[::1]:8884", "::1", 8884, true},
    };
    for (const Case& c : cases) {
        const BrokerAddress broker = parse_broker_url(c.url);
        EXPECT_EQ(broker.host, c.host) << c.url;
        EXPECT_EQ(broker.port, c.port) << c.url;
        EXPECT_EQ(broker.tls, c.tls) << c.url;
    }
    for (const char* wrong : {"tcp://h:1883", "mqtt://", "mqtt://h:0", "mqtt://h:70000", "mqtt://h:x", "mqtt://u@h"}) {
        EXPECT_THROW(parse_broker_url(wrong), std::invalid_argument) << wrong;
    }
}

TEST(AlarmsPayload, EveryLevelSaysWhetherOneOfItsAlarmsIsActive)
{
    const std::vector<SnapshotAlarm> alarms = {{"mains", 2, 0, true}, {"mains", 2, 1, true}, {"fuse", 1, 0, false}};
    EXPECT_EQ(alarms_payload(alarms, {1, 2}),
              R"({"active":[{"name":"mains","level":2},{"name":"mains","level":2}],"levels":{"1":false,"2":true}})");
    // A level the document does not list still shows when one of its alarms is active.
    EXPECT_EQ(alarms_payload({{"x", 3, 0, true}}, {1}), R"({"active":[{"name":"x","level":3}],"levels":{"1":false,"3":true}})");
}

TEST(DeliveryLedger, KeepsTheLastNumberAndRefusesAnythingElse)
{
    const std::string path = ::testing::TempDir() + "ledger-test.mqtt-acked";
    std::remove(path.c_str());
    const DeliveryLedger ledger(path);
    EXPECT_FALSE(ledger.load().has_value());
    ASSERT_TRUE(ledger.store(41));
    ASSERT_TRUE(ledger.store(43200));
    EXPECT_EQ(ledger.load().value_or(0), 43200U);
    std::ofstream(path) << "garbage";
    EXPECT_THROW(ledger.load(), std::runtime_error);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace plugin_host
