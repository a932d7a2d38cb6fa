// The host's loop over a pseudo-terminal against the simulator, with a small
// two-request device: replies reach process, faults reach process_error with
// a diagnostic, retries recover, and an abandoned round does not stop the next.
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <unistd.h>

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

// A line that answers each request with the next canned text: a reply, ""
// for silence (the read waits its timeout out), or "lost" for a hang-up.
// Opening fails while refusals are left.
class CannedLine : public ByteLine {
public:
    void open() override
    {
        if (refusals > 0) {
            --refusals;
            throw LineError("serial port fake does not exist");
        }
        open_ = true;
    }
    void close() override { open_ = false; }
    bool is_open() const override { return open_; }
    bool write(const unsigned char*, std::size_t, const WriteWait&) override
    {
        pending_ = next_ < answers.size() ? answers[next_++] : "";
        return true;
    }
    std::size_t read(unsigned char* buffer, std::size_t capacity, int timeout_ms) override
    {
        if (pending_ == "lost") {
            throw LineLost("fake was hung up");
        }
        if (pending_.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
            return 0;
        }
        const std::size_t n = std::min(capacity, pending_.size());
        pending_.copy(reinterpret_cast<char*>(buffer), n);
        pending_.erase(0, n);
        return n;
    }
    void discard_input() override {}
    std::string name() const override { return "fake"; }

    std::vector<std::string> answers;
    int refusals = 0;

private:
    bool open_ = false;
    std::size_t next_ = 0;
    std::string pending_;
};

// Writes to the line until it takes no more: a far end that never reads.
// The kernel moves a pseudo-terminal's bytes on in the background, so the
// line is full only when it still takes nothing a moment later.
void fill(FdLine& line)
{
    const std::vector<unsigned char> block(4096, '0');
    for (bool took = true; took;) {
        took = false;
        while (::write(line.fd(), block.data(), block.size()) > 0) {
            took = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        took = took || ::write(line.fd(), block.data(), 1) > 0;
    }
}

std::string reply(std::uint8_t cid1, std::uint8_t version = 0x20, std::uint8_t address = 1)
{
    const std::uint8_t info[] = {0x00, 0x02};
    return pmbus_frame::encode_frame(version, address, cid1, pmbus_frame::RTN_NORMAL, info, sizeof info);
}

// Collects what a LineLog says, on a clock the test moves.
struct CollectedLog {
    std::vector<std::string> lines;
    std::chrono::steady_clock::time_point now{};
    LineLog log{[this](Severity, const std::string& line) { lines.push_back(line); }, [this] { return now; }};

    std::size_t count(const std::string& text) const
    {
        std::size_t found = 0;
        for (const std::string& line : lines) {
            if (line.find(text) != std::string::npos) {
                ++found;
            }
        }
        return found;
    }
};

// One round with a reply timeout of 100 ms and two attempts a request.
ExchangeResult round_of_two_attempts(PMBusProtocol& device, ByteLine& line, CollectedLog& log)
{
    LoopSettings settings(100, 2);
    settings.log = &log.log;
    DeviceLoop loop(device, line, settings);
    const ExchangeResult result = loop.run_round();
    EXPECT_EQ(result.faults, 2);
    return result;
}

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
        {"garbled-frame", "bad reply: not a hex digit (character 0x5A) (request 40/41, attempt 1 of 3)"},
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

TEST(SerialPortTest, AFarEndThatGoesAwayIsALostLineNotASilentOne)
{
    auto pty = std::make_unique<PseudoTerminal>();
    SerialPort port(pty->slave_path(), 9600);
    port.open();
    pty.reset();
    unsigned char buffer[8];
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(port.read(buffer, sizeof buffer, 5000), LineLost);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_THROW(port.write(buffer, sizeof buffer, {}), LineLost);
    EXPECT_THROW(port.read(buffer, sizeof buffer, 5000), LineLost);
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
    pty.write(bytes, sizeof bytes, {});
    std::size_t got = 0;
    while (got < sizeof bytes) {
        const std::size_t n = port.read(buffer + got, sizeof buffer - got, 1000);
        ASSERT_GT(n, 0u);
        got += n;
    }
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + got), std::vector<unsigned char>(bytes, bytes + 8));
    port.write(bytes, sizeof bytes, {});
    got = 0;
    while (got < sizeof bytes) {
        const std::size_t n = pty.read(buffer + got, sizeof buffer - got, 1000);
        ASSERT_GT(n, 0u);
        got += n;
    }
    EXPECT_EQ(std::vector<unsigned char>(buffer, buffer + got), std::vector<unsigned char>(bytes, bytes + 8));
}

