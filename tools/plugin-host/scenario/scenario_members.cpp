#include "tools/plugin-host/scenario/scenario_members.h"

#include "tools/plugin-host/common/hex_text.h"
#include "tools/plugin-host/scenario/scenario_parser.h"

namespace plugin_host {

namespace {

std::string quoted(const std::string& key) { return "\"" + key + "\""; }

}  // namespace

const Json::Value* ScenarioMembers::find(const char* key)
{
    known_.insert(key);
    return line_.isMember(key) ? &line_[key] : nullptr;
}

const Json::Value& ScenarioMembers::required(const char* key)
{
    const Json::Value* value = find(key);
    if (value == nullptr) {
        fail("op \"" + op_ + "\" needs " + quoted(key));
    }
    return *value;
}

std::optional<long long> ScenarioMembers::integer(const char* key, long long min, long long max)
{
    const Json::Value* value = find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    return integer_value(key, *value, min, max);
}

long long ScenarioMembers::required_integer(const char* key, long long min, long long max)
{
    return integer_value(key, required(key), min, max);
}

std::optional<bool> ScenarioMembers::boolean(const char* key)
{
    const Json::Value* value = find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->isBool()) {
        fail(quoted(key) + " must be true or false");
    }
    return value->asBool();
}

std::optional<std::string> ScenarioMembers::text(const char* key)
{
    const Json::Value* value = find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->isString()) {
        fail(quoted(key) + " must be a string");
    }
    return value->asString();
}

std::optional<std::vector<std::uint8_t>> ScenarioMembers::hex(const char* key)
{
    const std::optional<std::string> digits = text(key);
    if (!digits) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!parse_hex(*digits, bytes, error)) {
        fail(quoted(key) + " is not hex: " + error);
    }
    return bytes;
}

std::vector<std::uint8_t> ScenarioMembers::required_hex(const char* key)
{
    required(key);
    return *hex(key);
}

void ScenarioMembers::check_no_others() const
{
    for (const std::string& name : line_.getMemberNames()) {
        if (known_.count(name) == 0) {
            fail("op \"" + op_ + "\" takes no member " + quoted(name));
        }
    }
}

void ScenarioMembers::fail(const std::string& reason) { throw ScenarioError(reason); }

long long ScenarioMembers::integer_value(const std::string& what, const Json::Value& value, long long min,
                                         long long max)
{
    if (!value.isInt64() || value.asInt64() < min || value.asInt64() > max) {
        fail(quoted(what) + " must be an integer from " + std::to_string(min) + " to " + std::to_string(max));
    }
    return value.asInt64();
}

}  // namespace plugin_host
