#include "tools/plugin-host/common/run_config.h"

#include <climits>
#include <cstdint>

namespace plugin_host {

namespace {

// Reads the section, and applies it to `device` when there is one.
void read_host_section(const Json::Value& host, const std::string& file, const std::string& path,
                       PMBusProtocol* device)
{
    JsonMembers members(host, file, path);
    const auto levels = signal_levels(members, "levels");
    const auto thresholds = signal_thresholds(members, "thresholds");
    const auto data_id = members.integer("data_id", 0, UINT32_MAX);
    const auto version = members.integer("version", 0, 255);
    members.check_no_others();
    if (device == nullptr) {
        return;
    }
    for (const auto& [id, level] : levels) {
        device->level_map_[id] = level;
    }
    for (const auto& [id, threshold] : thresholds) {
        device->threshold_map_[id] = threshold;
    }
    if (data_id) {
        device->data_id_ = static_cast<std::uint32_t>(*data_id);
    }
    if (version) {
        device->protocol_version_ = static_cast<unsigned char>(*version);
    }
}

}  // namespace

std::vector<std::pair<std::string, int>> signal_levels(JsonMembers& members, const std::string& key)
{
    JsonMembers levels = members.object(key);
    std::vector<std::pair<std::string, int>> out;
    for (const std::string& id : levels.value().getMemberNames()) {
        out.emplace_back(id, static_cast<int>(*levels.integer(id, INT_MIN, INT_MAX)));
    }
    return out;
}

std::vector<std::pair<std::string, float>> signal_thresholds(JsonMembers& members, const std::string& key)
{
    JsonMembers thresholds = members.object(key);
    std::vector<std::pair<std::string, float>> out;
    for (const std::string& id : thresholds.value().getMemberNames()) {
        out.emplace_back(id, static_cast<float>(*thresholds.number(id)));
    }
    return out;
}

void check_host_section(const Json::Value& host, const std::string& file, const std::string& path)
{
    read_host_section(host, file, path, nullptr);
}

void apply_host_settings(const Json::Value& config, PMBusProtocol& device)
{
    read_host_section(config["host"], "", "host", &device);
}

}  // namespace plugin_host
