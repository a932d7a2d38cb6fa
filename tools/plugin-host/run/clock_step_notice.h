// Tells a person why a device stopped polling when the wall clock steps. The
// device starts a round only once its clock has passed its last round's
// time: after a daylight-saving fall-back or an NTP correction it declines
// every round until its clock catches up again. Compared with the steady
// clock at every turn, a step of the wall clock shows: back by two seconds
// or more, or forward by more than a minute. The notice is said once at the
// step and, while the device still does not poll, again after 1, 5, 15 and
// then every 60 minutes.
#pragma once

#include <chrono>
#include <ctime>
#include <string>

namespace plugin_host {

class ClockStepNotice {
public:
    using steady = std::chrono::steady_clock;

    // `device` names the device in the notices ("the device" for one alone).
    explicit ClockStepNotice(std::string device) : device_(std::move(device)) {}

    // Before a turn: the steady clock and the device's clock now. Returns a
    // notice to say, or "".
    std::string before_turn(steady::time_point now, std::time_t device_now);
    // After a turn: whether the device started a round (at `device_now`).
    // Returns a repeated notice to say, or "".
    std::string after_turn(steady::time_point now, std::time_t device_now, bool started);

    // True while the device declines rounds after the clock went back.
    bool holding() const { return holding_; }

private:
    std::string waiting_text() const;

    std::string device_;
    bool seen_ = false;
    steady::time_point last_steady_{};
    std::time_t last_device_ = 0;
    bool started_once_ = false;
    std::time_t last_round_ = 0;  // the device clock at the last round's start
    long long step_ = 0;          // seconds the clock last went back
    bool holding_ = false;
    int repeats_ = 0;
    steady::time_point next_repeat_{};
};

}  // namespace plugin_host
