#include "tools/plugin-host/scenario/replay_session.h"

#include <algorithm>
#include <cstring>
#include <iostream>
#include <stdexcept>
#include <string>

#include <boost/date_time/posix_time/posix_time_types.hpp>

#include "tools/clock_seam/clock_seam.h"
#include "tools/plugin-host/common/hex_text.h"
#include "tools/plugin-host/common/time_text.h"

namespace plugin_host {

namespace {

// Runs one call into the plug-in and writes its result line after the events
// the call caused. `call` adds the "value" members when the call returns; an
// exception is written in their place. `extra` adds the members that follow
// in either case.
template <class Call, class Extra>
void report_call(TranscriptWriter& transcript, const char* op, Call&& call, Extra&& extra)
{
    JsonObject result = transcript_event("result");
    result.text("op", op);
    try {
        call(result);
    } catch (const std::out_of_range& error) {
        result.text("error", error.what()).text("type", "out_of_range");
    } catch (const std::exception& error) {
        result.text("error", error.what()).text("type", "exception");
    } catch (...) {
        // Not a std::exception: nothing to show but the fact.
        result.text("error", "unknown exception").text("type", "exception");
    }
    extra(result);
    transcript.write(result);
}

template <class Call>
void report_int_call(TranscriptWriter& transcript, const char* op, Call&& call)
{
    report_call(
        transcript, op, [&](JsonObject& result) { result.integer("value", call()); }, [](JsonObject&) {});
}

void set_time_member(JsonObject& line, const char* key, const boost::posix_time::ptime& time)
{
    if (const auto text = time_text(time)) {
        line.text(key, *text);
    } else {
        line.null(key);
    }
}

}  // namespace

ReplaySession::ReplaySession(SMDSPDevice& device, TranscriptWriter& transcript, HostAnswers& answers)
    : device_(device), protocol_(dynamic_cast<PMBusProtocol*>(&device)), transcript_(transcript), answers_(answers)
{
}

void ReplaySession::set_host_defaults()
{
    device_.data_id_ = 0;
    device_.status_word_ = 0;
    device_.last_round_time_ = boost::posix_time::ptime(boost::posix_time::not_a_date_time);
    answers_ = HostAnswers{};
    device_.level_map_.clear();
    device_.threshold_map_.clear();
    device_.ao_signals_.clear();
    device_.ao_values_.clear();
    device_.pending_rules_.clear();
    if (protocol_ != nullptr) {
        protocol_->poll_step_ = 0;
    }
}

void ReplaySession::run(const ScenarioStep& step) { std::visit(*this, step); }

void ReplaySession::operator()(const HostStep& step)
{
    if (step.data_id) {
        device_.data_id_ = *step.data_id;
    }
    if (step.refresh) {
        answers_.refresh = *step.refresh ? 1 : 0;
    }
    if (step.ao_report) {
        answers_.ao_report = *step.ao_report;
    }
    if (step.batch) {
        answers_.batch = *step.batch;
    }
    if (step.version) {
        if (protocol_ == nullptr) {
            throw std::runtime_error("the device has no protocol version byte");
        }
        protocol_->protocol_version_ = *step.version;
    }
    for (const auto& [id, level] : step.levels) {
        device_.level_map_[id] = level;
    }
    for (const auto& [id, threshold] : step.thresholds) {
        device_.threshold_map_[id] = threshold;
    }
    if (step.ao) {
        device_.ao_signals_.clear();
        device_.ao_values_.clear();
        for (const auto& [signal, value] : *step.ao) {
            device_.ao_signals_.push_back(signal);
            if (value) {
                device_.ao_values_[signal] = *value;
            }
        }
    }
    if (step.pending_rules) {
        device_.pending_rules_.assign(*step.pending_rules, rule_value());
    }
}

void ReplaySession::operator()(const ConfigStep& step)
{
    report_int_call(transcript_, "config", [&] { return device_.InitSetting(step.doc); });
}

void ReplaySession::operator()(const RefreshStep&)
{
    report_int_call(transcript_, "refresh", [&] { return device_.RefreshStatus(); });
}

void ReplaySession::operator()(const ReplyStep& step)
{
    const std::size_t length_field = step.info.size() * 2;
    frame_.assign(6, 0);
    frame_[0] = protocol_ != nullptr ? protocol_->protocol_version_ : 0x20;
    frame_[1] = 1;  // address
    frame_[2] = 0;  // CID1
    frame_[3] = 0;  // return code: normal reply
    frame_[4] = static_cast<std::uint8_t>(length_field & 0xFFu);
    frame_[5] = static_cast<std::uint8_t>(length_field >> 8);
    frame_.insert(frame_.end(), step.info.begin(), step.info.end());
    receive_frame("reply");
}

void ReplaySession::operator()(const FrameStep& step)
{
    frame_ = step.bytes;
    receive_frame("frame");
}

void ReplaySession::receive_frame(const char* op)
{
    report_int_call(transcript_, op,
                    [&] { return device_.process(frame_.data(), static_cast<unsigned int>(frame_.size())); });
}

void ReplaySession::operator()(const AdvanceStep& step) { clock_seam::advance(step.seconds); }

void ReplaySession::operator()(const GetStep& step)
{
    report_call(
        transcript_, "get",
        [&](JsonObject& result) {
            const float value = device_.Get_Value(step.id, step.name);
            std::uint8_t bits[sizeof value];
            std::memcpy(bits, &value, sizeof value);
            result.real("value", value).text("bits", to_hex(bits, sizeof bits));
        },
        [](JsonObject&) {});
}

void ReplaySession::operator()(const IoctlStep& step)
{
    // Guard bytes behind the output buffer catch a plug-in that writes more
    // than it was given, instead of letting it corrupt the tool's memory.
    constexpr std::size_t guard = 16;
    const std::size_t out_size = step.out_len > 0 ? static_cast<std::size_t>(step.out_len) : 0;
    std::vector<std::uint8_t> out(out_size + guard, 0xAA);
    // Without in_null the input pointer is valid even when there are no bytes.
    std::vector<std::uint8_t> in(std::max<std::size_t>(step.in.size(), 1));
    std::copy(step.in.begin(), step.in.end(), in.begin());
    const void* in_pointer = step.in_null ? nullptr : in.data();
    int out_used = 12345;
    report_call(
        transcript_, "ioctl",
        [&](JsonObject& result) {
            const int value =
                device_.DeviceIoControl(step.code, in_pointer, step.in_len, out.data(), step.out_len, out_used);
            result.integer("value", value);
        },
        [&](JsonObject& result) { result.text("out", to_hex(out.data(), out_size)).integer("out_used", out_used); });
    for (std::size_t i = out_size; i < out.size(); ++i) {
        if (out[i] != 0xAA) {
            std::cerr << "plugin-host replay: the plug-in wrote past the " << out_size << "-byte output buffer\n";
            break;
        }
    }
}

void ReplaySession::operator()(const CacheStep& step)
{
    if (step.as_string) {
        const std::string bytes(step.bytes.begin(), step.bytes.end());
        report_int_call(transcript_, "cache", [&] { return device_.LoadFromCache(bytes); });
    } else {
        report_int_call(transcript_, "cache", [&] {
            return device_.LoadFromCache(step.bytes.data(), static_cast<int>(step.bytes.size()));
        });
    }
}

void ReplaySession::operator()(const StateStep&)
{
    JsonObject line = transcript_event("state");
    if (protocol_ != nullptr) {
        line.integer("poll_step", protocol_->poll_step_);
    } else {
        line.null("poll_step");
    }
    line.integer("data_ready", device_.data_ready_)
        .integer("status_word", device_.status_word_)
        .integer("alarm_seq", device_.alarm_seq_)
        .integer("pending_rules", static_cast<long long>(device_.pending_rules_.size()))
        .boolean("round_changed", device_.round_changed_);
    set_time_member(line, "now", boost::posix_time::second_clock::local_time());
    set_time_member(line, "last_round", device_.last_round_time_);
    line.raw("levels", members_of(device_.level_map_).str())
        .raw("thresholds", members_of(device_.threshold_map_).str());
    transcript_.write(line);
}

void ReplaySession::operator()(const InfoStep&)
{
    JsonObject line = transcript_event("info");
    line.text("device_type", device_.DeviceType())
        .integer("data_id", device_.DataId())
        .integer("children", static_cast<long long>(device_.GetAllChildVDevices().size()))
        .boolean("child0", device_.GetChildVDevice(0) != nullptr);
    transcript_.write(line);
}

}  // namespace plugin_host
