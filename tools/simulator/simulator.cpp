#include "tools/simulator/simulator.h"

#include <cctype>
#include <cstring>
#include <stdexcept>

#include "protocol419/command_codes.h"

namespace simulator {

namespace {

using namespace protocol419;

constexpr float AC_OVER = 290.0f;
constexpr float AC_UNDER = 140.0f;
constexpr float AC_NOMINAL = 220.0f;
// The frequencies of the frequency-high and frequency-low events: beyond
// the power system's alarm limits.
constexpr float FREQUENCY_EVENT_HIGH = 52.5f;
constexpr float FREQUENCY_EVENT_LOW = 47.5f;
constexpr float FREQUENCY_NOMINAL = 50.0f;

// SOI is followed by two hex digits of version and two of address.
constexpr std::size_t HEAD_CHARS = 4;

// The address of a frame from its first characters; -1 when they are not hex.
int address_in(const std::string& head)
{
    const auto hex = [&](std::size_t i) { return std::isxdigit(static_cast<unsigned char>(head[i])) != 0; };
    if (head.size() < HEAD_CHARS || !hex(2) || !hex(3)) {
        return -1;
    }
    return std::stoi(head.substr(2, 2), nullptr, 16);
}

// The events that happen to the power system at this address.
std::vector<Event> events_at(std::uint8_t address, const std::vector<Event>& events)
{
    std::vector<Event> own;
    for (const Event& event : events) {
        if (event.address < 0 || event.address == address) {
            own.push_back(event);
        }
    }
    return own;
}

}  // namespace

std::uint8_t PowerSystemSimulator::ChangeTracker::flag(const Bytes& status, const Bytes& alarm) const
{
    std::uint8_t flag = 0;
    if (!status_known || status != status_read) {
        flag |= FLAG_STATUS_CHANGED;
    }
    if (!alarm_known || alarm != alarm_read) {
        flag |= FLAG_ALARMS_CHANGED;
    }
    return flag;
}

PowerSystemSimulator::PowerSystemSimulator(const SimulatorSettings& settings)
    : settings_(settings), system_(settings.system), schedule_(events_at(settings.address, settings.events))
{
    if (settings.captured) {
        repeater_.emplace(*settings.captured);
    }
    const auto start = std::chrono::steady_clock::now();
    seconds_ = [start] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
}

void PowerSystemSimulator::note(const std::string& text) const
{
    if (log_) {
        log_(text);
    }
}

std::string PowerSystemSimulator::receive(const std::uint8_t* data, std::size_t length)
{
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        const char c = static_cast<char>(data[i]);
        if (c == pmbus_frame::SOI) {
            frame_head_.clear();
        } else if (frame_head_.size() < HEAD_CHARS) {
            frame_head_ += c;
        }
        if (!reader_.push(data[i])) {
            continue;
        }
        const pmbus_frame::FrameOutcome& outcome = reader_.outcome();
        // On a shared bus only the addressed device may complain about a
        // damaged request; the others keep silent rather than collide with it.
        const bool mine = address_in(frame_head_) == settings_.address;
        if (outcome.status == pmbus_frame::FrameStatus::good) {
            try {
                out += answer(*outcome.frame);
            } catch (const std::invalid_argument& error) {
                // A reply larger than a frame: the host hears nothing, as
                // from a power system that cannot answer.
                note(std::string("no reply: ") + error.what());
            }
        } else if (outcome.status == pmbus_frame::FrameStatus::bad_chksum && mine) {
            out += error_reply(0x00, pmbus_frame::RTN_CHKSUM_ERROR);
        } else if (outcome.status == pmbus_frame::FrameStatus::bad_lchksum && mine) {
            out += error_reply(0x00, pmbus_frame::RTN_LCHKSUM_ERROR);
        }
        // Other broken requests are line noise to the power system: no answer.
    }
    return out;
}

std::string PowerSystemSimulator::normal_reply(std::uint8_t cid1, const Bytes& info) const
{
    return pmbus_frame::encode_frame(settings_.version, settings_.address, cid1, pmbus_frame::RTN_NORMAL,
                                     info.data(), info.size());
}

