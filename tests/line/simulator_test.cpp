// The simulated power system as the line sees it: payload layouts, flag
// bits, scripted events, control commands and refusals.
#include <gtest/gtest.h>

#include "tests/line/line_helpers.h"
#include "tools/simulator/events.h"
#include "tools/simulator/power_system_bus.h"

using simulator::PowerSystemSimulator;
using simulator::SimulatorSettings;

namespace {

SimulatorSettings steady(int modules = 6, int dc_units = 1, bool counted = false)
{
    SimulatorSettings settings;
    settings.system.modules = modules;
    settings.system.dc_units = dc_units;
    settings.system.dc_unit_count = counted;
    settings.system.jitter = false;
    return settings;
}

// Polls one full round as a device without data does; returns the replies by request.
struct Round {
    Reply ac_analog, ac_status, ac_alarms, rect_analog, rect_status, rect_alarms, dc_analog, dc_alarms;
};

Round poll_round(simulator::LinePeer& sim, std::uint8_t address = 1)
{
    Round r;
    r.ac_analog = ask(sim, 0x40, 0x41, {1}, address);
    r.ac_status = ask(sim, 0x40, 0x43, {1}, address);
    r.ac_alarms = ask(sim, 0x40, 0x44, {1}, address);
    r.rect_analog = ask(sim, 0x41, 0x41, {}, address);
    r.rect_status = ask(sim, 0x41, 0x43, {}, address);
    r.rect_alarms = ask(sim, 0x41, 0x44, {}, address);
    r.dc_analog = ask(sim, 0x42, 0x41, {}, address);
    r.dc_alarms = ask(sim, 0x42, 0x44, {}, address);
    return r;
}

}  // namespace

TEST(Simulator, AnswersEveryPollRequestWithPlausibleValues)
{
    PowerSystemSimulator sim(steady(6));
    const Round r = poll_round(sim);
    // 40/41: flag, 2 channels of a b c f and a zero count, three output currents.
    ASSERT_EQ(r.ac_analog.info.size(), 1u + 1 + 2 * 17 + 12);
    EXPECT_EQ(r.ac_analog.info[1], 2);
    EXPECT_FLOAT_EQ(float_at(r.ac_analog.info, 2), 220.0f);
    EXPECT_FLOAT_EQ(float_at(r.ac_analog.info, 14), 50.0f);
    EXPECT_FLOAT_EQ(float_at(r.ac_analog.info, 19), 220.0f);  // channel 2, phase A
    // 40/44: two channels of 4 alarm bytes, a fuse list and five user-defined bytes.
    ASSERT_EQ(r.ac_alarms.info.size(), 1u + 1 + 2 * 12 + 3);
    EXPECT_EQ(r.ac_alarms.info[8], 5);  // user-defined count of channel 1
    // 41/41: output voltage, 6 modules of current, count 1 and one value.
    ASSERT_EQ(r.rect_analog.info.size(), 1u + 4 + 1 + 6 * 9);
    EXPECT_FLOAT_EQ(float_at(r.rect_analog.info, 1), 53.5f);
    EXPECT_EQ(r.rect_analog.info[5], 6);
    EXPECT_FLOAT_EQ(float_at(r.rect_analog.info, 6), (120.0f + 3.0f) / 6.0f);
    ASSERT_EQ(r.rect_status.info.size(), 1u + 1 + 6 * 4);
    ASSERT_EQ(r.rect_alarms.info.size(), 1u + 1 + 6 * 3);
    // 42/41 without unit count: the voltage follows the flag byte directly.
    EXPECT_FLOAT_EQ(float_at(r.dc_analog.info, 1), 53.5f);
    EXPECT_FLOAT_EQ(float_at(r.dc_analog.info, 5), 120.0f);
    EXPECT_EQ(r.dc_analog.info[9], 2);  // battery groups
    ASSERT_EQ(r.dc_alarms.info.size(), 1u + 6);
}

