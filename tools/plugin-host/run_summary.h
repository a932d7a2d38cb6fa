// How plugin-host run shows a round: a compact aligned block of text, or one
// JSON object per line with --json.
#pragma once

#include <string>

#include "tools/plugin-host/run_rounds.h"

std::string summary_text(const RoundView& round);
std::string summary_json(const RoundView& round);
