// What plugin-host run collects from the device during one round: the
// published record and the alarm reports, and from them what a field
// engineer wants to see: readings, and the alarms raised and cleared.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "host/host_observer.h"
#include "protocol419/record.h"
#include "tools/plugin-host/run/round_timer.h"

struct AlarmReport {
    int level = 0;
    std::string key, id, desc, name;
    bool active = false;
};

struct RoundView {
    std::string device;  // the device's name on a site of several; empty for one alone
    unsigned number = 0;
    bool completed = false;
    int replies = 0;
    int faults = 0;
    bool has_record = false;
    qorv52_419_Data_t record{};
    std::vector<AlarmReport> raised;
    std::vector<AlarmReport> cleared;
    std::size_t active = 0;  // alarms active after this round
    RoundTiming timing;
};

// The run tool's host observer. It keeps the round's record and reports,
// appends every published record to the history file, and remembers each
// alarm's state from round to round.
class RoundCollector : public HostObserver {
public:
    // Throws std::runtime_error when the history file cannot be opened.
    void write_history_to(const std::string& path);
    // Why appending to the history file failed; empty while it works. (The
    // failure is not thrown from inside the device's round completion.)
    const std::string& history_error() const { return history_error_; }

    void on_send_sp(int type, const unsigned char* record, unsigned int length, bool flag) override;
    void on_check_threshold_bool(int level, const std::string& key, const std::string& id, const std::string& desc,
                                 const std::string& name, bool state, unsigned short seq) override;

    // Starts collecting a new round.
    void begin_round();
    // The round as collected, with the alarm changes against earlier rounds.
    RoundView end_round(unsigned number, bool completed, int replies, int faults);
    // Calls visit(report, occurrence) for every alarm reported so far, as it
    // stood after the last round; occurrence tells the channels of one rule apart.
    template <typename Visit>
    void each_alarm(Visit&& visit) const
    {
        for (const auto& state : states_) {
            visit(state.second, static_cast<unsigned>(std::get<3>(state.first)));
        }
    }

private:
    // Key, identifier, name, and which report of that kind in the round it
    // is. Channels share their rules' key, identifier and name and come in
    // channel order; the description is no identity, as the system rules
    // put their readings in it.
    using AlarmKey = std::tuple<std::string, std::string, std::string, int>;

    bool has_record_ = false;
    qorv52_419_Data_t record_{};
    std::vector<AlarmReport> reports_;
    std::map<AlarmKey, AlarmReport> states_;  // the last report of each
    std::ofstream history_;
    std::string history_path_;
    std::string history_error_;
};