TEST(DeviceLoopReplies, AReplyThatCannotBeUsedIsAFaultSummarisedAcrossAttempts)
{
    struct Case {
        const char* what;
        std::vector<std::string> answers;  // one for each attempt
        const char* diagnostic;
    };
    const auto thrice = [](const std::string& answer) { return std::vector<std::string>(3, answer); };
    // The same reply with a different non-hex character each time.
    auto noise = [](char bad) {
        std::string frame = reply(0x40);
        frame[5] = bad;
        return frame;
    };
    const std::string half = reply(0x40).substr(0, 12);
    const std::vector<Case> cases = {
        {"another CID1", thrice(reply(0x41)), "reply for CID1 41 to a request for 40"},
        {"another version", thrice(reply(0x40, 0x21)), "reply with protocol version 21 to a request with 20"},
        {"another address", thrice(reply(0x40, 0x20, 2)), "reply from address 2, expected 1"},
        {"other bytes that are not hex", {noise('Z'), noise('?'), noise('x')}, "bad reply: not a hex digit"},
        {"a frame cut off", thrice(half), "reply cut off: the line went quiet for 50 ms in the middle of a frame"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TwoStepDevice device;
        CannedLine line;
        line.answers = c.answers;
        CollectedLog log;
        LoopSettings settings(50, 3);
        settings.log = &log.log;
        DeviceLoop loop(device, line, settings);
        const ExchangeResult result = loop.run_round();
        EXPECT_TRUE(result.abandoned);
        EXPECT_EQ(result.faults, 3);
        EXPECT_TRUE(device.infos.empty());
        // Said once; the two retries that meet the same fault are counted.
        EXPECT_EQ(log.count(c.diagnostic), 1u);
        log.log.flush(true);
        EXPECT_EQ(log.count("2 more like this in the last minute"), 1u);
    }
}

TEST(DeviceLoopReplies, ARequestNoFrameCarriesIsAFaultThatIsSaid)
{
    // Asks 40/41 with more data than a frame carries.
    class OversizeDevice : public TwoStepDevice {
    public:
        int RefreshStatus() override
        {
            const std::vector<unsigned char> data(pmbus_frame::MAX_INFO_BYTES + 1);
            write_pmbus_cmd(0x40, 0x41, data.data(), static_cast<int>(data.size()));
            return 1;
        }
    };
    OversizeDevice device;
    CannedLine line;
    CollectedLog log;
    EXPECT_TRUE(round_of_two_attempts(device, line, log).abandoned);
    EXPECT_EQ(device.errors, 2);
    EXPECT_EQ(log.count("cannot frame 40/41 with 2048 INFO bytes"), 1u);
}

TEST(DeviceLoopReplies, ASlowLineNeverTurnsAReplyInProgressIntoNoReply)
{
    // Each reply needs 120 to 150 ms at 9600 baud, well beyond the timeout
    // for its first character.
    TwoStepDevice device;
    simulator::SimulatorSettings settings = with_events("");
    settings.paced = true;
    SimulatedLine line(settings);
    SerialPort port(line.pty.slave_path(), 9600);
    port.open();
    CollectedLog log;
    LoopSettings loop_settings(80, 1);
    loop_settings.log = &log.log;
    DeviceLoop loop(device, port, loop_settings);
    const ExchangeResult result = loop.run_round();
    EXPECT_TRUE(result.completed) << (log.lines.empty() ? "" : log.lines.front());
    EXPECT_EQ(result.faults, 0);
}

TEST(DeviceLoopLine, ALostLineIsSaidOnceReopenedAndSaidBack)
{
    TwoStepDevice device;
    CannedLine line;
    line.answers = {"lost", reply(0x40), reply(0x41)};
    CollectedLog log;
    LoopSettings settings(50, 3);
    settings.log = &log.log;
    settings.reopen = ReopenPolicy{std::chrono::milliseconds(1), std::chrono::milliseconds(4)};
    DeviceLoop loop(device, line, settings);

    const ExchangeResult lost = loop.run_round();
    EXPECT_TRUE(lost.lost);
    EXPECT_TRUE(lost.abandoned);
    EXPECT_FALSE(line.is_open());
    EXPECT_TRUE(loop.line_state().down());

    line.refusals = 3;  // the port is still gone on the first reopenings
    const ExchangeResult back = loop.run_round();
    EXPECT_TRUE(back.completed);
    EXPECT_FALSE(loop.line_state().down());
    EXPECT_EQ(log.count("line lost (fake was hung up)"), 1u);
    EXPECT_EQ(log.count("cannot reopen: serial port fake does not exist"), 1u);
    EXPECT_EQ(log.count("cannot reopen: 2 more like this in the last minute"), 1u);
    EXPECT_EQ(log.count("line back after"), 1u);
    EXPECT_EQ(log.lines.size(), 4u);
}

TEST(DeviceLoopLine, AWriteTheLineDoesNotTakeIsAFaultSaidAndRetried)
{
    PseudoTerminal pty;  // whose end never reads
    SerialPort port(pty.slave_path(), 9600);
    port.open();
    fill(port);
    TwoStepDevice device;
    CollectedLog log;
    const ExchangeResult result = round_of_two_attempts(device, port, log);
    EXPECT_TRUE(result.abandoned);
    EXPECT_FALSE(result.lost);
    EXPECT_EQ(device.errors, 2);
    EXPECT_EQ(log.count("cannot send the request: cannot write to " + pty.slave_path() +
                        ": the line took no data for 100 ms"),
              1u);
    log.log.flush(true);
    EXPECT_EQ(log.count("1 more like this in the last minute"), 1u);
}

namespace {

// One round of the two-step device on `line`, with a reply timeout and
// pauses before reopening of ten minutes, until `stop`.
ExchangeResult round_with_long_waits(ByteLine& line, const StopCheck& stop)
{
    TwoStepDevice device;
    CollectedLog log;
    LoopSettings settings(600000, 3);
    settings.stop = stop;
    settings.log = &log.log;
    settings.reopen = ReopenPolicy{std::chrono::minutes(10), std::chrono::minutes(10)};
    DeviceLoop loop(device, line, settings);
    return loop.run_round();
}

}  // namespace

// Every wait of the host and of the simulator, each blocking far longer than
// a test runs: a stop ends each within a fraction of a second.
TEST(Waits, EveryWaitEndsSoonAfterAStop)
{
    struct Case {
        const char* what;
        // Blocks until `stop` turns true (or far longer when it is not asked).
        std::function<void(const StopCheck& stop)> wait;
    };
    const std::vector<Case> cases = {
        {"a reply wait",
         [](const StopCheck& stop) {
             CannedLine line;
             EXPECT_TRUE(round_with_long_waits(line, stop).stopped);
         }},
        {"a pause before reopening a lost line",
         [](const StopCheck& stop) {
             CannedLine line;
             line.refusals = 1;
             EXPECT_FALSE(round_with_long_waits(line, stop).started);
         }},
        {"a request the line does not take",
         [](const StopCheck& stop) {
             PseudoTerminal pty;
             SerialPort port(pty.slave_path(), 9600);
             port.open();
             fill(port);
             EXPECT_TRUE(round_with_long_waits(port, stop).stopped);
         }},
        {"a simulator's reply to a host that reads nothing",
         [](const StopCheck& stop) {
             simulator::PowerSystemSimulator sim(with_events(""));
             PseudoTerminal pty;
             SerialPort host(pty.slave_path(), 9600);
             host.open();
             fill(pty);
             const std::string request = pmbus_frame::encode_frame(0x20, 1, 0x41, 0x41, nullptr, 0);
             host.write(reinterpret_cast<const unsigned char*>(request.data()), request.size(), {});
             std::atomic<bool> stopped{false};
             std::thread watcher([&] {
                 while (!stop()) {
                     std::this_thread::sleep_for(std::chrono::milliseconds(5));
                 }
                 stopped = true;
             });
             simulator::serve(sim, pty, stopped);
             watcher.join();
         }},
        {"a paced reply at 1200 baud",
         [](const StopCheck& stop) {
             PseudoTerminal pty;
             simulator::PacedLine paced(pty, 1200);
             const std::string reply(2000, '0');  // about 17 s on the line
             EXPECT_FALSE(paced.write(reinterpret_cast<const unsigned char*>(reply.data()), reply.size(),
                                      WriteWait{std::chrono::minutes(10), stop}));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::atomic<bool> stop{false};
        std::thread stopper([&stop] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            stop = true;
        });
        const auto start = std::chrono::steady_clock::now();
        c.wait([&stop] { return stop.load(); });
        stopper.join();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    }
}

TEST(LineLogTest, ARepeatedFaultIsSummarisedOncePerMinute)
{
    CollectedLog log;
    for (int i = 0; i < 58; ++i) {
        log.log.fault("/dev/ttyUSB0", "no reply within 1000 ms", "no reply within 1000 ms (request 40/41)");
        log.now += std::chrono::milliseconds(500);
    }
    log.log.fault("/dev/ttyUSB0", "bad reply: bad CHKSUM", "bad reply: bad CHKSUM (request 41/41)");
    log.log.flush();  // the first minute is not over: nothing yet
    EXPECT_EQ(log.lines.size(), 2u);
    log.now += std::chrono::seconds(40);
    log.log.fault("/dev/ttyUSB0", "no reply within 1000 ms", "no reply within 1000 ms (request 40/41)");
    const std::vector<std::string> expected = {
        "/dev/ttyUSB0: no reply within 1000 ms (request 40/41)",
        "/dev/ttyUSB0: bad reply: bad CHKSUM (request 41/41)",
        "/dev/ttyUSB0: no reply within 1000 ms: 57 more like this in the last minute",
        "/dev/ttyUSB0: no reply within 1000 ms (request 40/41)",
    };
    EXPECT_EQ(log.lines, expected);
}
