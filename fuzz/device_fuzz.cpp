// One device driven through a script of host calls decoded from the input:
// configuration documents, refreshes, replies at whatever poll step the
// device has reached, raw received frames, clock moves, value queries,
// control requests and cache loads. After every step the record, the
// requests on the line, the published records and the device's state are
// checked against the rules that hold whatever the line or the host sends.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include <json/value.h>

#include "device/local_clock.h"
#include "device/qorv52_419.h"
#include "fuzz/support/byte_source.h"
#include "fuzz/support/checking_host.h"
#include "fuzz/support/record_regions.h"
#include "fuzz/support/settings_snapshot.h"
#include "host/frame_codec.h"
#include "host/get_ttime.h"
#include "tools/clock_seam/clock_seam.h"

namespace {

using fuzz::byte_source;
using fuzz::exact_buffer;
using fuzz::record_region;
using fuzz::reply_decoder;

constexpr int MAX_STEPS = 200;
constexpr std::size_t HEADER = pmbus_frame::DECODED_HEADER_BYTES;
constexpr std::size_t MAX_INFO = pmbus_frame::MAX_INFO_BYTES;
// Clock moves stay within a span the controller's clock can show.
constexpr long long MAX_CLOCK_OFFSET = 20LL * 366 * 24 * 3600;

const char* const NOT_READY = "数据未就绪";
const char* const STALE = "数据已超时";
const char* const UNSUPPORTED = "不支持变量";

enum class step_kind { config, refresh, reply, frame, advance, get, ioctl, cache, host };
constexpr int STEP_KINDS = 9;

bool is_known_poll_step(int step)
{
    switch (step) {
    case 0: case 1: case 2: case 4: case 5: case 6: case 7: case 8: case 10: case 300: case 310:
        return true;
    default:
        return false;
    }
}

// The record bytes a reply may change at this poll step.
record_region written_at_step(int step)
{
    switch (step) {
    case 0: return fuzz::written_by(reply_decoder::ac_analog);
    case 1: return fuzz::written_by(reply_decoder::ac_status);
    case 2: return fuzz::written_by(reply_decoder::ac_alarms);
    case 4: return fuzz::written_by(reply_decoder::rc_analog);
    case 5: return fuzz::written_by(reply_decoder::rc_status);
    case 6: return fuzz::written_by(reply_decoder::rc_alarms);
    case 7: return fuzz::written_by(reply_decoder::dc_analog) | fuzz::written_by(reply_decoder::dc2_analog);
    case 8: return fuzz::written_by(reply_decoder::dc_alarms) | fuzz::written_by(reply_decoder::dc2_alarms);
    default: return record_region();
    }
}

// A JSON value of any type; texts mostly hold small numbers, which is what
// the settings expect.
Json::Value any_value(byte_source& in)
{
    switch (in.u8() % 8) {
    case 0: return Json::Value(std::to_string(static_cast<std::int8_t>(in.u8())));
    case 1: return Json::Value(in.short_text());
    case 2: return Json::Value(in.i32());
    case 3: return Json::Value(static_cast<double>(in.i32()) / 16.0);
    case 4: return Json::Value((in.u8() & 1) != 0);
    case 5: return Json::Value();
    case 6: {
        Json::Value list(Json::arrayValue);
        list.append(Json::Value(in.short_text()));
        return list;
    }
    default: return Json::Value(Json::objectValue);
    }
}

Json::Value any_document(byte_source& in)
{
    static const char* const app_keys[] = {"b_mode", "has_ac", "has_dc", "no_dc_number",
                                           "has_a",  "has_b",  "has_c",  "dc_i_adjust"};
    static const char* const threshold_fields[] = {"SignalName", "NMAlarmID", "ID", "SignalNumber"};
    const std::uint8_t shape = in.u8();
    if (shape % 16 == 0) {
        return any_value(in);  // a root that is not an object
    }
    Json::Value root(Json::objectValue);
    Json::Value& app = root["appSetting"];
    app = shape % 16 == 1 ? any_value(in) : Json::Value(Json::objectValue);
    const int entries = in.u8() % 12;
    for (int i = 0; i < entries; ++i) {
        const std::uint8_t key = in.u8();
        if (key % 10 < 8) {
            if (app.isObject()) {
                app[app_keys[key % 10]] = any_value(in);
            }
        } else if (key % 10 == 8) {
            Json::Value entry(Json::objectValue);
            const std::uint8_t fields = in.u8();
            for (unsigned f = 0; f < 4; ++f) {
                if ((fields >> f) & 1u) {
                    entry[threshold_fields[f]] = any_value(in);
                }
            }
            const std::string name = in.short_text();
            Json::Value& thresholds = root["thresholdSetting"];
            if (!thresholds.isObject()) {
                thresholds = Json::Value(Json::objectValue);
            }
            thresholds[name] = (fields & 0x10u) != 0 ? any_value(in) : entry;
        } else {
            root["thresholdSetting"] = any_value(in);
        }
    }
    return root;
}

std::vector<std::uint8_t> frame_with_info(std::uint8_t version, std::uint16_t length_field,
                                          const std::vector<std::uint8_t>& info)
{
    std::vector<std::uint8_t> frame(HEADER + info.size(), 0);
    frame[0] = version;
    frame[1] = 1;
    frame[4] = static_cast<std::uint8_t>(length_field & 0xFFu);
    frame[5] = static_cast<std::uint8_t>(length_field >> 8);
    if (!info.empty()) {
        std::memcpy(frame.data() + HEADER, info.data(), info.size());
    }
    return frame;
}

class device_run {
public:
    device_run() : device_(std::make_unique<qorv52_419>())
    {
        device_->set_observer(&host_);
        std::memset(&expected_reserved_, 0, sizeof expected_reserved_);
    }