std::string PowerSystemSimulator::error_reply(std::uint8_t cid1, std::uint8_t rtn) const
{
    return pmbus_frame::encode_frame(settings_.version, settings_.address, cid1, rtn, nullptr, 0);
}

std::string PowerSystemSimulator::answer(const pmbus_frame::DecodedFrame& request)
{
    if (request.address() != settings_.address) {
        return {};  // another device's request
    }
    const std::uint8_t cid1 = request.cid1();
    const std::uint8_t cid2 = request.cid2();
    // The host repeats a request whose reply it did not get intact, up to its
    // last attempt; the same request once more after that starts a new round.
    const bool repeated = last_pair_ == (cid1 << 8 | cid2) && !last_answered_;
    const bool retry = repeated && tries_ < settings_.host_attempts;
    tries_ = retry ? tries_ + 1 : 1;
    count_round(cid1, cid2, retry);
    fire_due_events();
    spoiled_ = false;
    std::string reply;
    bool normal = false;
    const std::uint8_t refusal = poll_refusal(cid1, request);
    if (request.version() != settings_.version) {
        reply = spoil(error_reply(cid1, pmbus_frame::RTN_VERSION_ERROR), cid1);
    } else if (repeater_) {
        const std::string captured = repeater_->reply_to(request, retry);
        normal = !captured.empty();
        reply = spoil(normal ? captured : error_reply(cid1, pmbus_frame::RTN_INVALID_CID2), cid1);
    } else if (refusal != pmbus_frame::RTN_NORMAL) {
        reply = spoil(error_reply(cid1, refusal), cid1);
    } else if (cid2 == CID2_SET_DATE_TIME || cid2 == CID2_SET_PARAMETER_FLOAT || cid2 == CID2_REMOTE_CONTROL) {
        const std::string intact = control_reply(request);
        normal = intact.compare(7, 2, "00") == 0;  // the RTN characters
        reply = spoil(intact, cid1);
    } else {
        bool known = false;
        reply = poll_reply(cid1, cid2, known);
        normal = known;
        if (!known) {
            reply = spoil(error_reply(cid1, pmbus_frame::RTN_INVALID_CID2), cid1);
        }
    }
    last_pair_ = static_cast<std::uint16_t>(cid1 << 8 | cid2);
    last_answered_ = normal && !spoiled_;
    return reply;
}

std::uint8_t PowerSystemSimulator::poll_refusal(std::uint8_t cid1, const pmbus_frame::DecodedFrame& request) const
{
    const std::uint8_t cid2 = request.cid2();
    if (cid2 != CID2_ANALOG && cid2 != CID2_STATUS && cid2 != CID2_ALARMS) {
        return pmbus_frame::RTN_NORMAL;  // control commands check their own data
    }
    // Every AC request carries the argument byte 1, DC requests only at
    // version 0x21, rectifier requests never.
    const bool argument = cid1 == CID1_AC || (cid1 == CID1_DC && settings_.version == 0x21);
    if (request.info_length() != (argument ? 1u : 0u)) {
        return pmbus_frame::RTN_COMMAND_FORMAT_ERROR;
    }
    if (argument && request.info()[0] != 1) {
        return pmbus_frame::RTN_INVALID_DATA;
    }
    return pmbus_frame::RTN_NORMAL;
}

void PowerSystemSimulator::count_round(std::uint8_t cid1, std::uint8_t cid2, bool retry)
{
    // A retry belongs to the round it retries.
    if (cid2 != CID2_ANALOG || retry) {
        return;
    }
    if (cid1 == CID1_AC) {
        ++round_;
        ac_polled_ = true;
    } else if (cid1 == CID1_RECTIFIER) {
        if (!ac_polled_) {
            ++round_;
        }
        ac_polled_ = false;
    } else {
        return;
    }
    system_.set_round(round_);
}

void PowerSystemSimulator::fire_due_events()
{
    schedule_.fire_due(round_, seconds_(), [this](const Event& event) {
        note("round " + std::to_string(round_) + ": " + event_name(event.kind) +
             (event.argument ? " " + std::to_string(event.argument) : ""));
        apply(event);
    });
}

