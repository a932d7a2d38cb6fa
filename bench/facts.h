// What the report needs besides timings: heap allocations per decoder call
// and per round, the device's size and the line time of a round. Printed as
// "name value" lines for bench/report.
#pragma once

#include <cstdio>

namespace bench {

void print_facts(std::FILE* out);

// Runs this many first rounds of the full-size site and nothing else, so
// that an instruction counter sees the rounds and a fixed start-up cost.
void run_rounds(long count);

}  // namespace bench