TEST(Simulator, CountedDcFormatCarriesBothUnits)
{
    PowerSystemSimulator sim(steady(3, 2));
    ask(sim, 0x41, 0x41);
    const Reply analog = ask(sim, 0x42, 0x41);
    // flag, K = 2, two blocks of 4 + 4 + 1 + 8 + 1 + 1 + 8 bytes.
    ASSERT_EQ(analog.info.size(), 2u + 2 * 27);
    EXPECT_EQ(analog.info[1], 2);
    EXPECT_FLOAT_EQ(float_at(analog.info, 2), 53.5f);
    EXPECT_FLOAT_EQ(float_at(analog.info, 6), 72.0f);
    EXPECT_FLOAT_EQ(float_at(analog.info, 2 + 27 + 4), 48.0f);
    const Reply alarms = ask(sim, 0x42, 0x44);
    ASSERT_EQ(alarms.info.size(), 2u + 2 * 6);
}

TEST(Simulator, ManyModulesAreAllAnnounced)
{
    PowerSystemSimulator sim(steady(42));
    const Reply analog = ask(sim, 0x41, 0x41);
    EXPECT_EQ(analog.info[5], 42);
    EXPECT_EQ(analog.info.size(), 6u + 42 * 9);
}

TEST(Simulator, TheLargestModuleCountStillFitsAFrameAndOneMoreIsNotAnswered)
{
    PowerSystemSimulator largest(steady(simulator::MAX_MODULES));
    const Reply analog = ask(largest, 0x41, 0x41);
    ASSERT_EQ(analog.status, pmbus_frame::FrameStatus::good);
    EXPECT_EQ(analog.info[5], simulator::MAX_MODULES);
    // A reply that no frame can carry is silence on the line, never a short reply.
    PowerSystemSimulator beyond(steady(simulator::MAX_MODULES + 1));
    EXPECT_TRUE(ask(beyond, 0x41, 0x41).silent);
}

TEST(Simulator, FlagBitsReportChangesUntilTheHostReadsThem)
{
    PowerSystemSimulator sim(steady());
    const Round first = poll_round(sim);
    EXPECT_EQ(first.ac_analog.info[0], 0x11);  // nothing read yet
    EXPECT_EQ(first.ac_status.info[0], 0x11);  // alarms still unread when the status reply goes out
    EXPECT_EQ(first.dc_analog.info[0], 0x01);
    const Round quiet = poll_round(sim);
    EXPECT_EQ(quiet.ac_analog.info[0], 0x00);
    EXPECT_EQ(quiet.rect_analog.info[0], 0x00);
    EXPECT_EQ(quiet.dc_analog.info[0], 0x00);

    // A switched-off module changes the rectifier status, a faulty one its alarms.
    EXPECT_EQ(ask(sim, 0x41, 0x45, {0xE6, 0x02}).rtn, 0);
    EXPECT_EQ(ask(sim, 0x41, 0x41).info[0], 0x10);
    const Reply status = ask(sim, 0x41, 0x43);
    EXPECT_EQ(status.info[2 + 4], 1);  // module 2 is off
    EXPECT_EQ(ask(sim, 0x41, 0x41).info[0], 0x00);
}

TEST(Simulator, ScriptedEventsChangeTheSystemAtTheirRound)
{
    SimulatorSettings settings = steady(4);
    settings.events = simulator::parse_script(
        "# a mains failure in round 2, restored in round 3\n"
        "2 mains-failure\n"
        "2 module-fault 3\n"
        "3 mains-restore\n"
        "3 surge-fault 2\n");
    PowerSystemSimulator sim(settings);
    const Round one = poll_round(sim);
    EXPECT_FLOAT_EQ(float_at(one.ac_analog.info, 2), 220.0f);

    const Round two = poll_round(sim);
    EXPECT_EQ(sim.round(), 2u);
    EXPECT_FLOAT_EQ(float_at(two.ac_analog.info, 2), 0.0f);
    EXPECT_FLOAT_EQ(float_at(two.ac_analog.info, 19), 0.0f);
    EXPECT_EQ(two.ac_analog.info[0] & 0x01, 0x01);
    EXPECT_EQ(two.ac_alarms.info[10], 0xE0);          // channel 1 input power failure
    EXPECT_FLOAT_EQ(float_at(two.rect_analog.info, 1), 0.0f);
    EXPECT_FLOAT_EQ(float_at(two.dc_analog.info, 1), 49.0f);  // on battery
    EXPECT_LT(float_at(two.dc_analog.info, 10), 0.0f);        // batteries discharge
    EXPECT_EQ(two.rect_alarms.info[2 + 2 * 3 + 2], 1);        // module 3 fault byte

    const Round three = poll_round(sim);
    EXPECT_FLOAT_EQ(float_at(three.ac_analog.info, 2), 220.0f);
    EXPECT_EQ(three.ac_alarms.info[10], 0x00);
    EXPECT_EQ(three.ac_alarms.info[2 + 12 + 9], 0xE1);  // channel 2 surge protector
}