void PowerSystemSimulator::apply(const Event& event)
{
    auto& ac = system_.ac();
    // Channel events name channel 1 or 2; without a number they hit both.
    auto for_channels = [&](auto change) {
        for (std::size_t i = 0; i < ac.size(); ++i) {
            if (event.argument == 0 || static_cast<std::size_t>(event.argument) == i + 1) {
                change(ac[i]);
            }
        }
    };
    auto for_module = [&](bool fault) {
        auto& modules = system_.modules();
        const auto index = static_cast<std::size_t>(event.argument > 0 ? event.argument - 1 : 0);
        if (index < modules.size()) {
            modules[index].fault = fault;
        }
    };
    const int replies = event.argument > 0 ? event.argument : 1;
    switch (event.kind) {
    case EventKind::mains_failure:
        for_channels([](AcChannel& c) { c.mains_failed = true; });
        break;
    case EventKind::mains_restore:
        for_channels([](AcChannel& c) { c.mains_failed = false; });
        break;
    case EventKind::ac_overvoltage:
        for_channels([](AcChannel& c) { c.nominal_voltage = AC_OVER; });
        break;
    case EventKind::ac_undervoltage:
        for_channels([](AcChannel& c) { c.nominal_voltage = AC_UNDER; });
        break;
    case EventKind::ac_voltage_normal:
        for_channels([](AcChannel& c) { c.nominal_voltage = AC_NOMINAL; });
        break;
    case EventKind::frequency_high:
        for_channels([](AcChannel& c) { c.frequency = FREQUENCY_EVENT_HIGH; });
        break;
    case EventKind::frequency_low:
        for_channels([](AcChannel& c) { c.frequency = FREQUENCY_EVENT_LOW; });
        break;
    case EventKind::frequency_normal:
        for_channels([](AcChannel& c) { c.frequency = FREQUENCY_NOMINAL; });
        break;
    case EventKind::breaker_trip:
        for_channels([](AcChannel& c) { c.breaker_tripped = true; });
        break;
    case EventKind::breaker_reset:
        for_channels([](AcChannel& c) { c.breaker_tripped = false; });
        break;
    case EventKind::surge_fault:
        for_channels([](AcChannel& c) { c.surge_fault = true; });
        break;
    case EventKind::surge_clear:
        for_channels([](AcChannel& c) { c.surge_fault = false; });
        break;
    case EventKind::module_fault:
        for_module(true);
        break;
    case EventKind::module_recover:
        for_module(false);
        break;
    case EventKind::dc_undervoltage:
        system_.dc_condition() = DcCondition::undervoltage;
        break;
    case EventKind::dc_overvoltage:
        system_.dc_condition() = DcCondition::overvoltage;
        break;
    case EventKind::dc_normal:
        system_.dc_condition() = DcCondition::normal;
        break;
    case EventKind::garbled_frame:
        garbled_ += replies;
        break;
    case EventKind::bad_checksum:
        bad_checksum_ += replies;
        break;
    case EventKind::no_reply:
        no_reply_ += replies;
        break;
    case EventKind::error_rtn:
        error_rtn_ += replies;
        break;
    case EventKind::all_normal:
        for (AcChannel& c : ac) {
            c = AcChannel{};
        }
        for (RectifierModule& m : system_.modules()) {
            m = RectifierModule{};
        }
        system_.dc_condition() = DcCondition::normal;
        break;
    }
}

