#include "tools/plugin-host/run/clock_step_notice.h"

#include "tools/plugin-host/common/time_text.h"

namespace plugin_host {

namespace {

// Steps the steady clock's tick cannot explain: a turn takes whole seconds
// at most, so two seconds back is a step, and more than a minute forward.
constexpr long long BACK_STEP = 2;
constexpr long long FORWARD_STEP = 60;
// After the step, a device that still does not poll is named again after
// these many minutes, then every hour.
constexpr int REPEAT_MINUTES[] = {1, 5, 15, 60};

}  // namespace

std::string ClockStepNotice::waiting_text() const
{
    return device_ + " will not poll until " + local_time_text(last_round_, "%H:%M:%S") + ", its last round's time";
}

std::string ClockStepNotice::before_turn(steady::time_point now, std::time_t device_now)
{
    std::string notice;
    if (seen_) {
        const long long steady_seconds = std::chrono::duration_cast<std::chrono::seconds>(now - last_steady_).count();
        const long long drift = static_cast<long long>(device_now - last_device_) - steady_seconds;
        if (drift <= -BACK_STEP) {
            step_ = -drift;
            notice = "the clock went back " + std::to_string(step_) + " s";
            if (started_once_ && device_now < last_round_) {
                notice += "; " + waiting_text();
                holding_ = true;
                repeats_ = 0;
                next_repeat_ = now + std::chrono::minutes(REPEAT_MINUTES[0]);
            }
        } else if (drift > FORWARD_STEP) {
            notice = "the clock went forward " + std::to_string(drift) + " s; round times jump with it";
        }
    }
    seen_ = true;
    last_steady_ = now;
    last_device_ = device_now;
    return notice;
}

std::string ClockStepNotice::after_turn(steady::time_point now, std::time_t device_now, bool started)
{
    if (started) {
        started_once_ = true;
        last_round_ = device_now;
        holding_ = false;
        return "";
    }
    if (!holding_ || now < next_repeat_) {
        return "";
    }
    constexpr int LAST = static_cast<int>(sizeof REPEAT_MINUTES / sizeof REPEAT_MINUTES[0]) - 1;
    repeats_ = repeats_ < LAST ? repeats_ + 1 : LAST;
    next_repeat_ = now + std::chrono::minutes(REPEAT_MINUTES[repeats_]);
    return waiting_text() + " (the clock went back " + std::to_string(step_) + " s)";
}

}  // namespace plugin_host
