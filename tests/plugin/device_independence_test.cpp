// Several devices of the loaded plug-in in one process, as the daemon keeps
// one per power system: each polls its own simulated power system through
// the host's loop, with its own configuration and events. Whatever each
// device publishes and reports must be what it publishes and reports when it
// runs alone, whether the devices take turns on one thread or run side by
// side on threads of their own.
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <json/reader.h>

#include "host/device_loop.h"
#include "host/plugin_loader.h"
#include "tools/clock_seam/clock_seam.h"
#include "tools/simulator/simulator.h"

namespace {

constexpr int DEVICES = 6;
constexpr int ROUNDS = 20;

// A line straight into a simulator: a request written is answered at once,
// and a silent power system makes the read wait out its timeout.
class SimulatorLine : public ByteLine {
public:
    explicit SimulatorLine(simulator::PowerSystemSimulator& sim) : sim_(sim) {}

    void open() override { open_ = true; }
    void close() override { open_ = false; }
    bool is_open() const override { return open_; }
    bool write(const unsigned char* data, std::size_t length, const WriteWait&) override
    {
        const std::string reply = sim_.receive(data, length);
        pending_.insert(pending_.end(), reply.begin(), reply.end());
        return true;
    }
    std::size_t read(unsigned char* buffer, std::size_t capacity, int timeout_ms) override
    {
        if (pending_.empty()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(timeout_ms));
            return 0;
        }
        std::size_t n = 0;
        for (; n < capacity && !pending_.empty(); ++n) {
            buffer[n] = static_cast<unsigned char>(pending_.front());
            pending_.pop_front();
        }
        return n;
    }
    void discard_input() override { pending_.clear(); }
    std::string name() const override { return "simulated"; }

private:
    simulator::PowerSystemSimulator& sim_;
    std::deque<char> pending_;
    bool open_ = false;
};

// What a device hands the host: its published records and alarm reports.
class Trace : public HostObserver {
public:
    void on_send_sp(int type, const unsigned char* record, unsigned int length, bool) override
    {
        std::ostringstream line;
        line << "record " << type << ' ';
        for (unsigned i = 0; i < length; ++i) {
            line << static_cast<int>(record[i]) << ',';
        }
        calls.push_back(line.str());
    }
    void on_check_threshold_bool(int level, const std::string& key, const std::string& id, const std::string& desc,
                                 const std::string& name, bool state, unsigned short seq) override
    {
        calls.push_back("alarm " + std::to_string(level) + ' ' + key + ' ' + id + ' ' + desc + ' ' + name + ' ' +
                        (state ? "on " : "off ") + std::to_string(seq));
    }

    std::vector<std::string> calls;
};

// Device k's power system and configuration: a size, an alarm mode and a
// string of events of its own, so that state leaking between devices shows.
simulator::SimulatorSettings power_system_of(int k)
{
    simulator::SimulatorSettings settings;
    settings.address = static_cast<std::uint8_t>(k + 1);
    settings.system.modules = 3 + 5 * k;
    settings.system.dc_units = 1 + k % 2;
    settings.system.dc_unit_count = k % 2 == 1;
    settings.system.load_current = 60.0f + 25.0f * static_cast<float>(k);
    const std::string script = "2 garbled-frame\n" + std::to_string(2 + k) + " mains-failure " + std::to_string(1 + k % 2) +
                               "\n" + std::to_string(3 + k) + " module-fault " + std::to_string(1 + k) + "\n" +
                               std::to_string(5 + k) + " dc-undervoltage\n" + std::to_string(7 + k) +
                               " all-normal\n" + std::to_string(9 - k) + " frequency-high\n";
    settings.events = simulator::parse_script(script);
    return settings;
}

Json::Value configuration_of(int k)
{
    const std::string text = R"({"appSetting": {"b_mode": ")" + std::to_string(1 + k % 2) +
                             R"(", "has_ac": "1", "has_dc": "1", "has_a": "1", "has_b": "1", "has_c": "1"}})";
    Json::Value config;
    std::istringstream(text) >> config;
    return config;
}

