// The JSON documents people give the tool (site documents, device documents
// and their host section, scenario lines), read one way: one parse set-up,
// and checked access to an object's members whose every refusal names the
// file and the key path, such as
//   site.json: devices[2].simulator.modules: 300 is out of range: from 0 to 255
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <json/value.h>

namespace plugin_host {

// A document, or a member of one, that the tool refuses; what() names the
// file (when the reader was given one) and the key path.
class DocumentError : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// Parses text as strict JSON: no comments, no member given twice, nothing
// after the value. Throws DocumentError "FILE: not JSON: line 2, column 5:
// Missing '}'..." (the line only when the text has more than one).
Json::Value parse_json(const std::string& text, const std::string& file);

// "devices[2]" + "simulator" gives "devices[2].simulator".
std::string member_path(const std::string& path, const std::string& key);
// "devices" + 2 gives "devices[2]".
std::string element_path(const std::string& path, unsigned index);

// The members of one JSON object. Every member read is looked up here, so
// that whatever is left over is one the reader does not know: a misspelt
// name is refused (check_no_others) rather than silently ignored. Every value
// is type-checked before it is converted, since the JSON library throws on a
// conversion of the wrong type.
class JsonMembers {
public:
    // `object` is found at `path` ("" for the whole document) in `file`
    // ("" when the caller puts its own name in front, as a scenario's line
    // number). `owner` names the object in a refusal of an unknown member,
    // such as op "host". Throws when `object` is neither an object nor null
    // (absent: no members).
    JsonMembers(const Json::Value& object, std::string file, std::string path, std::string owner = "");

    // Nothing when the member is absent.
    const Json::Value* find(const std::string& key);
    const Json::Value& required(const std::string& key);
    std::optional<long long> integer(const std::string& key, long long min, long long max);
    long long required_integer(const std::string& key, long long min, long long max);
    std::optional<double> number(const std::string& key);
    std::optional<bool> boolean(const std::string& key);
    std::optional<std::string> text(const std::string& key);
    // A string that may not be empty, such as a file name.
    std::optional<std::string> name(const std::string& key);
    std::optional<std::vector<std::uint8_t>> hex(const std::string& key);
    std::vector<std::uint8_t> required_hex(const std::string& key);
    // The object held by `key`, with its own path; an absent one has no members.
    JsonMembers object(const std::string& key);

    // Refuses members that were not looked up, suggesting a known name near
    // the unknown one.
    void check_no_others() const;

    // "FILE: PATH.key: reason", and with an empty key "FILE: PATH: reason".
    [[noreturn]] void refuse(const std::string& key, const std::string& reason) const;
    std::string where(const std::string& key) const;

    const std::string& file() const { return file_; }
    const std::string& path() const { return path_; }
    const Json::Value& value() const { return object_; }

    // Checks one value against [min, max], for values that are not members
    // of an object of their own (entries of a list or a map).
    static long long integer_value(const Json::Value& value, long long min, long long max,
                                   const std::string& where);

private:
    const Json::Value& object_;
    std::string file_;
    std::string path_;
    std::string owner_;
    std::set<std::string> known_;
};

}  // namespace plugin_host
