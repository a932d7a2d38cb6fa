// The scripted events in the order they fall due: one queue by round, one by
// seconds since start, each sorted once. A request looks only at the head of
// each queue, so a script of a hundred thousand events costs no more per
// request than a script of one.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "tools/simulator/events.h"

namespace simulator {

class EventSchedule {
public:
    explicit EventSchedule(const std::vector<Event>& events);

    // Hands every event due by `round` and `seconds` to `fire`, once each:
    // the round events first, then the timed ones, each in order of when
    // they fall due and, at the same moment, in script order.
    void fire_due(unsigned long round, double seconds, const std::function<void(const Event&)>& fire);

private:
    std::vector<Event> by_round_;
    std::vector<Event> by_time_;
    std::size_t next_round_ = 0;
    std::size_t next_time_ = 0;
};

}  // namespace simulator
