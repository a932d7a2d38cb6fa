#include "tools/plugin-host/run/line_poller.h"

#include <algorithm>
#include <iostream>

#include <pthread.h>

#include "host/byte_line.h"
#include "tools/plugin-host/common/file_uses.h"
#include "tools/plugin-host/common/plugin_output.h"
#include "tools/plugin-host/common/stop_signals.h"
#include "tools/plugin-host/simulate/simulator_options.h"

namespace plugin_host {

bool RunShared::stopping() const { return stop_requested() || failed_.load(); }

void RunShared::fail(const std::string& why)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!failed_.exchange(true)) {
        failure_ = why;
    }
}

std::string RunShared::failure() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return failure_;
}

void RunShared::show_round(const RoundView& round)
{
    const std::lock_guard<std::mutex> lock(mutex_);
    account_.count(round);
    show(summary, options.json ? summary_json(round) : summary_text(round));
}

std::string RunShared::account(std::size_t devices) const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return account_.text(devices);
}

LinePoller::LinePoller(const SiteLine& line, RunShared& run, bool single)
    : line_(line), run_(run), single_(single), path_(line.port), baud_(line.baud)
{
    if (line_.simulated) {
        pty_ = std::make_unique<PseudoTerminal>();
        path_ = pty_->slave_path();
        bus_ = std::make_unique<simulator::PowerSystemBus>(std::vector<simulator::SimulatorSettings>{});
        const std::string lead = single_ ? "simulator: " : "simulator " + line_.port + ": ";
        bus_->set_log([lead](const std::string& text) { std::cerr << lead << text << std::endl; });
    }
}

LinePoller::~LinePoller()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    wake_.raise();
    if (thread_.joinable()) {
        thread_.join();
    }
    for (auto& station : stations_) {
        station->device().ClosePort();
    }
    stations_.clear();
    if (port_) {
        port_->close();
    }
    if (server_) {
        server_->stop();
    }
}

bool LinePoller::serves(const SiteLine& line) const
{
    if (line.simulated != line_.simulated) {
        return false;
    }
    if (line.simulated) {
        return line.port == line_.port && line.baud == line_.baud && line.paced == line_.paced;
    }
    return resolved_path(line.port) == resolved_path(line_.port) && line.baud == line_.baud;
}

void LinePoller::add(std::unique_ptr<SiteStation> station)
{
    if (baud_ == 0) {
        baud_ = station->device().baud_rate_;
    }
    if (bus_) {
        simulator::SimulatorSettings settings = station->entry().simulated;
        settings.address = static_cast<std::uint8_t>(station->entry().address);
        settings.version = station->device().protocol_version_;
        settings.paced = line_.paced || run_.options.simulated.paced;
        bus_->add(settings);
    }
    if (opened_) {
        attach(*station);
    }
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stations_.push_back(std::move(station));
    }
    wake_.raise();
}

void LinePoller::attach(SiteStation& station)
{
    // Devices share the port: on a site, each line says whose request it was.
    const LineLog::Sink sink = run_.options.log == "syslog" ? syslog_sink()
                               : stderr_is_journal()         ? journal_sink()
                                                             : stderr_sink();
    const LineLog::Sink said =
        single_ ? sink
                : [sink, lead = station.name() + " on "](Severity severity, const std::string& text) {
                      sink(severity, lead + text);
                  };
    LoopSettings loop{run_.options.timeout_ms, 3};
    // Every wait of the loop asks in short slices whether to stop: each
    // asking shows the line's thread alive.
    loop.stop = [this] {
        touch();
        return run_.stopping();
    };
    station.attach(*port_, loop, said, run_.clock.now(), run_.clock.mode() != DeviceClock::Mode::fast);
}

void LinePoller::open()
{
    if (bus_) {
        const bool paced = line_.paced || run_.options.simulated.paced;
        ByteLine* served = pty_.get();
        if (paced) {
            paced_ = std::make_unique<simulator::PacedLine>(*pty_, baud_);
            served = paced_.get();
        }
        server_ = std::make_unique<simulator::BackgroundServer>(*bus_, *served);
        const std::size_t systems = bus_->size();
        if (single_) {
            simulator::SimulatorSettings settings = run_.options.simulated;
            settings.paced = paced;
            std::cerr << "plugin-host run: simulated power system on " << path_ << ", "
                      << simulated_system_text(settings, baud_) << std::endl;
        } else {
            std::cerr << "plugin-host run: simulated bus " << line_.port << " on " << path_ << ", " << systems
                      << (systems == 1 ? " power system" : " power systems")
                      << (paced ? ", paced at " + std::to_string(baud_) + " baud" : "") << std::endl;
        }
    }
    port_ = std::make_unique<SerialPort>(path_, baud_);
    try {
        port_->open();
    } catch (const LineError&) {
        // A single run's port is there or the command line has a typo: say
        // so at once. A site starts with the ports that are there; its
        // devices find the others lost, say so and reopen them.
        if (single_) {
            throw;
        }
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto& station : stations_) {
        attach(*station);
    }
    opened_ = true;
}

