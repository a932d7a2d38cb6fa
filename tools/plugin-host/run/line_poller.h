// One line of a site: a serial port, or a simulated bus on a pseudo-terminal,
// with the devices on it and the thread that gives them their turns, one
// request outstanding at a time, each when its own interval comes round.
// Devices join and leave while the thread runs (a reload): a device that
// leaves finishes its round first, and its files close as it goes.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/serial_port.h"
#include "tools/plugin-host/common/wake_flag.h"
#include "tools/plugin-host/run/device_clock.h"
#include "tools/plugin-host/run/run_options.h"
#include "tools/plugin-host/run/run_summary.h"
#include "tools/plugin-host/run/site_document.h"
#include "tools/plugin-host/run/site_station.h"
#include "tools/simulator/line_server.h"
#include "tools/simulator/paced_line.h"
#include "tools/simulator/power_system_bus.h"
#include "tools/simulator/pseudo_terminal.h"

namespace plugin_host {

// What every line's thread of a run shares: the options, the summary, the
// devices' clock, the closing account, and a failure that stops them all.
class RunShared {
public:
    RunShared(const RunOptions& run_options, FILE* summary_stream, DeviceClock& device_clock)
        : options(run_options), summary(summary_stream), clock(device_clock)
    {
    }

    const RunOptions& options;
    FILE* const summary;
    DeviceClock& clock;
    // Raised by a line's thread as it ends.
    WakeFlag line_ended;

    bool stopping() const;
    void fail(const std::string& why);
    std::string failure() const;
    // Counts a round and shows its summary.
    void show_round(const RoundView& round);
    std::string account(std::size_t devices) const;

private:
    mutable std::mutex mutex_;
    std::atomic<bool> failed_{false};
    std::string failure_;
    RunAccount account_;
};

class LinePoller {
public:
    using steady = std::chrono::steady_clock;

    // `single`: the one line of a single run, said as it always was.
    LinePoller(const SiteLine& line, RunShared& run, bool single);
    ~LinePoller();
    LinePoller(const LinePoller&) = delete;
    LinePoller& operator=(const LinePoller&) = delete;

    // Whether a device with this line belongs here: the same port (or bus)
    // at the same speed and pace.
    bool serves(const SiteLine& line) const;
    const SiteLine& line() const { return line_; }

    // A device joins the line: its power system joins a simulated bus, and
    // once the line is open it is attached and takes turns.
    void add(std::unique_ptr<SiteStation> station);
    // Starts a simulated bus and opens the port. A single run's port that
    // cannot be opened throws LineError; a site's is found lost by its
    // devices, which say so and reopen it.
    void open();
    // Starts the line's thread.
    void start();
    // Asks every device that `leaves` picks to go; returns how many.
    std::size_t retire_if(const std::function<bool(const SiteStation&)>& leaves);
    // Devices on the line, retiring ones included.
    std::size_t devices() const;
    // The line's thread has ended (its devices are done, or none is left).
    bool ended() const { return ended_.load(); }
    // Lets a line with no devices end, and waits for its thread.
    void finish();

    // Calls `look` with each device, under the line's lock.
    void each(const std::function<void(const SiteStation&)>& look) const;
    // The thread has made progress within `period`, or is waiting for a
    // device's turn that is not overdue by more.
    bool alive(steady::time_point now, steady::duration period) const;

    // The path the devices poll: the port, or the bus's pseudo-terminal.
    const std::string& path() const { return path_; }
    int baud() const { return baud_; }

private:
    void poll();
    // Drops the devices that were asked to go; true when any went.
    bool drop_retired();
    SiteStation* next_turn() const;
    void attach(SiteStation& station);
    void touch();
    // Waiting for a device's turn at `until`; steady::time_point{} when busy.
    void set_idle_until(steady::time_point until);

    const SiteLine line_;
    RunShared& run_;
    const bool single_;
    std::string path_;
    int baud_ = 0;
    // Declared in the order they are needed: the devices go before the port,
    // the server before its bus.
    std::unique_ptr<PseudoTerminal> pty_;
    std::unique_ptr<simulator::PowerSystemBus> bus_;
    std::unique_ptr<simulator::PacedLine> paced_;
    std::unique_ptr<simulator::BackgroundServer> server_;
    std::unique_ptr<SerialPort> port_;
    bool opened_ = false;

    mutable std::mutex mutex_;  // guards stations_ and closing_
    std::vector<std::unique_ptr<SiteStation>> stations_;
    bool closing_ = false;
    WakeFlag wake_;
    std::thread thread_;
    std::atomic<bool> ended_{false};
    // Progress of the line's thread, for the watchdog. Under a mutex rather
    // than in 64-bit atomics, which 32-bit MIPS does not have.
    mutable std::mutex beat_mutex_;
    steady::time_point beat_{};
    steady::time_point idle_until_{};  // none: busy
};

}  // namespace plugin_host