    void step(byte_source& in)
    {
        const auto kind = static_cast<step_kind>(in.u8() % STEP_KINDS);
        before_ = device_->data_;
        const fuzz::settings_snapshot settings(*device_);
        const int step_before = device_->poll_step_;
        const std::uint8_t version = device_->protocol_version_;
        host_.clear();

        record_region may_change;
        switch (kind) {
        case step_kind::config: may_change = configure(in); break;
        case step_kind::refresh: refresh(); break;
        case step_kind::reply: may_change = reply(in); break;
        case step_kind::frame: may_change = raw_frame(in); break;
        case step_kind::advance: move_clock(in); break;
        case step_kind::get: query(in); break;
        case step_kind::ioctl: control(in); break;
        case step_kind::cache: load_cache(in); return;  // checks its own record rules
        case step_kind::host: set_host_state(in); break;
        }

        if (host_.published != 0) {
            may_change |= fuzz::round_time_region();
        }
        const int stray = fuzz::first_change_outside(before_, device_->data_, may_change);
        FUZZ_CHECK(stray < 0, "step %d at poll step %d changed record byte %d", static_cast<int>(kind),
                   step_before, stray);
        if (kind != step_kind::config) {
            const fuzz::settings_snapshot after(*device_);
            FUZZ_CHECK(settings.same_except_dc_format(after), "step %d changed the configuration",
                       static_cast<int>(kind));
            FUZZ_CHECK(after.no_dc_number == settings.no_dc_number ||
                           (settings.no_dc_number == -1 && (after.no_dc_number == 1 || after.no_dc_number == 2)),
                       "DC format went from %d to %d", settings.no_dc_number, after.no_dc_number);
        }
        check_requests(kind, version);
        check_state();
    }

private:
    record_region configure(byte_source& in)
    {
        const Json::Value document = any_document(in);
        try {
            const int result = device_->InitSetting(document);
            FUZZ_CHECK(result == 1, "InitSetting returned %d", result);
            FUZZ_CHECK(device_->data_.data_id.get() == static_cast<std::int32_t>(device_->data_id_),
                       "data id not copied into the record");
        } catch (const Json::LogicError&) {
            // A setting whose value the JSON library cannot read as text.
        }
        return fuzz::data_id_region();
    }

    void refresh()
    {
        const int result = device_->RefreshStatus();
        FUZZ_CHECK(result == 0 || result == 1, "RefreshStatus returned %d", result);
        FUZZ_CHECK(host_.sent.size() == static_cast<std::size_t>(result), "RefreshStatus returned %d after %zu requests",
                   result, host_.sent.size());
        if (result == 1) {
            FUZZ_CHECK(device_->poll_step_ == (device_->has_ac ? 0 : 4), "round started at step %d",
                       device_->poll_step_);
        }
    }

    record_region reply(byte_source& in)
    {
        const std::vector<std::uint8_t> info = in.bytes(in.u16() % (MAX_INFO + 1));
        return hand_over(frame_with_info(device_->protocol_version_, static_cast<std::uint16_t>(info.size() * 2), info));
    }

