#include "tools/plugin-host/report/report_gaps.h"

#include <algorithm>

namespace plugin_host {

namespace {

constexpr std::int64_t MISSED_ROUNDS = 3;

}  // namespace

std::int64_t typical_interval(const std::vector<std::int64_t>& times)
{
    std::vector<std::int64_t> steps;
    steps.reserve(times.size());
    for (std::size_t i = 1; i < times.size(); ++i) {
        if (times[i] > times[i - 1]) {
            steps.push_back(times[i] - times[i - 1]);
        }
    }
    if (steps.empty()) {
        return 0;
    }
    auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
    std::nth_element(steps.begin(), middle, steps.end());
    return *middle;
}

std::int64_t gap_threshold(std::int64_t interval) { return MISSED_ROUNDS * std::max<std::int64_t>(interval, 1000); }

std::vector<RecordGap> find_gaps(const std::vector<std::int64_t>& times, std::int64_t threshold)
{
    std::vector<RecordGap> gaps;
    for (std::size_t i = 1; i < times.size(); ++i) {
        if (times[i] - times[i - 1] > threshold || times[i] < times[i - 1]) {
            gaps.push_back({times[i - 1], times[i]});
        }
    }
    return gaps;
}

}  // namespace plugin_host
