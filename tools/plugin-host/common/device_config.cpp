#include "tools/plugin-host/common/device_config.h"

#include <memory>
#include <stdexcept>

#include <json/reader.h>

#include "tools/plugin-host/common/input_file.h"

namespace plugin_host {

namespace {

// The settings under "appSetting" that the device reads as text.
const char* const app_text_keys[] = {"b_mode", "has_ac", "has_dc", "no_dc_number",
                                     "has_a",  "has_b",  "has_c",  "dc_i_adjust"};
// What each entry under "thresholdSetting" holds as text.
const char* const threshold_text_keys[] = {"SignalName", "NMAlarmID", "ID", "SignalNumber"};

void check_text(const Json::Value& value, const std::string& name, const std::string& key_path)
{
    if (value.isObject() || value.isArray()) {
        throw std::invalid_argument(name + ": " + key_path + ": " + (value.isObject() ? "an object" : "an array") +
                                    " where text is expected");
    }
}

// The JSON library's "* Line 2, Column 1\n  Missing '}'..." on one line.
std::string one_line(const std::string& message)
{
    std::string out;
    for (std::size_t at = 0; at < message.size(); ++at) {
        if (message.compare(at, 2, "* ") == 0 && (at == 0 || message[at - 1] == '\n')) {
            out += out.empty() ? "" : "; ";
            ++at;
        } else if (message[at] == '\n') {
            while (at + 1 < message.size() && message[at + 1] == ' ') {
                ++at;
            }
            if (at + 1 < message.size() && message[at + 1] != '*') {
                out += ": ";
            }
        } else {
            out += message[at];
        }
    }
    return out;
}

}  // namespace

void check_device_config(const Json::Value& config, const std::string& name)
{
    const Json::Value& app = config["appSetting"];
    if (app.isObject()) {
        for (const char* key : app_text_keys) {
            check_text(app[key], name, std::string("appSetting.") + key);
        }
    }
    const Json::Value& thresholds = config["thresholdSetting"];
    if (thresholds.isObject()) {
        for (const std::string& entry : thresholds.getMemberNames()) {
            if (!thresholds[entry].isObject()) {
                continue;
            }
            for (const char* key : threshold_text_keys) {
                check_text(thresholds[entry][key], name, "thresholdSetting." + entry + "." + key);
            }
        }
    }
}

Json::Value parse_device_config(const std::string& text, const std::string& name)
{
    Json::Value config;
    Json::CharReaderBuilder builder;
    std::string errors;
    std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    if (!reader->parse(text.data(), text.data() + text.size(), &config, &errors)) {
        throw std::invalid_argument(name + ": not JSON: " + one_line(errors));
    }
    if (!config.isObject()) {
        throw std::invalid_argument(name + ": the configuration is not a JSON object");
    }
    check_device_config(config, name);
    return config;
}

Json::Value load_device_config(const std::string& path)
{
    return parse_device_config(read_input_file(path, "configuration"), path);
}

Json::Value sample_device_config() { return parse_device_config(sample_device_config_text, "the sample configuration"); }

}  // namespace plugin_host
