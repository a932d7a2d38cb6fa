// The broker's URL forms, the alarms document by level, the ledger kept
// across restarts, and a device's records numbered over its day files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tools/plugin-host/mqtt/delivery_ledger.h"
#include "tools/plugin-host/records/device_history.h"
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

TEST(DeliveryLedger, KeepsTheCountsAndTheNewestsPlaceAndRefusesAnythingElse)
{
    const std::string path = ::testing::TempDir() + "ledger-test.mqtt-state";
    std::remove(path.c_str());
    const DeliveryLedger ledger(path);
    EXPECT_FALSE(ledger.load().has_value());
    ASSERT_TRUE(ledger.store({41, 40, "", 0}));
    ASSERT_TRUE(ledger.store({43200, 43100, "hist/east 1-2026-03-01.bin", 17}));
    const LedgerState kept = ledger.load().value_or(LedgerState{});
    EXPECT_EQ(kept.stored, 43200U);
    EXPECT_EQ(kept.acknowledged, 43100U);
    EXPECT_EQ(kept.newest_file, "hist/east 1-2026-03-01.bin");
    EXPECT_EQ(kept.newest_records, 17U);
    for (const char* wrong : {"garbage", "acknowledged 4\n", "stored 4\nacknowledged 5\n"}) {
        std::ofstream(path) << wrong;
        EXPECT_THROW(ledger.load(), std::runtime_error) << wrong;
    }
    std::remove(path.c_str());
}

// A device's records keep their numbers across its day files, as files
// start and old ones go.
TEST(DeviceHistory, NumbersRecordsOverItsFilesAndAFileRemovedTakesOnlyItsOwn)
{
    const std::string folder = ::testing::TempDir();
    std::vector<std::string> files;
    const auto write = [&](const std::string& name, std::uint8_t first, int records) {
        std::ofstream out(folder + name, std::ios::binary | std::ios::app);
        for (int i = 0; i < records; ++i) {
            const std::string record(protocol419::RECORD_SIZE, static_cast<char>(first + i));
            out << record;
        }
        if (std::find(files.begin(), files.end(), folder + name) == files.end()) {
            files.push_back(folder + name);
        }
    };
    for (const char* name : {"dh-1.bin", "dh-2.bin", "dh-3.bin"}) {
        std::remove((folder + name).c_str());
    }
    write("dh-1.bin", 1, 3);
    write("dh-2.bin", 4, 2);
    DeviceHistory history([&files] { return files; });
    EXPECT_EQ(history.count(), 5U);
    history.number_back_from(105);  // 100 records were stored before these, in files long gone
    StoredRecord record;
    ASSERT_TRUE(history.read(101, record));
    EXPECT_EQ(record[0], 1);
    EXPECT_FALSE(history.read(100, record));
    EXPECT_EQ(history.place_of(105).file, folder + "dh-2.bin");
    EXPECT_EQ(history.place_of(105).records, 2U);

    // The day turns: dh-2 gets one more, dh-3 starts; then dh-1 is removed.
    write("dh-2.bin", 6, 1);
    write("dh-3.bin", 7, 2);
    ASSERT_TRUE(history.read(108, record));
    EXPECT_EQ(record[0], 8);
    std::remove((folder + "dh-1.bin").c_str());
    files.erase(files.begin());
    EXPECT_FALSE(history.read(102, record));
    ASSERT_TRUE(history.read(106, record));
    EXPECT_EQ(record[0], 6);

    // A restart counts what was stored after the newest the ledger knew.
    const DeviceHistory::Place kept{folder + "dh-2.bin", 2};
    EXPECT_EQ(history.count(&kept), 3U);
    const DeviceHistory::Place gone{folder + "dh-1.bin", 3};
    EXPECT_EQ(history.count(&gone), 5U);
    for (const char* name : {"dh-2.bin", "dh-3.bin"}) {
        std::remove((folder + name).c_str());
    }
}

}  // namespace
}  // namespace plugin_host
