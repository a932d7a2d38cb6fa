#include "tools/plugin-host/common/run_config.h"

#include <stdexcept>

void apply_host_settings(const Json::Value& config, PMBusProtocol& device)
{
    const Json::Value& host = config["host"];
    if (host.isNull()) {
        return;
    }
    if (!host.isObject()) {
        throw std::invalid_argument("\"host\" must be an object");
    }
    const Json::Value& levels = host["levels"];
    if (!levels.isNull() && !levels.isObject()) {
        throw std::invalid_argument("\"host\".\"levels\" must be an object of signal identifiers");
    }
    for (const std::string& id : levels.getMemberNames()) {
        if (!levels[id].isInt()) {
            throw std::invalid_argument("the level of " + id + " must be a whole number");
        }
        device.level_map_[id] = levels[id].asInt();
    }
    const Json::Value& thresholds = host["thresholds"];
    if (!thresholds.isNull() && !thresholds.isObject()) {
        throw std::invalid_argument("\"host\".\"thresholds\" must be an object of signal identifiers");
    }
    for (const std::string& id : thresholds.getMemberNames()) {
        if (!thresholds[id].isNumeric()) {
            throw std::invalid_argument("the threshold of " + id + " must be a number");
        }
        device.threshold_map_[id] = thresholds[id].asFloat();
    }
    if (host.isMember("data_id")) {
        if (!host["data_id"].isUInt()) {
            throw std::invalid_argument("\"host\".\"data_id\" must be a whole number");
        }
        device.data_id_ = host["data_id"].asUInt();
    }
    if (host.isMember("version")) {
        if (!host["version"].isUInt() || host["version"].asUInt() > 255) {
            throw std::invalid_argument("\"host\".\"version\" must be a byte, such as 32 for 0x20");
        }
        device.protocol_version_ = static_cast<unsigned char>(host["version"].asUInt());
    }
}
