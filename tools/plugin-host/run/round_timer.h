// How long a round takes on the line: from the loop starting the round (its
// first request goes out at once) to the round's result, and to the last
// reply the device got.
#pragma once

#include <chrono>
#include <optional>

#include "host/loop_watcher.h"

namespace plugin_host {

struct RoundTiming {
    double duration_ms = 0;
    std::optional<double> line_ms;  // first request to last reply; none without a reply
};

class RoundTimer : public LoopWatcher {
public:
    void before_round() override;
    void on_reply(const unsigned char* frame, std::size_t length) override;

    // The round that started last, as it stands now.
    RoundTiming finish() const;

private:
    using steady = std::chrono::steady_clock;
    steady::time_point start_{};
    std::optional<steady::time_point> last_reply_;
};

}  // namespace plugin_host