// One device with its power system, line and loop.
struct Station {
    Station(const PluginLibrary& library, int k)
        : sim(power_system_of(k)), line(sim), created(library.create_device()),
          device(dynamic_cast<PMBusProtocol*>(created.get()))
    {
        device->set_observer(&trace);
        device->address_ = static_cast<unsigned char>(k + 1);
        for (const char* id : {"220600120010", "220600130010", "220600160010", "210600320010", "210600340010"}) {
            device->level_map_[id] = 1 + k % 3;
        }
        device->threshold_map_["220600160010"] = 51.0f + static_cast<float>(k);
        device->threshold_map_["210600320010"] = 46.0f + 0.5f * static_cast<float>(k);
        device->threshold_map_["210600340010"] = 57.0f;
        device->InitSetting(configuration_of(k));
        loop = std::make_unique<DeviceLoop>(*device, line, LoopSettings{20, 3});
    }
    ~Station() { device->set_observer(nullptr); }

    simulator::PowerSystemSimulator sim;
    SimulatorLine line;
    Trace trace;
    std::unique_ptr<SMDSPDevice> created;
    PMBusProtocol* device;
    std::unique_ptr<DeviceLoop> loop;
};

// Every round starts on a clock two seconds on, whoever runs it.
void start_clock() { clock_seam::freeze_at_local(2026, 3, 1, 8, 0, 0); }

std::vector<std::string> alone(const PluginLibrary& library, int k)
{
    start_clock();
    Station station(library, k);
    for (int round = 0; round < ROUNDS; ++round) {
        clock_seam::advance(2);
        station.loop->run_round();
    }
    return station.trace.calls;
}

// Lets the rounds of threads start together, each on the clock the main
// thread has set for it, and waits until all of them are done.
class RoundGate {
public:
    explicit RoundGate(int threads) : threads_(threads) {}

    void open_round()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        ++round_;
        running_ = threads_;
        changed_.notify_all();
        changed_.wait(lock, [&] { return running_ == 0; });
    }
    // Waits for round `round` (from 1) to open.
    void await_round(int round)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return round_ >= round; });
    }
    void round_done()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (--running_ == 0) {
            changed_.notify_all();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int threads_;
    int round_ = 0;
    int running_ = 0;
};

class DeviceIndependence : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int k = 0; k < DEVICES; ++k) {
            expected.push_back(alone(library, k));
            ASSERT_GT(expected.back().size(), static_cast<std::size_t>(ROUNDS)) << "device " << k;
        }
        start_clock();
        for (int k = 0; k < DEVICES; ++k) {
            stations.push_back(std::make_unique<Station>(library, k));
        }
    }
    void TearDown() override { clock_seam::use_real_clock(); }

    void expect_each_as_alone()
    {
        for (std::size_t k = 0; k < stations.size(); ++k) {
            EXPECT_EQ(stations[k]->trace.calls, expected[k]) << "device " << k;
        }
    }

    PluginLibrary library{QORV_PLUGIN_PATH};
    std::vector<std::vector<std::string>> expected;
    std::vector<std::unique_ptr<Station>> stations;
};

TEST_F(DeviceIndependence, DevicesTakingTurnsOnOneThread)
{
    for (int round = 0; round < ROUNDS; ++round) {
        clock_seam::advance(2);
        for (auto& station : stations) {
            station->loop->run_round();
        }
    }
    expect_each_as_alone();
}

TEST_F(DeviceIndependence, DevicesSideBySideOnThreadsOfTheirOwn)
{
    RoundGate gate(DEVICES);
    std::vector<std::thread> threads;
    for (auto& station : stations) {
        threads.emplace_back([&gate, &station] {
            for (int round = 1; round <= ROUNDS; ++round) {
                gate.await_round(round);
                station->loop->run_round();
                gate.round_done();
            }
        });
    }
    for (int round = 0; round < ROUNDS; ++round) {
        clock_seam::advance(2);
        gate.open_round();
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    expect_each_as_alone();
}

}  // namespace
