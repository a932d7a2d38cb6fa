// Gaps in a history: stretches without records, where the line was down or
// the daemon stopped, and steps back of the controller's clock.
#pragma once

#include <cstdint>
#include <vector>

namespace plugin_host {

struct RecordGap {
    std::int64_t from;  // ms: the last record before
    std::int64_t to;    // ms: the first record after; before `from` when the clock stepped back
};

// The usual step between records: the median of the forward steps, so that
// neither a few gaps nor bursts of records move it. 0 with fewer than two
// records.
std::int64_t typical_interval(const std::vector<std::int64_t>& times);

// A step is a gap when it is longer than this: a few missed rounds.
std::int64_t gap_threshold(std::int64_t interval);

std::vector<RecordGap> find_gaps(const std::vector<std::int64_t>& times, std::int64_t threshold);

}  // namespace plugin_host
