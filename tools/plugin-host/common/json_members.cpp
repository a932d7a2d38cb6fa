#include "tools/plugin-host/common/json_members.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>

#include <json/reader.h>

#include "tools/plugin-host/common/hex_text.h"
#include "tools/plugin-host/common/near_name.h"

namespace plugin_host {

namespace {

// The JSON reader's first complaint on one line: "* Line 2, Column 7\n
// Missing ',' or '}' in object declaration\n..." becomes "line 2, column 7:
// Missing ...", without the line when the text is a single line.
std::string first_json_error(const std::string& errors, bool one_line_text)
{
    std::istringstream lines(errors);
    std::string where;
    std::string what;
    std::getline(lines, where);
    std::getline(lines, what);
    const std::size_t line = where.find("Line ");
    const std::size_t column = where.find("Column ");
    const std::size_t text = what.find_first_not_of(' ');
    if (line == std::string::npos || column == std::string::npos || text == std::string::npos) {
        std::string flat = errors;
        std::replace(flat.begin(), flat.end(), '\n', ' ');
        return flat;
    }
    const std::string place = one_line_text ? "column " + where.substr(column + 7)
                                            : "line " + where.substr(line + 5, where.find(',', line) - line - 5) +
                                                  ", column " + where.substr(column + 7);
    return place + ": " + what.substr(text);
}

std::string prefixed(const std::string& file, const std::string& rest)
{
    return file.empty() ? rest : file + ": " + rest;
}

}  // namespace

Json::Value parse_json(const std::string& text, const std::string& file)
{
    Json::CharReaderBuilder builder;
    Json::CharReaderBuilder::strictMode(&builder.settings_);
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value document;
    std::string errors;
    bool parsed = false;
    try {
        parsed = reader->parse(text.data(), text.data() + text.size(), &document, &errors);
    } catch (const std::exception& error) {
        // The reader gives up on deeply nested values by throwing.
        throw DocumentError(prefixed(file, std::string("not JSON: ") + error.what()));
    }
    if (!parsed) {
        const bool one_line = text.find('\n') == std::string::npos || text.find('\n') + 1 == text.size();
        throw DocumentError(prefixed(file, "not JSON: " + first_json_error(errors, one_line)));
    }
    return document;
}

std::string member_path(const std::string& path, const std::string& key)
{
    return path.empty() || key.empty() ? path + key : path + "." + key;
}

std::string element_path(const std::string& path, unsigned index)
{
    return path + "[" + std::to_string(index) + "]";
}

JsonMembers::JsonMembers(const Json::Value& object, std::string file, std::string path, std::string owner)
    : object_(object), file_(std::move(file)), path_(std::move(path)), owner_(std::move(owner))
{
    if (!object_.isNull() && !object_.isObject()) {
        refuse("", "must be an object");
    }
}

const Json::Value* JsonMembers::find(const std::string& key)
{
    known_.insert(key);
    return object_.isMember(key) ? &object_[key] : nullptr;
}

const Json::Value& JsonMembers::required(const std::string& key)
{
    const Json::Value* value = find(key);
    if (value == nullptr) {
        refuse(key, owner_.empty() ? "missing" : "missing, " + owner_ + " needs it");
    }
    return *value;
}

std::optional<long long> JsonMembers::integer(const std::string& key, long long min, long long max)
{
    const Json::Value* value = find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    return integer_value(*value, min, max, where(key));
}

long long JsonMembers::required_integer(const std::string& key, long long min, long long max)
{
    return integer_value(required(key), min, max, where(key));
}

std::optional<double> JsonMembers::number(const std::string& key)
{
    const Json::Value* value = find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->isDouble()) {
        refuse(key, "must be a number");
    }
    return value->asDouble();
}

std::optional<bool> JsonMembers::boolean(const std::string& key)
{
    const Json::Value* value = find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->isBool()) {
        refuse(key, "must be true or false");
    }
    return value->asBool();
}

std::optional<std::string> JsonMembers::text(const std::string& key)
{
    const Json::Value* value = find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->isString()) {
        refuse(key, "must be a string");
    }
    return value->asString();
}

std::optional<std::string> JsonMembers::name(const std::string& key)
{
    const Json::Value* value = find(key);
    if (value == nullptr) {
        return std::nullopt;
    }
    if (!value->isString() || value->asString().empty()) {
        refuse(key, "must be a non-empty string");
    }
    return value->asString();
}

std::optional<std::vector<std::uint8_t>> JsonMembers::hex(const std::string& key)
{
    const std::optional<std::string> digits = text(key);
    if (!digits) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!parse_hex(*digits, bytes, error)) {
        refuse(key, "not hex: " + error);
    }
    return bytes;
}

std::vector<std::uint8_t> JsonMembers::required_hex(const std::string& key)
{
    required(key);
    return *hex(key);
}

JsonMembers JsonMembers::object(const std::string& key)
{
    const Json::Value* value = find(key);
    return JsonMembers(value == nullptr ? Json::Value::nullSingleton() : *value, file_, member_path(path_, key));
}

void JsonMembers::check_no_others() const
{
    if (!object_.isObject()) {
        return;
    }
    for (const std::string& key : object_.getMemberNames()) {
        if (known_.count(key) != 0) {
            continue;
        }
        std::string reason = owner_.empty() ? "unknown member" : "unknown member of " + owner_;
        if (const std::optional<std::string> near = nearest_name(key, known_)) {
            reason += " (did you mean \"" + *near + "\"?)";
        }
        refuse(key, reason);
    }
}

void JsonMembers::refuse(const std::string& key, const std::string& reason) const
{
    const std::string place = where(key);
    throw DocumentError(place.empty() ? reason : place + ": " + reason);
}

std::string JsonMembers::where(const std::string& key) const { return prefixed(file_, member_path(path_, key)); }

long long JsonMembers::integer_value(const Json::Value& value, long long min, long long max, const std::string& where)
{
    const std::string range = "from " + std::to_string(min) + " to " + std::to_string(max);
    if (value.isInt64() && value.asInt64() >= min && value.asInt64() <= max) {
        return value.asInt64();
    }
    const bool whole = value.isDouble() && std::isfinite(value.asDouble()) && std::trunc(value.asDouble()) == value.asDouble();
    if (whole) {
        const std::string written = value.toStyledString();
        throw DocumentError(where + ": " + written.substr(0, written.find('\n')) + " is out of range: " + range);
    }
    throw DocumentError(where + ": must be a whole number " + range);
}

}  // namespace plugin_host
