#include "tools/plugin-host/common/device_config.h"

#include "tools/plugin-host/common/input_file.h"
#include "tools/plugin-host/common/json_members.h"
#include "tools/plugin-host/common/run_config.h"

namespace plugin_host {

namespace {

// The settings under "appSetting" that the device reads as text.
const char* const app_text_keys[] = {"b_mode", "has_ac", "has_dc", "no_dc_number",
                                     "has_a",  "has_b",  "has_c",  "dc_i_adjust"};
// What each entry under "thresholdSetting" holds as text.
const char* const threshold_text_keys[] = {"SignalName", "NMAlarmID", "ID", "SignalNumber"};

// Refuses an array or object where the device reads text. Other members
// belong to the plug-in, which may know more of them than the tool does.
void check_text(const Json::Value& object, const std::string& name, const std::string& path, const char* key)
{
    const Json::Value& value = object[key];
    if (value.isObject() || value.isArray()) {
        throw DocumentError(name + ": " + member_path(path, key) + ": " +
                            (value.isObject() ? "an object" : "an array") + " where text is expected");
    }
}

}  // namespace

void check_device_config(const Json::Value& config, const std::string& name, const std::string& path)
{
    const Json::Value& app = config["appSetting"];
    if (app.isObject()) {
        for (const char* key : app_text_keys) {
            check_text(app, name, member_path(path, "appSetting"), key);
        }
    }
    const Json::Value& thresholds = config["thresholdSetting"];
    if (thresholds.isObject()) {
        for (const std::string& entry : thresholds.getMemberNames()) {
            if (!thresholds[entry].isObject()) {
                continue;
            }
            for (const char* key : threshold_text_keys) {
                check_text(thresholds[entry], name, member_path(member_path(path, "thresholdSetting"), entry), key);
            }
        }
    }
    check_host_section(config["host"], name, member_path(path, "host"));
}

Json::Value parse_device_config(const std::string& text, const std::string& name)
{
    const Json::Value config = parse_json(text, name);
    if (!config.isObject()) {
        throw DocumentError(name + ": the configuration is not a JSON object");
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
