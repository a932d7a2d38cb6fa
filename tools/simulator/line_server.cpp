#include "tools/simulator/line_server.h"

#include <chrono>

namespace simulator {

namespace {

// How often the serving loop looks at the stop flag.
constexpr int POLL_MS = 50;
// How long a reply may wait for a host that takes none of it before it is
// given up (said once; the serving goes on).
constexpr std::chrono::milliseconds WRITE_STALL{10000};

}  // namespace

void serve(LinePeer& peer, ByteLine& line, const std::atomic<bool>& stop)
{
    // A host that stops reading leaves a reply half written: the write
    // gives way to the stop as every other wait does.
    const WriteWait wait{WRITE_STALL, [&stop] { return stop.load(); }};
    unsigned char chunk[512];
    bool reported = false;
    while (!stop.load()) {
        try {
            const std::size_t received = line.read(chunk, sizeof chunk, POLL_MS);
            if (received == 0) {
                continue;
            }
            const std::string reply = peer.receive(chunk, received);
            if (!reply.empty()) {
                line.write(reinterpret_cast<const unsigned char*>(reply.data()), reply.size(), wait);
            }
            reported = false;
        } catch (const LineError& error) {
            // Said once per outage: a host that closed its end is no news every 50 ms.
            if (!reported) {
                peer.note(std::string("line: ") + error.what());
                reported = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(POLL_MS));
        }
    }
}

BackgroundServer::BackgroundServer(LinePeer& peer, ByteLine& line)
    : thread_([this, &peer, &line] { serve(peer, line, stop_); })
{
}

BackgroundServer::~BackgroundServer() { stop(); }

void BackgroundServer::stop()
{
    stop_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace simulator
