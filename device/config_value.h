// Reading settings out of a device's JSON configuration document.
#pragma once

#include <string>

#include <json/value.h>

namespace device {

// The member `key` of `object`, or JSON null when `object` is not an object
// or has no such member. A null member counts as absent.
const Json::Value& member(const Json::Value& object, const char* key);

// The C library's atoi rule: leading blanks, an optional sign, the leading
// decimal digits, 0 when there are none. Numbers beyond the range of int are
// clamped to INT_MIN or INT_MAX instead of being undefined.
int atoi_rule(const std::string& text);

}  // namespace device