TEST(Simulator, LineFaultsSpoilTheNextReplies)
{
    SimulatorSettings settings = steady();
    settings.events = {simulator::parse_event("1 no-reply"), simulator::parse_event("1 bad-checksum"),
                       simulator::parse_event("1 garbled-frame"), simulator::parse_event("1 error-rtn")};
    PowerSystemSimulator sim(settings);
    EXPECT_TRUE(ask(sim, 0x40, 0x41, {1}).silent);
    const Reply error = ask(sim, 0x40, 0x41, {1});
    EXPECT_EQ(error.status, pmbus_frame::FrameStatus::good);
    EXPECT_EQ(error.rtn, pmbus_frame::RTN_INVALID_DATA);
    EXPECT_EQ(ask(sim, 0x40, 0x41, {1}).status, pmbus_frame::FrameStatus::bad_chksum);
    EXPECT_EQ(ask(sim, 0x40, 0x41, {1}).status, pmbus_frame::FrameStatus::bad_hex);
    const Reply recovered = ask(sim, 0x40, 0x41, {1});
    EXPECT_EQ(recovered.status, pmbus_frame::FrameStatus::good);
    // The spoiled replies did not count as read: the change bits are still set.
    EXPECT_EQ(recovered.info[0], 0x11);
}

TEST(Simulator, AppliesControlCommandsAndRefusesBadOnes)
{
    PowerSystemSimulator sim(steady(3));
    EXPECT_EQ(ask(sim, 0x41, 0x4E, {0x07, 0xEA, 12, 8, 4, 30, 0}).rtn, 0);
    EXPECT_EQ(sim.system().clock()[1], 0xEA);
    EXPECT_EQ(ask(sim, 0x42, 0x48, {0xDC, 0x00, 0x00, 0x56, 0x42}).rtn, 0);
    EXPECT_FLOAT_EQ(sim.system().dc_parameters().at(0xDC), 53.5f);
    EXPECT_EQ(ask(sim, 0x41, 0x45, {0x10, 0x02}).rtn, 0);
    EXPECT_TRUE(sim.system().equalizing());

    struct Refusal {
        const char* what;
        std::uint8_t cid1, cid2;
        std::vector<std::uint8_t> data;
        std::uint8_t version;
        std::uint8_t rtn;
    };
    const std::vector<Refusal> refusals = {
        {"time with six bytes", 0x41, 0x4E, {1, 2, 3, 4, 5, 6}, 0x20, pmbus_frame::RTN_COMMAND_FORMAT_ERROR},
        {"unknown DC parameter", 0x42, 0x48, {0x11, 0, 0, 0, 0}, 0x20, pmbus_frame::RTN_INVALID_DATA},
        {"module beyond the system", 0x41, 0x45, {0xE6, 0x09}, 0x20, pmbus_frame::RTN_INVALID_DATA},
        {"unknown command", 0x41, 0x47, {}, 0x20, pmbus_frame::RTN_INVALID_CID2},
        {"other protocol version", 0x40, 0x41, {1}, 0x21, pmbus_frame::RTN_VERSION_ERROR},
        {"DC parameter not a number", 0x42, 0x48, {0xDC, 0x00, 0x00, 0xC0, 0x7F}, 0x20, pmbus_frame::RTN_INVALID_DATA},
        {"DC parameter -1e30", 0x42, 0x48, {0xDB, 0xCA, 0xF2, 0x49, 0xF1}, 0x20, pmbus_frame::RTN_INVALID_DATA},
        {"DC parameter 0 V", 0x42, 0x48, {0xDC, 0, 0, 0, 0}, 0x20, pmbus_frame::RTN_INVALID_DATA},
        {"AC poll without its argument", 0x40, 0x43, {}, 0x20, pmbus_frame::RTN_COMMAND_FORMAT_ERROR},
        {"AC poll with another argument", 0x40, 0x41, {2}, 0x20, pmbus_frame::RTN_INVALID_DATA},
        {"rectifier poll with data", 0x41, 0x41, {1}, 0x20, pmbus_frame::RTN_COMMAND_FORMAT_ERROR},
        {"DC poll with data at version 0x20", 0x42, 0x44, {1}, 0x20, pmbus_frame::RTN_COMMAND_FORMAT_ERROR},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.what);
        const Reply reply = ask(sim, r.cid1, r.cid2, r.data, 1, r.version);
        ASSERT_FALSE(reply.silent);
        EXPECT_EQ(reply.rtn, r.rtn);
    }
    EXPECT_TRUE(ask(sim, 0x40, 0x41, {1}, 2).silent);  // another device's address
    // A damaged request: the addressed device complains, the others on the bus keep quiet.
    for (const std::uint8_t address : {std::uint8_t{1}, std::uint8_t{2}}) {
        std::string request = pmbus_frame::encode_frame(0x20, address, 0x40, 0x41, nullptr, 0);
        request[request.size() - 2] = request[request.size() - 2] == '0' ? '1' : '0';
        const std::string answer = sim.receive(reinterpret_cast<const std::uint8_t*>(request.data()), request.size());
        EXPECT_EQ(answer.empty(), address != 1) << "address " << int{address} << ": " << answer;
    }
}

