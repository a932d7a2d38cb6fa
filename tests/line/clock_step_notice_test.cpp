// A step of the wall clock is told once, with what it means for the device,
// and repeated at growing intervals while the device does not poll.
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tools/plugin-host/run/clock_step_notice.h"

namespace {

using plugin_host::ClockStepNotice;

struct Turn {
    long long steady_s;  // seconds since the start, by the steady clock
    long long device_s;  // the device's clock, seconds since the start
    bool started;        // the device started a round
    const char* said;    // what the notice says, "" for nothing
};

struct Case {
    const char* name;
    std::vector<Turn> turns;
};

}  // namespace

TEST(ClockStepNotice, StepsAreToldOnceAndRepeatedWhileTheDeviceWaits)
{
    // 2026-01-01 12:00:00 local time as the device's start.
    std::tm start_tm{};
    start_tm.tm_year = 126;
    start_tm.tm_mday = 1;
    start_tm.tm_hour = 12;
    start_tm.tm_isdst = -1;
    const std::time_t start = std::mktime(&start_tm);
    const Case cases[] = {
        {"a steady clock says nothing", {{0, 0, true, ""}, {2, 2, true, ""}, {4, 5, true, ""}}},
        {"back an hour: told at once, then after 1, 5 and 15 minutes, then hourly",
         {{0, 0, true, ""},
          {2, 2, true, ""},
          {4, 4 - 3600, false, "the clock went back 3600 s; the device will not poll until 12:00:02, its last round's time"},
          {30, 30 - 3600, false, ""},
          {64, 64 - 3600, false, "the device will not poll until 12:00:02, its last round's time (the clock went back 3600 s)"},
          {200, 200 - 3600, false, ""},
          {364, 364 - 3600, false, "will not poll until 12:00:02"},
          {1264, 1264 - 3600, false, "will not poll until 12:00:02"},
          {1300, 1300 - 3600, false, ""},
          {4864, 4864 - 3600, false, "will not poll until 12:00:02"}}},
        {"back, and polling again: no more notices",
         {{0, 0, true, ""}, {4, -596, false, "the clock went back 600 s;"}, {6, -594, true, ""}, {70, -530, false, ""}}},
        {"back a second is the tick, not a step", {{0, 0, true, ""}, {2, 1, true, ""}}},
        {"forward by more than a minute", {{0, 0, true, ""}, {2, 3602, true, "the clock went forward 3600 s"}}},
    };
    for (const Case& c : cases) {
        ClockStepNotice notice("the device");
        const auto origin = std::chrono::steady_clock::now();
        for (const Turn& turn : c.turns) {
            const auto now = origin + std::chrono::seconds(turn.steady_s);
            const std::time_t device_now = start + static_cast<std::time_t>(turn.device_s);
            std::string said = notice.before_turn(now, device_now);
            said += notice.after_turn(now, device_now, turn.started);
            if (*turn.said == '\0') {
                EXPECT_EQ(said, "") << c.name << " at " << turn.steady_s << " s";
            } else {
                EXPECT_NE(said.find(turn.said), std::string::npos)
                    << c.name << " at " << turn.steady_s << " s: " << said;
            }
        }
    }
}
