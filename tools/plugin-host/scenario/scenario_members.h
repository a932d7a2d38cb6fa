// Checked access to the members of one scenario line.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <json/value.h>

namespace plugin_host {

// Every member a step reads is looked up here, so that whatever is left over
// is a member the op does not know: a misspelt name is refused rather than
// silently ignored. Every value is type-checked before it is converted, since
// the JSON library throws on a conversion of the wrong type. Refusals are
// thrown as ScenarioError.
class ScenarioMembers {
public:
    ScenarioMembers(const Json::Value& line, std::string op) : line_(line), op_(std::move(op)) {}

    // Nothing when the member is absent.
    const Json::Value* find(const char* key);
    const Json::Value& required(const char* key);
    std::optional<long long> integer(const char* key, long long min, long long max);
    long long required_integer(const char* key, long long min, long long max);
    std::optional<bool> boolean(const char* key);
    std::optional<std::string> text(const char* key);
    std::optional<std::vector<std::uint8_t>> hex(const char* key);
    std::vector<std::uint8_t> required_hex(const char* key);

    // Refuses members that the op does not take.
    void check_no_others() const;

    [[noreturn]] static void fail(const std::string& reason);
    static long long integer_value(const std::string& what, const Json::Value& value, long long min, long long max);

private:
    const Json::Value& line_;
    std::string op_;
    std::set<std::string> known_{"op"};
};

}  // namespace plugin_host
