// The host's main loop for one device on one line: start a round with
// RefreshStatus, wait for each reply, hand good replies to the device's
// process, and handle missing or bad replies the way the daemon does: a
// diagnostic on standard error, the device's process_error, the same request
// again, and after the last attempt the round is abandoned so that the next
// one starts afresh.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "host/byte_line.h"
#include "host/frame_codec.h"
#include "host/loop_watcher.h"
#include "host/pmbus_protocol.h"

struct LoopSettings {
    int reply_timeout_ms = 1000;  // from the end of a request to the end of its reply
    int attempts = 3;             // per request: the first try and the retries
};

struct ExchangeResult {
    bool started = false;    // a request went out
    bool completed = false;  // the exchange ended normally and the round is finished
    bool abandoned = false;  // a request went unanswered after the last attempt
    int replies = 0;         // good replies handed to the device
    int faults = 0;          // timeouts, bad frames and error replies
};

class HOST_API DeviceLoop {
public:
    // Attaches the line to the device; the line stays the caller's.
    DeviceLoop(PMBusProtocol& device, ByteLine& line, LoopSettings settings = {});

    // One poll round: RefreshStatus, then the exchange it starts. Nothing is
    // started (started false) when the device declines to poll now.
    ExchangeResult run_round();
    // Carries on an exchange that a request already started, such as a
    // control command sent through DeviceIoControl.
    ExchangeResult finish_exchange();
    // Tells `watcher` of rounds, replies and faults from now on; it must
    // outlive the loop.
    void add_watcher(LoopWatcher& watcher) { watchers_.push_back(&watcher); }

private:
    enum class Wait { reply, timeout, fault };
    Wait await_reply(std::string& problem);
    void report(const std::string& problem, int attempt) const;

    PMBusProtocol& device_;
    ByteLine& line_;
    LoopSettings settings_;
    pmbus_frame::FrameReader reader_;
    // The reply the device reads through its received-frame pointer.
    std::array<unsigned char, pmbus_frame::DECODED_HEADER_BYTES + pmbus_frame::MAX_INFO_BYTES> reply_{};
    std::size_t reply_length_ = 0;
    std::vector<LoopWatcher*> watchers_;
};
