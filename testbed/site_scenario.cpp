#include "testbed/site_scenario.h"

#include <cstring>
#include <initializer_list>

#include <boost/date_time/posix_time/ptime.hpp>

#include "device/poll_step.h"
#include "host/frame_codec.h"

namespace site_scenario {

// These replies are written out here rather than taken from the simulator's
// payloads: they fill every block a decoder reads to the record's capacity
// (four battery group currents and ten user-defined values a DC unit, a
// faulty module among forty), with fixed values, so that the allocation
// budgets and the benchmark figures measure the same work from one build to
// the next. The simulator answers as a plausible power system (two battery
// groups, readings that move, scripted events); a change there must not move
// what the device is measured on.

namespace {

using bytes = std::vector<std::uint8_t>;

void add_float(bytes& out, float value)
{
    std::uint8_t raw[4];
    std::memcpy(raw, &value, sizeof raw);  // the controller and this machine are both little-endian
    out.insert(out.end(), raw, raw + sizeof raw);
}

// Byte by byte: g++ 12 at -O3 warns falsely about inserting small constant ranges.
void add(bytes& out, std::initializer_list<std::uint8_t> values)
{
    for (std::uint8_t value : values) {
        out.push_back(value);
    }
}

void add_all(bytes& out, const bytes& more)
{
    for (std::uint8_t value : more) {
        out.push_back(value);
    }
}

constexpr std::uint8_t ac_group = 0x40;
constexpr std::uint8_t rectifier_group = 0x41;
constexpr std::uint8_t dc_group = 0x42;

// Rule signal identifiers with the limits a -48 V site configures.
struct rule_setting {
    const char* id;
    int level;
    float limit;
};
const rule_setting site_rules[] = {
    {"220600120010", 2, 0.0f},  {"220600130010", 2, 0.0f},  {"220600140010", 1, 0.0f},
    {"220600160010", 2, 55.0f}, {"220600170010", 2, 45.0f}, {"210600320010", 2, 47.0f},
    {"210600330010", 1, 45.0f}, {"210600340010", 2, 57.5f},
};

}  // namespace

bytes ac_analog_info(std::uint8_t flag)
{
    bytes info{flag, AC_INPUTS};
    const float phases[AC_INPUTS][4] = {{220.5f, 221.0f, 219.8f, 50.0f}, {218.0f, 222.4f, 220.1f, 50.1f}};
    for (const auto& input : phases) {
        for (float value : input) {
            add_float(info, value);
        }
        add(info, {0});  // no user-defined values
    }
    for (float current : {12.5f, 12.0f, 11.5f}) {
        add_float(info, current);
    }
    return info;
}

bytes ac_status_info(std::uint8_t flag) { return {flag, 1, 0x00, 1, 0x00}; }

bytes ac_alarms_info(std::uint8_t flag)
{
    bytes info{flag, AC_INPUTS};
    for (unsigned input = 0; input < AC_INPUTS; ++input) {
        add(info, {0, 0, 0, 0, 1, 0x00, 5, 0x00, 0x00, 0x00, 0x00, 0x00});
    }
    add(info, {0, 0, 0});
    return info;
}

bytes rectifier_analog_info(std::uint8_t flag)
{
    bytes info{flag};
    add_float(info, 53.5f);
    info.push_back(RECTIFIER_MODULES);
    for (unsigned m = 0; m < RECTIFIER_MODULES; ++m) {
        add_float(info, 10.0f + 0.25f * static_cast<float>(m));
        info.push_back(1);
        add_float(info, 35.0f + static_cast<float>(m % 7));  // module temperature
    }
    return info;
}

bytes rectifier_status_info(std::uint8_t flag)
{
    bytes info{flag, RECTIFIER_MODULES};
    for (unsigned m = 0; m < RECTIFIER_MODULES; ++m) {
        add(info, {0x00, 0x00, 0x00, 0});
    }
    return info;
}

bytes rectifier_alarms_info(std::uint8_t flag)
{
    bytes info{flag, RECTIFIER_MODULES};
    for (unsigned m = 0; m < RECTIFIER_MODULES; ++m) {
        add(info, {0x00, 1, static_cast<std::uint8_t>(m == 6 ? 0x01 : 0x00)});
    }
    return info;
}

bytes dc_analog_info(std::uint8_t flag)
{
    bytes info{flag, DC_UNITS};
    for (unsigned unit = 0; unit < DC_UNITS; ++unit) {
        add_float(info, 53.5f);
        add_float(info, 120.0f + 10.0f * static_cast<float>(unit));
        info.push_back(4);  // battery group currents
        for (float current : {2.5f, 2.25f, -0.5f, 0.0f}) {
            add_float(info, current);
        }
        info.push_back(0);   // no branch currents
        info.push_back(10);  // user-defined values
        for (unsigned p = 0; p < 10; ++p) {
            add_float(info, 25.0f + static_cast<float>(p));
        }
    }
    return info;
}

bytes dc_alarms_info(std::uint8_t flag)
{
    bytes info{flag, DC_UNITS};
    for (unsigned unit = 0; unit < DC_UNITS; ++unit) {
        add(info, {0x00, 4, 0x00, 0x00, 0x00, 0x00, 8, 0, 0, 0, 0, 0, 0, 0, 0});
    }
    return info;
}

reply_frame frame_of(std::uint8_t group, const bytes& info)
{
    reply_frame frame;
    const auto field = static_cast<unsigned>(info.size() * 2);
    frame.bytes.reserve(pmbus_frame::DECODED_HEADER_BYTES + info.size());
    add(frame.bytes, {0x20, 0x01, group, 0x00, static_cast<std::uint8_t>(field & 0xFFu),
                      static_cast<std::uint8_t>(field >> 8)});
    add_all(frame.bytes, info);
    return frame;
}


site::site(std::uint8_t flag)
    : ac_analog_(frame_of(ac_group, ac_analog_info(flag))),
      ac_status_(frame_of(ac_group, ac_status_info(flag))),
      ac_alarms_(frame_of(ac_group, ac_alarms_info(flag))),
      rectifier_analog_(frame_of(rectifier_group, rectifier_analog_info(flag))),
      rectifier_status_(frame_of(rectifier_group, rectifier_status_info(flag))),
      rectifier_alarms_(frame_of(rectifier_group, rectifier_alarms_info(flag))),
      dc_analog_(frame_of(dc_group, dc_analog_info(flag))),
      dc_alarms_(frame_of(dc_group, dc_alarms_info(flag)))
{
}

reply_frame* site::reply_for(int poll_step)
{
    switch (poll_step) {
    case device::ac_analog_step: return &ac_analog_;
    case device::ac_status_step: return &ac_status_;
    case device::ac_alarms_step: return &ac_alarms_;
    case device::rectifier_analog_step: return &rectifier_analog_;
    case device::rectifier_status_step: return &rectifier_status_;
    case device::rectifier_alarms_step: return &rectifier_alarms_;
    case device::dc_analog_step: return &dc_analog_;
    case device::dc_alarms_step: return &dc_alarms_;
    default: return nullptr;
    }
}

round_trace run_round(qorv52_419& device, site& replies)
{
    round_trace trace;
    // The refresh gate holds a round back for two seconds after the last one;
    // rounds here follow each other at once.
    device.last_round_time_ = boost::posix_time::ptime();
    if (device.RefreshStatus() == 0) {
        return trace;
    }
    // The bound keeps a broken poll cycle from looping.
    for (int going_on = 1; going_on == 1 && trace.replies < round_trace::MAX_REPLIES;) {
        reply_frame* frame = replies.reply_for(device.poll_step_);
        if (frame == nullptr) {
            break;
        }
        trace.answered[trace.replies++] = frame;
        going_on = device.process(frame->bytes.data(), static_cast<unsigned>(frame->bytes.size()));
    }
    return trace;
}

round_trace run_first_round(qorv52_419& device, site& replies)
{
    device.data_ready_ = 0;
    return run_round(device, replies);
}

Json::Value configuration(int alarm_mode)
{
    Json::Value root;
    Json::Value& app = root["appSetting"];
    app["has_ac"] = "1";
    app["has_dc"] = "1";
    app["no_dc_number"] = "-1";
    app["has_a"] = "1";
    app["has_b"] = "1";
    app["has_c"] = "1";
    app["dc_i_adjust"] = "1";
    app["b_mode"] = std::to_string(alarm_mode);
    return root;
}

void enable_every_rule(qorv52_419& device)
{
    for (const rule_setting& rule : site_rules) {
        device.level_map_[rule.id] = rule.level;
        device.threshold_map_[rule.id] = rule.limit;
    }
}

std::size_t line_characters(const reply_frame& reply)
{
    const auto& bytes = reply.bytes;
    return pmbus_frame::encode_frame(bytes[0], bytes[1], bytes[2], bytes[3], bytes.data() + pmbus_frame::DECODED_HEADER_BYTES, reply.info_length())
        .size();
}

double line_seconds(std::size_t characters, unsigned baud)
{
    constexpr double bits_per_character = 10.0;  // start bit, eight data bits, stop bit
    return static_cast<double>(characters) * bits_per_character / static_cast<double>(baud);
}

}  // namespace site_scenario
