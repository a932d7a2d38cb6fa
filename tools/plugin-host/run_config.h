// The device document of plugin-host run, and the host settings it may
// carry under "host" (the daemon keeps these in its own tables; the plug-in
// ignores the member).
#pragma once

#include <string>

#include <json/value.h>

#include "host/pmbus_protocol.h"

// A document that enables the AC and DC threshold rules, with alarm levels
// and thresholds for each of them.
extern const char* const sample_run_config;

// Parses the document; throws std::invalid_argument with the parser's message.
Json::Value parse_run_config(const std::string& text);

// Applies "host": {"levels": {id: int}, "thresholds": {id: number},
// "data_id": int, "version": int}. Throws std::invalid_argument naming a
// member of the wrong type.
void apply_host_settings(const Json::Value& config, PMBusProtocol& device);
