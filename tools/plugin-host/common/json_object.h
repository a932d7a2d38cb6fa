// A JSON object written member by member, in the order the members are added.
// Transcripts and record dumps are parsed by tools outside the project, so
// the member order and the number forms are fixed: floats with 9 significant
// digits, and null for a float that is not finite.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace plugin_host {

class JsonObject {
public:
    JsonObject& text(std::string_view key, std::string_view value);
    JsonObject& integer(std::string_view key, long long value);
    JsonObject& boolean(std::string_view key, bool value);
    JsonObject& real(std::string_view key, float value);
    JsonObject& null(std::string_view key);
    // A value that is already JSON text (an array or a nested object).
    JsonObject& raw(std::string_view key, std::string_view json);

    // The object's text, without a line break.
    std::string str() const { return out_ + "}"; }

private:
    void open_member(std::string_view key);

    std::string out_ = "{";
    bool empty_ = true;
};

// A transcript line's object, with "ev" first.
JsonObject transcript_event(std::string_view ev);

// An object with one member per entry, in key order, such as the host's
// alarm levels or thresholds by signal identifier.
JsonObject members_of(const std::map<std::string, int>& values);
JsonObject members_of(const std::map<std::string, float>& values);

// A JSON string literal. UTF-8 text passes unchanged; quotes, backslashes and
// control characters are escaped.
std::string json_string(std::string_view text);
// A float as "%.9g", or null when it is not finite.
std::string json_float(float value);

}  // namespace plugin_host
