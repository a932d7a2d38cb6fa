// The host settings that a device document may carry under "host" (the
// daemon keeps these in its own tables; the plug-in ignores the member).
#pragma once

#include <string>
#include <utility>
#include <vector>

#include <json/value.h>

#include "host/pmbus_protocol.h"
#include "tools/plugin-host/common/json_members.h"

namespace plugin_host {

// The alarm levels, {signal identifier: whole number}, held by `key`.
std::vector<std::pair<std::string, int>> signal_levels(JsonMembers& members, const std::string& key);
// The thresholds, {signal identifier: number}, held by `key`.
std::vector<std::pair<std::string, float>> signal_thresholds(JsonMembers& members, const std::string& key);

// Checks "host": {"levels": {id: int}, "thresholds": {id: number},
// "data_id": int, "version": int} found at `path` in `file`. Throws
// DocumentError naming the file and the key path of a member of the wrong
// type or one that the section does not take.
void check_host_section(const Json::Value& host, const std::string& file, const std::string& path);

// Applies the "host" member of a device document that has been checked.
void apply_host_settings(const Json::Value& config, PMBusProtocol& device);

}  // namespace plugin_host
