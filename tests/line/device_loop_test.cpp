// The host's loop over a pseudo-terminal against the simulator, with a small
// two-request device: replies reach process, faults reach process_error with
// a diagnostic, retries recover, and an abandoned round does not stop the next.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/device_loop.h"
#include "host/serial_port.h"
#include "tests/line/line_helpers.h"

namespace {

// Asks 40/41 then 41/41 and publishes a record; keeps what it was given.
class TwoStepDevice : public PMBusProtocol {
public:
    int RefreshStatus() override
    {
        poll_step_ = 0;
        const unsigned char arg = 1;
        write_pmbus_cmd(0x40, 0x41, &arg, 1);
        return 1;
    }
    int process_payload() override
    {
        const unsigned info_length = static_cast<unsigned>(recv_frame_[4] | recv_frame_[5] << 8) / 2;
        infos.emplace_back(recv_frame_ + 6, recv_frame_ + 6 + info_length);
        if (poll_step_ == 0) {
            poll_step_ = 4;
            write_pmbus_cmd(0x41, 0x41);
            return 1;
        }
        const unsigned char record[1] = {0};
        SendSP(1, record, sizeof record, false);
        return 0;
    }
    int process_error() override
    {
        ++errors;
        return 0;
    }

    std::vector<std::vector<std::uint8_t>> infos;
    int errors = 0;
};

simulator::SimulatorSettings with_events(const std::string& script)
{
    simulator::SimulatorSettings settings;
    settings.system.jitter = false;
    settings.events = simulator::parse_script(script);
    return settings;
}

class DeviceLoopTest : public ::testing::Test {
protected:
    void start(const std::string& script)
    {
        loop.reset();  // the old loop hands the device's observer back first
        line = std::make_unique<SimulatedLine>(with_events(script));
        port = std::make_unique<SerialPort>(line->pty.slave_path(), 9600);
        port->open();
        loop = std::make_unique<DeviceLoop>(device, *port, LoopSettings{200, 3});
    }

    TwoStepDevice device;
    std::unique_ptr<SimulatedLine> line;
    std::unique_ptr<SerialPort> port;
    std::unique_ptr<DeviceLoop> loop;
};

}  // namespace

TEST_F(DeviceLoopTest, GoodRoundHandsEveryReplyToTheDevice)
{
    start("");
    const ExchangeResult result = loop->run_round();
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.completed);
    EXPECT_EQ(result.replies, 2);
    EXPECT_EQ(result.faults, 0);
    ASSERT_EQ(device.infos.size(), 2u);
    EXPECT_EQ(device.infos[0][1], 2);  // two AC channels
    EXPECT_FLOAT_EQ(float_at(device.infos[1], 1), 53.5f);
    EXPECT_EQ(device.errors, 0);
}

TEST_F(DeviceLoopTest, EachLineFaultIsReportedAndTheRetryRecovers)
{
    struct Case {
        const char* fault;
        const char* diagnostic;
    };
    const std::vector<Case> cases = {
        {"no-reply", "no reply within 200 ms (request 40/41, attempt 1 of 3)"},
        {"garbled-frame", "bad reply: character 0x5A is not a hex digit (request 40/41, attempt 1 of 3)"},
        {"bad-checksum", "bad reply: bad CHKSUM"},
        {"error-rtn", "error reply: RTN 06 (invalid data) (request 40/41, attempt 1 of 3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        device.infos.clear();
        device.errors = 0;
        start(std::string("1 ") + c.fault + "\n");
        ::testing::internal::CaptureStderr();
        const ExchangeResult result = loop->run_round();
        const std::string diagnostics = ::testing::internal::GetCapturedStderr();
        EXPECT_TRUE(result.completed);
        EXPECT_EQ(result.faults, 1);
        EXPECT_EQ(device.errors, 1);
        EXPECT_EQ(device.infos.size(), 2u);
        EXPECT_NE(diagnostics.find(c.diagnostic), std::string::npos) << diagnostics;
        EXPECT_NE(diagnostics.find(line->pty.slave_path()), std::string::npos) << diagnostics;
    }
}

TEST_F(DeviceLoopTest, RoundIsAbandonedAfterTheLastAttemptAndTheNextOneRuns)
{
    start("1 no-reply 3\n");
    ::testing::internal::CaptureStderr();
    const ExchangeResult lost = loop->run_round();
    const std::string diagnostics = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(lost.abandoned);
    EXPECT_FALSE(lost.completed);
    EXPECT_EQ(lost.faults, 3);
    EXPECT_EQ(device.errors, 3);
    EXPECT_NE(diagnostics.find("giving up on 40/41 after 3 attempts"), std::string::npos) << diagnostics;

    const ExchangeResult next = loop->run_round();
    EXPECT_TRUE(next.completed);
    EXPECT_EQ(next.faults, 0);
}

TEST(SerialPortTest, MissingBusyAndUnsupportedPortsAreRefusedClearly)
{
    SerialPort missing("/dev/no-such-port", 9600);
    EXPECT_THROW(
        {
            try {
                missing.open();
            } catch (const LineError& error) {
                EXPECT_STREQ(error.what(), "serial port /dev/no-such-port does not exist");
                throw;
            }
        },
        LineError);

    PseudoTerminal pty;
    SerialPort first(pty.slave_path(), 9600);
    first.open();
    SerialPort second(pty.slave_path(), 9600);
    try {
        second.open();
        FAIL() << "a port in use was opened twice";
    } catch (const LineError& error) {
        EXPECT_NE(std::string(error.what()).find("is busy"), std::string::npos) << error.what();
    }
    // Closed, the port can be opened again.
    first.close();
    EXPECT_NO_THROW(second.open());

    SerialPort odd_speed(pty.slave_path(), 9601);
    EXPECT_THROW(odd_speed.open(), LineError);
}

TEST(SerialPortTest, CarriesBytesUnchangedAndTimesOutWhenQuiet)
{
    PseudoTerminal pty;
    SerialPort port(pty.slave_path(), 115200);
    port.open();
    unsigned char buffer[32];
    EXPECT_EQ(port.read(buffer, sizeof buffer, 20), 0u);
    // CR and bytes a line discipline would translate pass raw in both directions.
    const unsigned char bytes[] = {'~', '\r', '\n', 0x03, 0x11, 0x13, 0x7F, 0xFF};
    pty.write(bytes, sizeof bytes);
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const std::size_t n = port.read(buffer + got, sizeof buffer - got, 1000);
        ASSERT_GT(n, 0u);
        got += n;
    }
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + got), std::vector<unsigned char>(bytes, bytes + 8));
    port.write(bytes, sizeof bytes);
    got = 0;
    while (got < sizeof bytes) {
        const std::size_t n = pty.read(buffer + got, sizeof buffer - got, 1000);
        ASSERT_GT(n, 0u);
        got += n;
    }
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + got), std::vector<unsigned char>(bytes, bytes + 8));
}
