// A stop request (SIGINT, SIGTERM) as the host's waits see it. Every wait
// blocks in short slices and looks at it between them, so a stop ends any
// wait within a fraction of a second, whatever the wait's full length.
#pragma once

#include <chrono>
#include <functional>

#include "host/host_api.h"

using StopCheck = std::function<bool()>;

// The longest a wait blocks before it looks at the stop request again.
constexpr std::chrono::milliseconds STOP_SLICE{100};

// Blocks for `duration`. Returns false, early, when `stop` asks to stop.
HOST_API bool pause_unless_stopped(std::chrono::steady_clock::duration duration, const StopCheck& stop);