TEST(SimulatorEvents, ParsesRoundsSecondsAndArgumentsAndNamesBadLines)
{
    const simulator::Event timed = simulator::parse_event("10s module-fault 2");
    EXPECT_TRUE(timed.by_time);
    EXPECT_EQ(timed.when, 10);
    EXPECT_EQ(timed.kind, simulator::EventKind::module_fault);
    EXPECT_EQ(timed.argument, 2);
    EXPECT_THROW(simulator::parse_event("3 power-outage"), std::invalid_argument);
    EXPECT_THROW(simulator::parse_event("soon mains-failure"), std::invalid_argument);
    EXPECT_THROW(simulator::parse_event("3 module-fault 0"), std::invalid_argument);
    EXPECT_EQ(simulator::parse_event("@12 3 mains-failure").address, 12);
    EXPECT_EQ(simulator::parse_event("3 mains-failure").address, -1);
    for (const char* bad : {"@ 3 mains-failure", "@256 3 mains-failure", "@2"}) {
        EXPECT_THROW(simulator::parse_event(bad), std::invalid_argument) << bad;
    }
    try {
        simulator::parse_script("1 mains-failure\n\n2 nonsense\n");
        FAIL() << "a bad script line was accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_NE(std::string(error.what()).find("line 3"), std::string::npos) << error.what();
    }
}

TEST(Simulator, RetriesAfterASpoiledReplyStayInTheirRound)
{
    SimulatorSettings settings = steady();
    settings.events = simulator::parse_script("1 no-reply\n2 mains-failure\n");
    PowerSystemSimulator sim(settings);
    EXPECT_TRUE(ask(sim, 0x40, 0x41, {1}).silent);
    const Reply retried = ask(sim, 0x40, 0x41, {1});
    EXPECT_EQ(sim.round(), 1u);
    EXPECT_FLOAT_EQ(float_at(retried.info, 2), 220.0f);
    // Answered, the same request again is the next round.
    EXPECT_FLOAT_EQ(float_at(ask(sim, 0x40, 0x41, {1}).info, 2), 0.0f);
    EXPECT_EQ(sim.round(), 2u);
}

TEST(Simulator, RoundsAfterAnAbandonedRoundKeepTheHostsNumbers)
{
    // The host gives round 1 up after three unanswered tries; the same
    // request once more is round 2, and round 3's event fires in round 3.
    SimulatorSettings settings = steady();
    settings.events = simulator::parse_script("1 no-reply 3\n3 mains-failure\n2 module-fault 1\n");
    PowerSystemSimulator sim(settings);
    for (int attempt = 0; attempt < 3; ++attempt) {
        EXPECT_TRUE(ask(sim, 0x40, 0x41, {1}).silent);
    }
    EXPECT_EQ(sim.round(), 1u);
    const Round two = poll_round(sim);
    EXPECT_EQ(sim.round(), 2u);
    EXPECT_FLOAT_EQ(float_at(two.ac_analog.info, 2), 220.0f);
    EXPECT_EQ(two.rect_alarms.info[2 + 2], 1);  // module 1 fault byte
    const Round three = poll_round(sim);
    EXPECT_EQ(sim.round(), 3u);
    EXPECT_FLOAT_EQ(float_at(three.ac_analog.info, 2), 0.0f);
}

