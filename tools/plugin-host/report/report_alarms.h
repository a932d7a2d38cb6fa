// The alarm timeline of a history, as the plug-in judges it: every record is
// loaded into a device (LoadFromCache), whose round completion runs the
// alarm rules with the host's levels and thresholds; the reports it makes
// become, per alarm, the stretches of time it was active.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "host/host_observer.h"
#include "host/pmbus_protocol.h"

namespace plugin_host {

struct AlarmLane {
    std::string name;
    int level = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> active;  // ms, [from, to)
};

class AlarmTimeline : public HostObserver {
public:
    // An alarm still active at a gap ends one interval after the last
    // record before it; two stretches closer than merge_ms (a pixel of the
    // time axis) are drawn as one.
    AlarmTimeline(std::int64_t interval, std::int64_t gap_ms, std::int64_t merge_ms);

    // Loads the record into the device at the record's own time and takes
    // the alarm reports of the round completion it triggers. The device must
    // have this timeline as its observer.
    void judge(PMBusProtocol& device, const std::uint8_t* record, std::int64_t time);

    // The lanes in the order the alarms were first reported; only alarms
    // that were active at some time.
    std::vector<AlarmLane> finish();

    void on_check_threshold_bool(int level, const std::string& key, const std::string& id, const std::string& desc,
                                 const std::string& name, bool state, unsigned short seq) override;

private:
    // Key, identifier, name, and which report of that kind in the round it
    // is (channels share their rule's key, identifier and name).
    using Identity = std::tuple<std::string, std::string, std::string, int>;
    struct Lane {
        Identity identity;
        AlarmLane shown;
        bool open = false;
        std::int64_t since = 0;
    };
    struct Report {
        std::size_t lane;
        bool active;
    };
    std::size_t lane_of(int level, const std::string& key, const std::string& id, const std::string& name);
    void close(Lane& lane, std::int64_t at);
    void settle(std::int64_t time);

    std::int64_t interval_;
    std::int64_t gap_ms_;
    std::int64_t merge_ms_;
    bool started_ = false;
    std::int64_t last_time_ = 0;
    std::vector<Lane> lanes_;
    std::map<Identity, std::size_t> index_;
    std::vector<std::size_t> lane_at_position_;  // the lane of the n-th report, as last seen
    bool same_order_ = true;                     // this round's reports so far came as last time
    std::vector<Report> reports_;
};

}  // namespace plugin_host