    // A frame whose length field says anything that still fits the bytes
    // received, odd values and frames with bytes after INFO included.
    record_region raw_frame(byte_source& in)
    {
        const std::vector<std::uint8_t> header = in.bytes(4);
        std::uint16_t field = in.u16();
        const std::vector<std::uint8_t> info = in.bytes(in.u16() % (MAX_INFO + 1));
        std::size_t announced = field >> 1;
        if (announced > info.size()) {
            announced %= info.size() + 1;
            field = static_cast<std::uint16_t>((announced << 1) | (field & 1u));
        }
        std::vector<std::uint8_t> frame = frame_with_info(0, field, info);
        if (!header.empty()) {
            std::memcpy(frame.data(), header.data(), header.size());
        }
        return hand_over(frame);
    }

    record_region hand_over(const std::vector<std::uint8_t>& frame)
    {
        const int step = device_->poll_step_;
        const int ack = device_->control_ack_;
        exact_buffer received(frame);
        const int result = device_->process(received.data(), static_cast<unsigned>(received.size()));
        FUZZ_CHECK(result == 0 || result == 1, "process returned %d", result);
        FUZZ_CHECK(host_.sent.size() <= static_cast<std::size_t>(result), "process returned %d after %zu requests",
                   result, host_.sent.size());
        const bool poll_step = step >= 0 && step <= 8 && step != 3;
        if (!poll_step) {
            FUZZ_CHECK(result == 0 && device_->control_ack_ == 1, "reply at step %d: result %d, acknowledgement %d",
                       step, result, device_->control_ack_);
        } else {
            FUZZ_CHECK(device_->control_ack_ == ack, "reply at poll step %d changed the control acknowledgement",
                       step);
        }
        return written_at_step(step);
    }

    void move_clock(byte_source& in)
    {
        const long long seconds = in.i16();
        if (clock_offset_ + seconds > MAX_CLOCK_OFFSET || clock_offset_ + seconds < -MAX_CLOCK_OFFSET) {
            return;
        }
        clock_offset_ += seconds;
        clock_seam::advance(seconds);
    }

    void query(byte_source& in)
    {
        static const char* const names[] = {"out_v", "ac"};
        const std::uint8_t choice = in.u8();
        const std::string name = choice % 4 < 2 ? names[choice % 4] : in.short_text();
        const unsigned id = in.u32();

        const char* refusal = nullptr;
        if (device_->data_ready_ != 1) {
            refusal = NOT_READY;
        } else if ((device::local_now() - device_->last_round_time_).total_seconds() > 60) {
            refusal = STALE;
        } else if (name != "out_v" && name != "ac") {
            refusal = UNSUPPORTED;
        }
        try {
            const float value = device_->Get_Value(id, name);
            FUZZ_CHECK(refusal == nullptr, "Get_Value served \"%s\" where it should refuse with %s", name.c_str(),
                       refusal);
            if (name == "out_v") {
                FUZZ_CHECK(std::memcmp(&value, device_->data_.dc.out_v.bytes, sizeof value) == 0,
                           "out_v is not the record's DC output voltage");
            } else {
                FUZZ_CHECK(value == (all_phases_below_150() ? 1.0f : 0.0f), "ac is %g", static_cast<double>(value));
            }
        } catch (const std::out_of_range& refused) {
            FUZZ_CHECK(refusal != nullptr && std::strcmp(refused.what(), refusal) == 0,
                       "Get_Value refused \"%s\" with %s", name.c_str(), refused.what());
        }
    }

    bool all_phases_below_150() const
    {
        for (const auto& channel : device_->data_.ac.acChannel) {
            if (!(channel.a.get() < 150.0f && channel.b.get() < 150.0f && channel.c.get() < 150.0f)) {
                return false;
            }
        }
        return true;
    }

