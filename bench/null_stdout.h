// The device writes its diagnostic lines to standard output. While it is
// measured they go to /dev/null: written (the writes are part of what a round
// costs on the controller) but kept out of the benchmark's own report.
#pragma once

#include <cstdio>

namespace bench {

// Points file descriptor 1 at /dev/null and answers a stream on what it was
// before, for the program's own report.
std::FILE* silence_standard_output();

}  // namespace bench
