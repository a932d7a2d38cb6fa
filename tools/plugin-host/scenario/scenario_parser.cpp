#include "tools/plugin-host/scenario/scenario_parser.h"

#include <climits>
#include <cstdint>

#include "host/frame_codec.h"
#include "tools/plugin-host/common/run_config.h"

namespace plugin_host {

namespace {

HostStep parse_host(JsonMembers& members)
{
    HostStep step;
    if (auto data_id = members.integer("data_id", 0, UINT32_MAX)) {
        step.data_id = static_cast<std::uint32_t>(*data_id);
    }
    step.refresh = members.boolean("refresh");
    step.ao_report = members.boolean("ao_report");
    step.batch = members.boolean("batch");
    if (auto version = members.integer("version", 0, 255)) {
        step.version = static_cast<std::uint8_t>(*version);
    }
    step.levels = signal_levels(members, "levels");
    step.thresholds = signal_thresholds(members, "thresholds");
    if (const Json::Value* ao = members.find("ao")) {
        if (!ao->isArray()) {
            members.refuse("ao", "must be a list of [signal, number or null]");
        }
        step.ao.emplace();
        for (Json::ArrayIndex i = 0; i < ao->size(); ++i) {
            const Json::Value& entry = (*ao)[i];
            if (!entry.isArray() || entry.size() != 2 || !entry[0].isString() ||
                !(entry[1].isNull() || entry[1].isDouble())) {
                members.refuse(element_path("ao", i), "must be [signal, number or null]");
            }
            std::optional<float> value;
            if (!entry[1].isNull()) {
                value = static_cast<float>(entry[1].asDouble());
            }
            step.ao->emplace_back(entry[0].asString(), value);
        }
    }
    if (auto rules = members.integer("pending_rules", 0, static_cast<long long>(MAX_PENDING_RULES))) {
        step.pending_rules = static_cast<std::size_t>(*rules);
    }
    return step;
}

ReplyStep parse_reply(JsonMembers& members)
{
    ReplyStep step{members.required_hex("info")};
    if (step.info.size() > MAX_REPLY_INFO) {
        members.refuse("info", std::to_string(step.info.size()) + " bytes; a reply frame holds at most " +
                                   std::to_string(MAX_REPLY_INFO));
    }
    return step;
}

FrameStep parse_frame(JsonMembers& members)
{
    constexpr std::size_t header = pmbus_frame::DECODED_HEADER_BYTES;
    FrameStep step{members.required_hex("hex")};
    if (step.bytes.size() < header) {
        members.refuse("hex", "a frame has at least " + std::to_string(header) +
                                  " bytes (header and length field), this one " + std::to_string(step.bytes.size()));
    }
    const std::size_t announced = static_cast<std::size_t>(step.bytes[4] | step.bytes[5] << 8) >> 1;
    if (announced > step.bytes.size() - header) {
        members.refuse("hex", "the length field announces " + std::to_string(announced) +
                                  " INFO bytes, the frame holds " + std::to_string(step.bytes.size() - header));
    }
    return step;
}

GetStep parse_get(JsonMembers& members)
{
    GetStep step;
    members.required("name");
    step.name = *members.text("name");
    step.id = static_cast<unsigned int>(members.integer("id", 0, UINT_MAX).value_or(0));
    return step;
}

IoctlStep parse_ioctl(JsonMembers& members)
{
    IoctlStep step;
    step.code = static_cast<int>(members.required_integer("code", INT_MIN, INT_MAX));
    const std::optional<std::vector<std::uint8_t>> in = members.hex("in");
    const std::optional<std::string> in_text = members.text("in_text");
    if (in && in_text) {
        members.refuse("in_text", "give the input as \"in\" or as \"in_text\", not both");
    }
    if (in) {
        step.in = *in;
    } else if (in_text) {
        step.in.assign(in_text->begin(), in_text->end());
    }
    step.in_null = members.boolean("in_null").value_or(false);
    const long long given = static_cast<long long>(step.in.size());
    step.in_len = static_cast<int>(members.integer("in_len", INT_MIN, INT_MAX).value_or(given));
    if (!step.in_null && step.in_len > given) {
        members.refuse("in_len", std::to_string(step.in_len) + " is more than the " + std::to_string(given) +
                                     " input bytes given");
    }
    step.out_len = static_cast<int>(members.integer("out_len", INT_MIN, MAX_OUT_LEN).value_or(4));
    return step;
}

CacheStep parse_cache(JsonMembers& members)
{
    CacheStep step{members.required_hex("hex"), false};
    const std::string form = members.text("form").value_or("bytes");
    if (form == "string") {
        step.as_string = true;
    } else if (form != "bytes") {
        members.refuse("form", "must be \"bytes\" or \"string\"");
    }
    return step;
}

ScenarioStep parse_step(const std::string& op, JsonMembers& members)
{
    if (op == "host") {
        return parse_host(members);
    }
    if (op == "config") {
        return ConfigStep{members.required("doc")};
    }
    if (op == "refresh") {
        return RefreshStep{};
    }
    if (op == "reply") {
        return parse_reply(members);
    }
    if (op == "frame") {
        return parse_frame(members);
    }
    if (op == "advance") {
        // A century either way is far more than any capture needs and keeps
        // the clock's arithmetic far from overflow.
        constexpr long long century = 100LL * 366 * 24 * 3600;
        return AdvanceStep{members.required_integer("seconds", -century, century)};
    }
    if (op == "get") {
        return parse_get(members);
    }
    if (op == "ioctl") {
        return parse_ioctl(members);
    }
    if (op == "cache") {
        return parse_cache(members);
    }
    if (op == "state") {
        return StateStep{};
    }
    if (op == "info") {
        return InfoStep{};
    }
    throw ScenarioError("unknown op \"" + op + "\"");
}

bool is_skipped(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(" \t\r\n");
    return first == std::string::npos || line[first] == '#';
}

}  // namespace

std::optional<ScenarioStep> parse_scenario_line(const std::string& line)
{
    if (is_skipped(line)) {
        return std::nullopt;
    }
    const Json::Value object = parse_json(line, "");
    if (!object.isObject()) {
        throw ScenarioError("a scenario line is a JSON object with an \"op\"");
    }
    if (!object.isMember("op") || !object["op"].isString()) {
        throw ScenarioError("the line has no \"op\" string");
    }
    const std::string op = object["op"].asString();
    JsonMembers members(object, "", "", "op \"" + op + "\"");
    members.find("op");
    ScenarioStep step = parse_step(op, members);
    members.check_no_others();
    return step;
}

}  // namespace plugin_host
