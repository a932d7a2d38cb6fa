// Serves the simulator on a line (the master end of a pseudo-terminal or a
// serial port) until told to stop, in the calling thread or in its own.
#pragma once

#include <atomic>
#include <thread>

#include "host/byte_line.h"
#include "tools/simulator/line_peer.h"

namespace simulator {

// Reads requests and writes replies until `stop` turns true. Returns
// normally on stop; line errors are reported through the simulator's log
// and the serving goes on.
void serve(LinePeer& peer, ByteLine& line, const std::atomic<bool>& stop);

// A simulator (or a bus of them) served in a thread of its own, for the run
// tool and tests.
class BackgroundServer {
public:
    BackgroundServer(LinePeer& peer, ByteLine& line);
    ~BackgroundServer();
    BackgroundServer(const BackgroundServer&) = delete;
    BackgroundServer& operator=(const BackgroundServer&) = delete;

    void stop();

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace simulator
