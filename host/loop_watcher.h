// What the host's loop for one device tells those who watch a line: a round
// about to start, each reply handed to the device, and each line fault. The
// run tool times rounds with it and writes captures of a site's line.
#pragma once

#include <cstddef>
#include <string>

#include "host/host_api.h"

class HOST_API LoopWatcher {
public:
    virtual ~LoopWatcher() = default;

    // Just before the loop asks the device to start a round (it may decline).
    virtual void before_round() {}
    // A received frame, in the layout the device reads, just before the
    // device's process gets it.
    virtual void on_reply(const unsigned char* /*frame*/, std::size_t /*length*/) {}
    // A fault on the line, worded as on standard error.
    virtual void on_fault(const std::string& /*problem*/) {}
};