std::string PowerSystemSimulator::poll_reply(std::uint8_t cid1, std::uint8_t cid2, bool& known)
{
    ChangeTracker* tracker = nullptr;
    Bytes status, alarms, info;
    if (cid1 == CID1_AC) {
        tracker = &ac_;
        status = ac_status(system_);
        alarms = ac_alarms(system_);
        info = cid2 == CID2_ANALOG ? ac_analog(system_) : cid2 == CID2_STATUS ? status : alarms;
    } else if (cid1 == CID1_RECTIFIER) {
        tracker = &rectifier_;
        status = rectifier_status(system_);
        alarms = rectifier_alarms(system_);
        info = cid2 == CID2_ANALOG ? rectifier_analog(system_) : cid2 == CID2_STATUS ? status : alarms;
    } else if (cid1 == CID1_DC && cid2 != CID2_STATUS) {
        // DC distribution has no status values: only its alarms change.
        tracker = &dc_;
        alarms = dc_alarms(system_);
        info = cid2 == CID2_ANALOG ? dc_analog(system_) : alarms;
    }
    known = tracker != nullptr && (cid2 == CID2_ANALOG || cid2 == CID2_STATUS || cid2 == CID2_ALARMS);
    if (!known) {
        return {};
    }
    if (cid1 == CID1_DC) {
        tracker->status_known = true;
    }
    Bytes payload;
    payload.reserve(info.size() + 1);
    payload.push_back(tracker->flag(status, alarms));
    payload.insert(payload.end(), info.begin(), info.end());
    const std::string intact = normal_reply(cid1, payload);
    std::string reply = spoil(intact, cid1);
    // Only a reply that reaches the host intact counts as read.
    if (reply == intact) {
        if (cid2 == CID2_STATUS) {
            tracker->status_read = status;
            tracker->status_known = true;
        } else if (cid2 == CID2_ALARMS) {
            tracker->alarm_read = alarms;
            tracker->alarm_known = true;
        }
    }
    return reply;
}

std::string PowerSystemSimulator::control_reply(const pmbus_frame::DecodedFrame& request)
{
    const std::uint8_t cid1 = request.cid1();
    const std::uint8_t* data = request.info();
    const std::size_t length = request.info_length();
    switch (request.cid2()) {
    case CID2_SET_DATE_TIME: {
        if (cid1 != CID1_RECTIFIER || length != 7) {
            return error_reply(cid1, pmbus_frame::RTN_COMMAND_FORMAT_ERROR);
        }
        std::uint8_t time[7];
        std::memcpy(time, data, sizeof time);
        system_.set_clock(time);
        note("clock set");
        return normal_reply(cid1, {});
    }
    case CID2_SET_PARAMETER_FLOAT: {
        if (cid1 != CID1_DC || length != 5) {
            return error_reply(cid1, pmbus_frame::RTN_COMMAND_FORMAT_ERROR);
        }
        float value;
        const std::uint32_t bits = static_cast<std::uint32_t>(data[1]) | static_cast<std::uint32_t>(data[2]) << 8 |
                                   static_cast<std::uint32_t>(data[3]) << 16 |
                                   static_cast<std::uint32_t>(data[4]) << 24;
        std::memcpy(&value, &bits, sizeof value);
        if (!system_.set_dc_parameter(data[0], value)) {
            return error_reply(cid1, pmbus_frame::RTN_INVALID_DATA);
        }
        note("DC parameter " + std::to_string(data[0]) + " set to " + std::to_string(value));
        return normal_reply(cid1, {});
    }
    default: {
        if (cid1 != CID1_RECTIFIER || length != 2) {
            return error_reply(cid1, pmbus_frame::RTN_COMMAND_FORMAT_ERROR);
        }
        std::string what;
        if (!system_.remote_control(data[0], data[1], what)) {
            return error_reply(cid1, pmbus_frame::RTN_INVALID_DATA);
        }
        note("remote control: " + what);
        return normal_reply(cid1, {});
    }
    }
}

std::string PowerSystemSimulator::spoil(std::string reply, std::uint8_t cid1)
{
    if (no_reply_ + error_rtn_ + bad_checksum_ + garbled_ > 0) {
        spoiled_ = true;
    }
    if (no_reply_ > 0) {
        --no_reply_;
        note("fault: no reply");
        return {};
    }
    if (error_rtn_ > 0) {
        --error_rtn_;
        note("fault: error reply");
        return error_reply(cid1, pmbus_frame::RTN_INVALID_DATA);
    }
    if (bad_checksum_ > 0 && reply.size() >= 6) {
        --bad_checksum_;
        note("fault: bad checksum");
        char& digit = reply[reply.size() - 2];
        digit = digit == '0' ? '1' : '0';
        return reply;
    }
    if (garbled_ > 0 && reply.size() >= 6) {
        --garbled_;
        note("fault: garbled frame");
        // A burst of noise in the middle of the frame.
        const std::size_t middle = reply.size() / 2;
        reply[middle - 1] = 'Z';
        reply[middle] = '?';
        return reply;
    }
    return reply;
}

}  // namespace simulator
