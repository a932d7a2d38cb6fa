// The device's JSON document, read and checked by the tool before the
// device sees it: the plug-in reads its settings as text and would stop at
// the first value it cannot convert, naming neither the file nor the key.
#pragma once

#include <string>

#include <json/value.h>

namespace plugin_host {

// config/sample-device.json, built into the tool.
extern const char* const sample_device_config_text;

// Reads and checks the document at path (see check_device_config). Throws
// std::invalid_argument naming the file, and the key where there is one.
Json::Value load_device_config(const std::string& path);

// The sample document, parsed.
Json::Value sample_device_config();

// Parses text as the document called name: a JSON object whose settings the
// device can read.
Json::Value parse_device_config(const std::string& text, const std::string& name);

// Throws DocumentError "NAME: appSetting.has_dc: an object where text is
// expected" for an array or object where the device reads text, and for a
// "host" section the tool cannot apply. Other members belong to the plug-in
// and are left to it.
// `path` is where the document is found within the file NAME ("" when it is
// the whole file).
void check_device_config(const Json::Value& config, const std::string& name, const std::string& path = "");

}  // namespace plugin_host