    void control(byte_source& in)
    {
        static const int codes[] = {300, 310, 320};
        static const char* const documents[] = {
            R"({"signal_id":"006201","SetValue":"53.5"})", R"({"signal_id":"006202","SetValue":"abc"})",
            R"({"signal_id":"006201"})", R"({"signal_id":"","SetValue":"1"})", R"({"signal_id":6201,"SetValue":1})",
            R"(["006201"])", R"({"signal_id":["006201"],"SetValue":{"a":1}})", "not json"};
        static const char* const actions[] = {"419500201001", "419500201002", "419500201003",
                                              "419500200001", "419500200002", "419500200003",
                                              "419500600001", "419500601001", "419500602001"};
        const std::uint8_t code_choice = in.u8();
        const int code = code_choice % 5 < 3 ? codes[code_choice % 5] : (code_choice % 5 == 3 ? in.i32() : 0);

        std::vector<std::uint8_t> input;
        const std::uint8_t input_choice = in.u8();
        switch (input_choice % 4) {
        case 0: input = (input_choice & 0x40u) != 0 ? in.long_bytes() : in.short_bytes(); break;
        case 1: {
            const std::string text = documents[in.u8() % 8];
            input.assign(text.begin(), text.end());
            break;
        }
        case 2: {
            const std::string text = actions[in.u8() % 9];
            input.assign(text.begin(), text.end());
            break;
        }
        default: break;
        }
        const bool null_input = input_choice % 4 == 3;
        int in_length = static_cast<int>(input.size());
        if (null_input || (input_choice & 0x80u) != 0) {
            // A null input or a length that is not the buffer's: zero or negative.
            in_length = null_input ? in.i16() : -static_cast<int>(in.u8());
        }
        const int out_length = static_cast<std::int8_t>(in.u8());

        exact_buffer in_bytes(input);
        exact_buffer out_bytes(static_cast<std::size_t>(out_length < 0 ? 0 : out_length));
        int out_used = 12345;
        const int result = device_->DeviceIoControl(code, null_input ? nullptr : in_bytes.data(), in_length,
                                                    out_bytes.data(), out_length, out_used);
        FUZZ_CHECK(result == 0 || result == -1, "DeviceIoControl(%d) returned %d", code, result);
        FUZZ_CHECK(host_.sent.size() <= 1, "DeviceIoControl(%d) sent %zu requests", code, host_.sent.size());
        if (code == 300 || code == 310 || code == 320) {
            FUZZ_CHECK(device_->control_ack_ == -1, "command %d left the acknowledgement at %d", code,
                       device_->control_ack_);
            FUZZ_CHECK(code == 320 ? device_->status_word_ == 320 : device_->poll_step_ == code,
                       "command %d not recorded in the host state", code);
            if (code == 300 && !null_input && in_length == 7) {
                FUZZ_CHECK(result == 0 && host_.sent.size() == 1 && host_.sent[0].data == input,
                           "date and time not passed through");
            }
        } else {
            FUZZ_CHECK(result == 0 && host_.sent.empty(), "status query %d returned %d or sent something", code,
                       result);
            if (out_length >= 4) {
                std::int32_t reported;
                std::memcpy(&reported, out_bytes.data(), sizeof reported);
                FUZZ_CHECK(out_used == 4 && reported == device_->control_ack_, "status query reported %d, used %d",
                           reported, out_used);
            } else {
                FUZZ_CHECK(out_used == 0, "status query into %d bytes used %d", out_length, out_used);
            }
        }
    }

    void load_cache(byte_source& in)
    {
        const std::uint8_t choice = in.u8();
        std::vector<std::uint8_t> cached;
        switch (choice % 4) {
        case 0:
        case 1:
            cached = in.bytes(protocol419::RECORD_SIZE);
            cached.resize(protocol419::RECORD_SIZE, 0);
            break;
        case 2: cached = in.long_bytes(); break;
        default: cached.assign(protocol419::RECORD_SIZE + (choice & 0x80u ? 1 : 0) - (choice & 0x80u ? 0 : 1), 0x5A);
        }
        const bool as_string = (choice & 0x40u) != 0;
        exact_buffer bytes(cached);
        const std::uint8_t ready = device_->data_ready_;
        const auto last_round = device_->last_round_time_;
        host_.clear();
        const int result = as_string ? device_->LoadFromCache(std::string(cached.begin(), cached.end()))
                                     : device_->LoadFromCache(bytes.data(), static_cast<int>(bytes.size()));
        if (cached.size() != protocol419::RECORD_SIZE) {
            FUZZ_CHECK(result == 0 && host_.published == 0 && device_->data_ready_ == ready &&
                           device_->last_round_time_ == last_round,
                       "cache of %zu bytes accepted", cached.size());
            const int stray = fuzz::first_change_outside(before_, device_->data_, record_region());
            FUZZ_CHECK(stray < 0, "refused cache changed record byte %d", stray);
        } else {
            FUZZ_CHECK(result == 1 && host_.published == 1 && device_->data_ready_ == 1, "cache of 1003 bytes refused");
            qorv52_419_Data_t loaded;
            std::memcpy(&loaded, cached.data(), sizeof loaded);
            const int stray = fuzz::first_change_outside(loaded, device_->data_, fuzz::round_time_region());
            FUZZ_CHECK(stray < 0, "record byte %d differs from the cache", stray);
            expected_reserved_ = loaded;
        }
        check_requests(step_kind::cache, device_->protocol_version_);
        check_state();
    }

