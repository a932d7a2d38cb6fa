// The host settings that the device document of plugin-host run may carry
// under "host" (the daemon keeps these in its own tables; the plug-in
// ignores the member).
#pragma once

#include <string>

#include <json/value.h>

#include "host/pmbus_protocol.h"

// Applies "host": {"levels": {id: int}, "thresholds": {id: number},
// "data_id": int, "version": int}. Throws std::invalid_argument naming a
// member of the wrong type.
void apply_host_settings(const Json::Value& config, PMBusProtocol& device);
