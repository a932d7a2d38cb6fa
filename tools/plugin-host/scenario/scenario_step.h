// One line of a replay scenario, checked and converted, ready to run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include <json/value.h>

namespace plugin_host {

// Host state to set; members that the line does not name stay as they are.
struct HostStep {
    std::optional<std::uint32_t> data_id;
    std::optional<bool> refresh;
    std::optional<bool> ao_report;
    std::optional<bool> batch;
    std::optional<std::uint8_t> version;
    std::vector<std::pair<std::string, int>> levels;
    std::vector<std::pair<std::string, float>> thresholds;
    // Signals in list order, each with its value when it has one.
    std::optional<std::vector<std::pair<std::string, std::optional<float>>>> ao;
    std::optional<std::size_t> pending_rules;
};

struct ConfigStep {
    Json::Value doc;
};

struct RefreshStep {};

// A reply whose frame the tool builds around this INFO.
struct ReplyStep {
    std::vector<std::uint8_t> info;
};

// A received frame handed over unchanged.
struct FrameStep {
    std::vector<std::uint8_t> bytes;
};

struct AdvanceStep {
    long long seconds = 0;
};

struct GetStep {
    std::string name;
    unsigned int id = 0;
};

struct IoctlStep {
    int code = 0;
    std::vector<std::uint8_t> in;
    bool in_null = false;
    int in_len = 0;
    int out_len = 4;
};

struct CacheStep {
    std::vector<std::uint8_t> bytes;
    bool as_string = false;
};

struct StateStep {};
struct InfoStep {};

using ScenarioStep = std::variant<HostStep, ConfigStep, RefreshStep, ReplyStep, FrameStep, AdvanceStep, GetStep,
                                  IoctlStep, CacheStep, StateStep, InfoStep>;

}  // namespace plugin_host
