// A read or write of a whole buffer through calls that may move part of it
// (a full disk, a signal's interruption): the one loop that the history,
// the MQTT ledger and the record reader share.
#pragma once

#include <cstddef>
#include <functional>

#include <sys/types.h>

namespace plugin_host {

// Calls `step(done)` to move the rest from byte `done` on, until `size`
// bytes went, a call moved nothing, or one failed; a call that a signal
// interrupted is made again. Returns the bytes moved; when short, `error` is
// errno's value (ENOSPC for a call that moved nothing).
std::size_t transfer_whole(std::size_t size, const std::function<ssize_t(std::size_t done)>& step, int& error);

}  // namespace plugin_host
