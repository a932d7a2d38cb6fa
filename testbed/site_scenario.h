// A full-size site for measuring the device: two AC inputs, forty rectifier
// modules and two DC units answering in the format with the unit count byte.
// It holds the replies the power system sends at every poll step, drives
// whole poll rounds through the host's entry points and says how long the
// serial line needs to carry them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <json/value.h>

#include "device/qorv52_419.h"
#include "host/frame_codec.h"

namespace site_scenario {

constexpr unsigned AC_INPUTS = 2;
constexpr unsigned RECTIFIER_MODULES = 40;
constexpr unsigned DC_UNITS = 2;

// A poll reply as the host's protocol layer hands it on: bytes 0-3 version,
// address, CID1, return code; bytes 4-5 twice the INFO length; then INFO.
struct reply_frame {
    std::vector<unsigned char> bytes;
    std::size_t info_length() const { return bytes.size() - pmbus_frame::DECODED_HEADER_BYTES; }
};

// The INFO bytes of each reply, flag byte first.
std::vector<std::uint8_t> ac_analog_info(std::uint8_t flag);
std::vector<std::uint8_t> ac_status_info(std::uint8_t flag);
std::vector<std::uint8_t> ac_alarms_info(std::uint8_t flag);
std::vector<std::uint8_t> rectifier_analog_info(std::uint8_t flag);
std::vector<std::uint8_t> rectifier_status_info(std::uint8_t flag);
std::vector<std::uint8_t> rectifier_alarms_info(std::uint8_t flag);
std::vector<std::uint8_t> dc_analog_info(std::uint8_t flag);
std::vector<std::uint8_t> dc_alarms_info(std::uint8_t flag);

reply_frame frame_of(std::uint8_t group, const std::vector<std::uint8_t>& info);

// The replies of every poll step, all with one flag byte.
class site {
public:
    explicit site(std::uint8_t flag = 0);

    // The reply to the request outstanding at this poll step; null outside the poll steps.
    reply_frame* reply_for(int poll_step);

private:
    reply_frame ac_analog_, ac_status_, ac_alarms_;
    reply_frame rectifier_analog_, rectifier_status_, rectifier_alarms_;
    reply_frame dc_analog_, dc_alarms_;
};

// The replies a round was answered with, in order.
struct round_trace {
    static constexpr unsigned MAX_REPLIES = 8;  // one for each poll step
    const reply_frame* answered[MAX_REPLIES] = {};
    unsigned replies = 0;
};

// Starts a round with RefreshStatus (the refresh gate opened first) and
// answers every request until the round ends.
round_trace run_round(qorv52_419& device, site& replies);
// The round of a device that has no data yet: every request of the round is made.
round_trace run_first_round(qorv52_419& device, site& replies);

// Configuration documents of the site: alarm mode 1 or 2, AC and DC present,
// DC format left to detection.
Json::Value configuration(int alarm_mode);
// Switches every threshold rule on in the host's level map and gives the
// frequency and DC rules their limits in the threshold map.
void enable_every_rule(qorv52_419& device);

// Characters of a reply on the line, framed as the power system sends it.
std::size_t line_characters(const reply_frame& reply);
// Seconds a serial line with 10 bits a character needs for this many characters.
double line_seconds(std::size_t characters, unsigned baud);

}  // namespace site_scenario