TEST(Simulator, FromACaptureAnswersTheSameRequestInOrderHoldingTheLast)
{
    SimulatorSettings settings = steady();
    settings.events = simulator::parse_script("3 no-reply\n");
    const auto frame = [](std::uint8_t cid1, std::uint8_t first) {
        return std::vector<std::uint8_t>{0x20, 0x01, cid1, 0x00, 0x04, 0x00, first, 0x07};
    };
    settings.captured = std::vector<simulator::CapturedExchange>{
        {0x40, 0x41, {1}, frame(0x40, 0xA1)}, {0x40, 0x41, {2}, frame(0x40, 0xB1)},
        {0x40, 0x41, {1}, frame(0x40, 0xA2)}};
    PowerSystemSimulator sim(settings);
    struct Asked {
        std::vector<std::uint8_t> data;
        bool silent;
        std::uint8_t rtn;
        std::uint8_t first;
    };
    const Asked cases[] = {
        {{1}, false, 0x00, 0xA1},   // the first reply to this request
        {{2}, false, 0x00, 0xB1},   // the INFO tells requests apart
        {{1}, true, 0, 0},          // a scripted line fault still applies (round 3)...
        {{1}, false, 0x00, 0xA2},   // ...and the retry gets the reply it should have had
        {{1}, false, 0x00, 0xA2},   // the capture ran out: the last one again
        {{3}, false, pmbus_frame::RTN_INVALID_CID2, 0},  // a request the site never saw
    };
    for (const Asked& expected : cases) {
        SCOPED_TRACE(testing::PrintToString(expected.data));
        const Reply reply = ask(sim, 0x40, 0x41, expected.data);
        ASSERT_EQ(reply.silent, expected.silent);
        EXPECT_EQ(reply.rtn, expected.rtn);
        if (!expected.silent && expected.rtn == 0) {
            EXPECT_EQ(reply.info, (std::vector<std::uint8_t>{expected.first, 0x07}));
        }
    }
}

TEST(SimulatorBus, AddressListsAndTheirRefusals)
{
    EXPECT_EQ(simulator::parse_addresses("3"), (std::vector<std::uint8_t>{3}));
    EXPECT_EQ(simulator::parse_addresses("1,4-6,9"), (std::vector<std::uint8_t>{1, 4, 5, 6, 9}));
    for (const char* bad : {"", "1,,2", "2-1", "1,1", "1-3,2", "256", "a", "1-"}) {
        EXPECT_THROW(simulator::parse_addresses(bad), std::invalid_argument) << bad;
    }
}

// Each address on the bus is a power system of its own: its replies, its
// events, its rounds; a request to an address nobody has goes unanswered.
TEST(SimulatorBus, EachAddressAnswersForItsOwnPowerSystem)
{
    SimulatorSettings settings = steady(4);
    settings.events = simulator::parse_script("@2 2 mains-failure\n2 module-fault 1\n");
    simulator::PowerSystemBus bus(simulator::bus_settings(settings, {1, 2, 3}));
    EXPECT_THROW(simulator::bus_settings(settings, {1, 3}), std::invalid_argument);
    poll_round(bus, 1);
    poll_round(bus, 2);
    const Round one = poll_round(bus, 1);
    const Round two = poll_round(bus, 2);
    const Round three = poll_round(bus, 3);
    EXPECT_EQ(one.ac_analog.address, 1);
    EXPECT_EQ(two.ac_analog.address, 2);
    EXPECT_FLOAT_EQ(float_at(one.ac_analog.info, 2), 220.0f);
    EXPECT_FLOAT_EQ(float_at(two.ac_analog.info, 2), 0.0f);
    EXPECT_EQ(bus.find(1)->round(), 2u);
    EXPECT_EQ(bus.find(3)->round(), 1u);
    EXPECT_EQ(one.rect_alarms.info[2 + 2], 1);    // module 1, on every address by round 2
    EXPECT_EQ(three.rect_alarms.info[2 + 2], 0);  // this one is only in its first round
    EXPECT_TRUE(ask(bus, 0x40, 0x41, {1}, 4).silent);
}
