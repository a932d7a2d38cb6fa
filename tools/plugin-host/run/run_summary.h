// How plugin-host run shows a round: a compact aligned block of text, or one
// JSON object per line with --json.
#pragma once

#include <string>

#include "tools/plugin-host/run/run_rounds.h"

namespace plugin_host {

std::string summary_text(const RoundView& round);
// Members in this order: round, completed, replies, faults, duration_ms,
// line_ms, then for a completed round time, ac, rectifier, dc, and last
// alarms. The rectifier has "held" (the modules the record holds) only when
// the power system reported more modules than that.
std::string summary_json(const RoundView& round);

// What a run came to, for its closing line on standard error.
struct RunAccount {
    unsigned rounds = 0;
    unsigned completed = 0;
    unsigned faults = 0;
    unsigned cut = 0;  // rounds a stop request cut short

    void count(const RoundView& round);
    // "stopped after 5 rounds: 4 completed, 1 abandoned, 3 line faults"; on a
    // site, "stopped after 5 rounds of 2 devices: ..."; rounds a stop cut
    // short are among the abandoned: "1 abandoned (1 cut short by the stop)".
    std::string text(std::size_t devices = 0) const;
};

}  // namespace plugin_host
