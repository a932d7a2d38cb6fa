// Reads one line of a replay scenario (JSON Lines, one object with an "op"
// per line). Everything is checked before anything runs: a line that would
// be misread is refused with a reason instead.
#pragma once

#include <optional>
#include <string>

#include "tools/plugin-host/common/json_members.h"
#include "tools/plugin-host/scenario/scenario_step.h"

namespace plugin_host {

// A line that is not a well-formed scenario step; what() names the member
// and says why.
using ScenarioError = DocumentError;

// Nothing for a blank line or one whose first non-blank character is '#'.
// Throws ScenarioError for anything malformed.
std::optional<ScenarioStep> parse_scenario_line(const std::string& line);

// Most INFO bytes a reply frame can announce: the length field holds twice
// the INFO length in 16 bits.
constexpr std::size_t MAX_REPLY_INFO = 0xFFFF / 2;
// Most host rule records a "host" line may queue, and most bytes an ioctl
// output buffer may have, so that a typo cannot exhaust memory.
constexpr std::size_t MAX_PENDING_RULES = 100000;
constexpr int MAX_OUT_LEN = 1 << 20;

}  // namespace plugin_host
