#include "tools/plugin-host/report/report_selection.h"

#include <algorithm>

#include "tools/plugin-host/common/record_view.h"
#include "tools/plugin-host/common/time_text.h"

namespace plugin_host {

namespace {

constexpr std::int64_t FAR_MS = 24 * 3600 * 1000;
// Records left out at each end when the middle 99 % of the times is taken.
constexpr std::size_t EDGE_SHARE = 200;

}  // namespace

void RecordSelection::add(const std::uint8_t* record, RecordPlace place)
{
    const protocol419::round_time time = RecordView(record).round_time();
    if (!time.stamped()) {
        ++result_.unstamped;
    } else if (!time.calendar_date()) {
        result_.left_off.push_back({place, stored_time_text(time), "not a calendar date"});
    } else {
        dated_.push_back({time.seconds_since_1970() * 1000, place});
    }
}

ChartedRecords RecordSelection::finish()
{
    std::vector<std::int64_t> times;
    times.reserve(dated_.size());
    for (const DatedRecord& record : dated_) {
        times.push_back(record.time);
    }
    std::sort(times.begin(), times.end());
    const std::size_t edge = times.size() / EDGE_SHARE;
    const std::int64_t earliest = times.empty() ? 0 : times[edge] - FAR_MS;
    const std::int64_t latest = times.empty() ? 0 : times[times.size() - 1 - edge] + FAR_MS;
    times = {};

    std::vector<DatedRecord>& kept = result_.in_time_order;
    kept.reserve(dated_.size());
    for (const DatedRecord& record : dated_) {
        if (record.time < earliest || record.time > latest) {
            result_.left_off.push_back({record.place, stored_time_text(protocol419::round_time_at(record.time / 1000)),
                                        "far from the other records"});
            continue;
        }
        if (!kept.empty() && record.time < kept.back().time) {
            result_.steps_back.push_back({kept.back().time, record.time});
        }
        kept.push_back(record);
    }
    dated_ = {};
    std::stable_sort(kept.begin(), kept.end(),
                     [](const DatedRecord& a, const DatedRecord& b) { return a.time < b.time; });
    std::stable_sort(result_.left_off.begin(), result_.left_off.end(),
                     [](const LeftOffRecord& a, const LeftOffRecord& b) {
                         return a.place.file != b.place.file ? a.place.file < b.place.file
                                                             : a.place.index < b.place.index;
                     });
    return std::move(result_);
}

}  // namespace plugin_host