void LinePoller::start()
{
    touch();
    thread_ = std::thread([this] {
        // Named after its line, so that top -H and a debugger show which
        // thread polls which port.
        const std::string base = line_.port.substr(line_.port.find_last_of('/') + 1);
        pthread_setname_np(pthread_self(), ("line " + base).substr(0, 15).c_str());
        poll();
    });
}

std::size_t LinePoller::retire_if(const std::function<bool(const SiteStation&)>& leaves)
{
    std::size_t count = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (auto& station : stations_) {
            if (!station->retiring() && leaves(*station)) {
                station->retire();
                ++count;
            }
        }
    }
    wake_.raise();
    return count;
}

std::size_t LinePoller::devices() const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    return stations_.size();
}

void LinePoller::finish()
{
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        closing_ = true;
    }
    wake_.raise();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void LinePoller::each(const std::function<void(const SiteStation&)>& look) const
{
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& station : stations_) {
        look(*station);
    }
}

void LinePoller::touch()
{
    const std::lock_guard<std::mutex> lock(beat_mutex_);
    beat_ = steady::now();
}

void LinePoller::set_idle_until(steady::time_point until)
{
    const std::lock_guard<std::mutex> lock(beat_mutex_);
    idle_until_ = until;
    beat_ = steady::now();
}

bool LinePoller::alive(steady::time_point now, steady::duration period) const
{
    if (ended_) {
        return true;
    }
    const std::lock_guard<std::mutex> lock(beat_mutex_);
    if (idle_until_ != steady::time_point{}) {
        return now < idle_until_ + period;
    }
    return now - beat_ < period;
}

bool LinePoller::drop_retired()
{
    std::vector<std::unique_ptr<SiteStation>> gone;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (auto at = stations_.begin(); at != stations_.end();) {
            if ((*at)->retiring()) {
                gone.push_back(std::move(*at));
                at = stations_.erase(at);
            } else {
                ++at;
            }
        }
    }
    for (auto& station : gone) {
        if (bus_) {
            bus_->remove(static_cast<std::uint8_t>(station->entry().address));
        }
        station.reset();  // closes its history and capture
    }
    return !gone.empty();
}

SiteStation* LinePoller::next_turn() const
{
    const bool fast = run_.clock.mode() == DeviceClock::Mode::fast;
    const unsigned rounds = static_cast<unsigned>(run_.options.rounds);
    SiteStation* next = nullptr;
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& station : stations_) {
        const bool done = rounds != 0 && station->rounds() >= rounds;
        if (!done && (next == nullptr ||
                      (fast ? station->device_due() < next->device_due() : station->due() < next->due()))) {
            next = station.get();
        }
    }
    return next;
}

void LinePoller::poll()
{
    // However this line ends, it no longer holds a fast clock back, and the
    // run hears of it.
    struct Ending {
        LinePoller& line;
        ~Ending()
        {
            line.run_.clock.leave();
            line.ended_ = true;
            line.run_.line_ended.raise();
        }
    } ending{*this};
    const bool fast = run_.clock.mode() == DeviceClock::Mode::fast;
    for (;;) {
        touch();
        drop_retired();
        if (run_.stopping()) {
            return;
        }
        wake_.take();
        SiteStation* next = next_turn();
        if (next == nullptr) {
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                // Every device has done its rounds (or none is left and the
                // line closes): the line's work is over.
                if (closing_ || !stations_.empty()) {
                    return;
                }
            }
            // No device yet: a reload is adding some.
            set_idle_until(steady::now() + std::chrono::hours(24 * 365));
            const Woken woken = wait_for(std::chrono::hours(1), {wake_.fd()});
            set_idle_until({});
            if (woken == Woken::stop) {
                return;
            }
            continue;
        }
        if (fast) {
            // Waiting for the other lines to move the clock.
            set_idle_until(steady::now() + std::chrono::hours(24 * 365));
            const bool reached = run_.clock.wait_until(next->device_due(), [this] { return run_.stopping(); });
            set_idle_until({});
            if (!reached) {
                return;
            }
        } else {
            const auto now = steady::now();
            if (next->due() > now) {
                set_idle_until(next->due());
                const Woken woken = wait_for(next->due() - now, {wake_.fd()});
                set_idle_until({});
                if (woken == Woken::stop) {
                    return;
                }
                continue;
            }
        }
        touch();
        run_.clock.before_turn();
        bool stopped = false;
        try {
            const std::optional<RoundView> round = next->take_turn(stopped, run_.clock.now());
            if (round) {
                run_.show_round(*round);
            }
        } catch (const std::exception& error) {
            run_.fail(error.what());
        }
        if (stopped) {
            return;
        }
    }
}

}  // namespace plugin_host
