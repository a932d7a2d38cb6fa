// What plugin-host run collects from the device during one round: the
// published record and the alarm reports, and from them what a field
// engineer wants to see: readings, and the alarms raised and cleared.
#pragma once

#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "host/host_observer.h"
#include "protocol419/record.h"
#include "tools/plugin-host/run/dated_history.h"
#include "tools/plugin-host/run/round_timer.h"

namespace plugin_host {

struct AlarmReport {
    int level = 0;
    std::string key, id, desc, name;
    bool active = false;
};

struct RoundView {
    std::string device;  // the device's name on a site of several; empty for one alone
    unsigned number = 0;
    bool completed = false;
    bool cut_short = false;  // a stop request ended the round
    int replies = 0;
    int faults = 0;
    bool has_record = false;
    bool stored = false;  // the record went into the history file
    qorv52_419_Data_t record{};
    std::vector<AlarmReport> raised;
    std::vector<AlarmReport> cleared;
    std::size_t active = 0;  // alarms active after this round
    RoundTiming timing;

    // The round completed and the device published its record.
    bool completed_with_record() const { return completed && has_record; }
};

// The run tool's host observer. It keeps the round's record and reports,
// appends every published record to the history file, and remembers each
// alarm's state from round to round.
class RoundCollector : public HostObserver {
public:
    // Appends every published record to the history named `name` (see
    // DatedHistory: `keep_days` and `keep_option`, `device_now`), which says
    // through `say` what it had to cut, remove or could not write. Throws
    // std::runtime_error when the file cannot be opened.
    void write_history_to(const std::string& name, int keep_days, const std::string& keep_option,
                          std::time_t device_now, HistoryFile::Say say);

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
    bool stored_ = false;
    qorv52_419_Data_t record_{};
    std::vector<AlarmReport> reports_;
    std::map<AlarmKey, AlarmReport> states_;  // the last report of each
    std::unique_ptr<DatedHistory> history_;
};

}  // namespace plugin_host
