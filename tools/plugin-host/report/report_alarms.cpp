#include "tools/plugin-host/report/report_alarms.h"

#include "protocol419/record_fields.h"
#include "tools/clock_seam/clock_seam.h"
#include "tools/plugin-host/common/record_view.h"

namespace plugin_host {

AlarmTimeline::AlarmTimeline(std::int64_t interval, std::int64_t gap_ms, std::int64_t merge_ms)
    : interval_(interval), gap_ms_(gap_ms), merge_ms_(merge_ms)
{
}

void AlarmTimeline::on_check_threshold_bool(int level, const std::string& key, const std::string& id,
                                            const std::string&, const std::string& name, bool state, unsigned short)
{
    reports_.push_back({lane_of(level, key, id, name), state});
}

std::size_t AlarmTimeline::lane_of(int level, const std::string& key, const std::string& id, const std::string& name)
{
    // Rounds report the same rules in the same order: while this round has
    // followed the last one, the lane at this position is the one it had.
    const std::size_t position = reports_.size();
    if (same_order_ && position < lane_at_position_.size()) {
        const Identity& known = lanes_[lane_at_position_[position]].identity;
        if (std::get<0>(known) == key && std::get<1>(known) == id && std::get<2>(known) == name) {
            return lane_at_position_[position];
        }
    }
    same_order_ = false;
    int occurrence = 0;
    for (const Report& report : reports_) {
        const Identity& earlier = lanes_[report.lane].identity;
        occurrence += std::get<0>(earlier) == key && std::get<1>(earlier) == id && std::get<2>(earlier) == name;
    }
    Identity identity{key, id, name, occurrence};
    auto found = index_.find(identity);
    if (found == index_.end()) {
        Lane lane;
        lane.identity = identity;
        lane.shown.name = occurrence == 0 ? name : name + " (" + std::to_string(occurrence + 1) + ")";
        lane.shown.level = level;
        lanes_.push_back(std::move(lane));
        found = index_.emplace(std::move(identity), lanes_.size() - 1).first;
    }
    lane_at_position_.resize(std::max(lane_at_position_.size(), position + 1));
    lane_at_position_[position] = found->second;
    return found->second;
}

void AlarmTimeline::close(Lane& lane, std::int64_t at)
{
    auto& active = lane.shown.active;
    if (!active.empty() && lane.since - active.back().second < merge_ms_) {
        active.back().second = at;
    } else {
        active.emplace_back(lane.since, at);
    }
    lane.open = false;
}

void AlarmTimeline::judge(PMBusProtocol& device, const std::uint8_t* record, std::int64_t time)
{
    const protocol419::round_time stamp = RecordView(record).round_time();
    clock_seam::freeze_at_local(static_cast<int>(stamp.year), static_cast<int>(stamp.month),
                                static_cast<int>(stamp.day), static_cast<int>(stamp.hour),
                                static_cast<int>(stamp.minute), static_cast<int>(stamp.second));
    reports_.clear();
    same_order_ = true;
    device.LoadFromCache(record, static_cast<int>(protocol419::RECORD_SIZE));
    settle(time);
}

void AlarmTimeline::settle(std::int64_t time)
{
    if (started_ && (time - last_time_ > gap_ms_ || time < last_time_)) {
        for (Lane& lane : lanes_) {
            if (lane.open) {
                close(lane, last_time_ + interval_);
            }
        }
    }
    std::vector<bool> active(lanes_.size(), false);
    for (const Report& report : reports_) {
        active[report.lane] = active[report.lane] || report.active;
    }
    for (std::size_t i = 0; i < lanes_.size(); ++i) {
        Lane& lane = lanes_[i];
        if (active[i] && !lane.open) {
            lane.open = true;
            lane.since = time;
        } else if (!active[i] && lane.open) {
            close(lane, time);
        }
    }
    started_ = true;
    last_time_ = time;
}

std::vector<AlarmLane> AlarmTimeline::finish()
{
    std::vector<AlarmLane> shown;
    for (Lane& lane : lanes_) {
        if (lane.open) {
            close(lane, last_time_ + interval_);
        }
        if (!lane.shown.active.empty()) {
            shown.push_back(std::move(lane.shown));
        }
    }
    return shown;
}

}  // namespace plugin_host
