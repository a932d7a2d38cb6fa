// How plugin-host run shows a round: a compact aligned block of text, or one
// JSON object per line with --json.
#pragma once

#include <string>

#include "tools/plugin-host/run_rounds.h"

std::string summary_text(const RoundView& round);
// Members in this order: round, completed, replies, faults, duration_ms,
// line_ms, then for a completed round time, ac, rectifier, dc, and last
// alarms.
std::string summary_json(const RoundView& round);
