#include "tools/simulator/event_schedule.h"

#include <algorithm>

namespace simulator {

EventSchedule::EventSchedule(const std::vector<Event>& events)
{
    for (const Event& event : events) {
        (event.by_time ? by_time_ : by_round_).push_back(event);
    }
    const auto earlier = [](const Event& a, const Event& b) { return a.when < b.when; };
    std::stable_sort(by_round_.begin(), by_round_.end(), earlier);
    std::stable_sort(by_time_.begin(), by_time_.end(), earlier);
}

void EventSchedule::fire_due(unsigned long round, double seconds, const std::function<void(const Event&)>& fire)
{
    while (next_round_ < by_round_.size() && static_cast<unsigned long>(by_round_[next_round_].when) <= round) {
        fire(by_round_[next_round_++]);
    }
    while (next_time_ < by_time_.size() && static_cast<double>(by_time_[next_time_].when) <= seconds) {
        fire(by_time_[next_time_++]);
    }
}

}  // namespace simulator
