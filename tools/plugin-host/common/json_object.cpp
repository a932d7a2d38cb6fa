#include "tools/plugin-host/common/json_object.h"

#include <cmath>
#include <cstdio>

namespace plugin_host {

JsonObject& JsonObject::text(std::string_view key, std::string_view value)
{
    open_member(key);
    out_ += json_string(value);
    return *this;
}

JsonObject& JsonObject::integer(std::string_view key, long long value)
{
    open_member(key);
    out_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::boolean(std::string_view key, bool value)
{
    open_member(key);
    out_ += value ? "true" : "false";
    return *this;
}

JsonObject& JsonObject::real(std::string_view key, float value)
{
    open_member(key);
    out_ += json_float(value);
    return *this;
}

JsonObject& JsonObject::null(std::string_view key)
{
    open_member(key);
    out_ += "null";
    return *this;
}

JsonObject& JsonObject::raw(std::string_view key, std::string_view json)
{
    open_member(key);
    out_ += json;
    return *this;
}

void JsonObject::open_member(std::string_view key)
{
    if (!empty_) {
        out_ += ',';
    }
    empty_ = false;
    out_ += json_string(key);
    out_ += ':';
}

JsonObject transcript_event(std::string_view ev)
{
    JsonObject line;
    line.text("ev", ev);
    return line;
}

JsonObject members_of(const std::map<std::string, int>& values)
{
    JsonObject out;
    for (const auto& [key, value] : values) {
        out.integer(key, value);
    }
    return out;
}

JsonObject members_of(const std::map<std::string, float>& values)
{
    JsonObject out;
    for (const auto& [key, value] : values) {
        out.real(key, value);
    }
    return out;
}

std::string json_string(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

std::string json_float(float value)
{
    if (!std::isfinite(value)) {
        return "null";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return text;
}

}  // namespace plugin_host
