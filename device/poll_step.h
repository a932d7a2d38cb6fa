// What the host's poll step member holds for this device: the request that
// is outstanding during a poll round, the end of the round, or the control
// command waiting for its answer. There is no step 3 or 9.
#pragma once

namespace device {

enum poll_step : int {
    ac_analog_step = 0,         // 40/41
    ac_status_step = 1,         // 40/43
    ac_alarms_step = 2,         // 40/44
    rectifier_analog_step = 4,  // 41/41
    rectifier_status_step = 5,  // 41/43
    rectifier_alarms_step = 6,  // 41/44
    dc_analog_step = 7,         // 42/41
    dc_alarms_step = 8,         // 42/44
    round_finished_step = 10,
    set_date_time_step = 300,     // control code of the date and time command
    set_dc_parameter_step = 310,  // control code of the DC parameter command
};

// A reply at any other step answers a control command or comes too late.
constexpr bool is_poll_request(int step)
{
    return (step >= ac_analog_step && step <= ac_alarms_step) || (step >= rectifier_analog_step && step <= dc_alarms_step);
}

}  // namespace device