    void set_host_state(byte_source& in)
    {
        const std::uint8_t choice = in.u8();
        switch (choice % 7) {
        case 0: host_.answers.refresh = in.u8() & 1; break;
        case 1: {
            const std::uint8_t version = in.u8();
            device_->protocol_version_ = version % 3 == 0 ? 0x20 : (version % 3 == 1 ? 0x21 : version);
            break;
        }
        case 2: device_->data_id_ = in.u32(); break;
        case 3: {
            const std::string signal = in.short_text();
            device_->ao_signals_.push_back(signal);
            if ((choice & 0x80u) != 0) {
                device_->ao_values_[signal] = static_cast<float>(in.i16()) / 10.0f;
            }
            break;
        }
        case 4: device_->pending_rules_.resize(in.u8() % 4); break;
        case 5: {
            // The alarm rules add their identifiers to the host's tables with
            // level 0 (rule off); switch them on or off all at once.
            const int level = in.u8() % 4;
            for (auto& entry : device_->level_map_) {
                entry.second = level;
            }
            break;
        }
        default: {
            const float limit = static_cast<float>(in.i16()) / 10.0f;
            for (auto& entry : device_->threshold_map_) {
                entry.second = limit;
            }
            break;
        }
        }
        host_.answers.ao_report = (choice & 0x20u) != 0;
        host_.answers.batch = (choice & 0x40u) != 0;
    }

    void check_requests(step_kind kind, std::uint8_t version) const
    {
        const bool polls = kind == step_kind::refresh || kind == step_kind::reply || kind == step_kind::frame;
        const bool controls = kind == step_kind::ioctl;
        FUZZ_CHECK(host_.sent.size() <= 1, "step %d sent %zu requests", static_cast<int>(kind), host_.sent.size());
        for (const auto& request : host_.sent) {
            const fuzz::request_kind sent_kind = fuzz::classify(request, version);
            FUZZ_CHECK((polls && sent_kind == fuzz::request_kind::poll) ||
                           (controls && sent_kind == fuzz::request_kind::control),
                       "step %d sent %02x/%02x with %zu data bytes", static_cast<int>(kind), request.cid1,
                       request.cid2, request.data.size());
        }
        FUZZ_CHECK(host_.published == host_.saved, "%d records published but %d stored", host_.published,
                   host_.saved);
        if (host_.published != 0) {
            // The round's record, stamped with the time of the round, goes out
            // whole and unchanged to publication and history.
            const auto& record = device_->data_;
            FUZZ_CHECK(host_.last_published == host_.last_saved &&
                           std::memcmp(host_.last_published.data(), &record, sizeof record) == 0,
                       "published, stored and held records differ");
            const ttime stamp = get_ttime(device::local_now());
            FUZZ_CHECK(std::memcmp(record.round_time, stamp.data(), sizeof record.round_time) == 0,
                       "round time is not the time of the round");
        }
    }

    void check_state()
    {
        const auto& record = device_->data_;
        const int stray = fuzz::first_change_outside(expected_reserved_, record, ~fuzz::reserved_region());
        FUZZ_CHECK(stray < 0, "reserved record byte %d changed", stray);
        FUZZ_CHECK(device_->data_ready_ == 0 || device_->data_ready_ == 1, "data-ready flag %d",
                   device_->data_ready_);
        FUZZ_CHECK(!(was_ready_ && device_->data_ready_ != 1), "data-ready flag cleared");
        was_ready_ = device_->data_ready_ == 1;
        FUZZ_CHECK(is_known_poll_step(device_->poll_step_), "poll step %d", device_->poll_step_);
        FUZZ_CHECK(device_->control_ack_ == -1 || device_->control_ack_ == 1, "control acknowledgement %d",
                   device_->control_ack_);
    }

    fuzz::checking_host host_;
    std::unique_ptr<qorv52_419> device_;
    qorv52_419_Data_t before_{};
    qorv52_419_Data_t expected_reserved_{};
    bool was_ready_ = false;
    long long clock_offset_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::silence_standard_output();
    fuzz::check_regions();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    clock_seam::freeze_at_local(2026, 1, 1, 0, 0, 0);
    byte_source in(data, size);
    device_run run;
    for (int steps = 0; steps < MAX_STEPS && !in.empty(); ++steps) {
        run.step(in);
    }
    return 0;
}
