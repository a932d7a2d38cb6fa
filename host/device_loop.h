// The host's main loop for one device on one line: start a round with
// RefreshStatus, wait for each reply, hand good replies to the device's
// process, and handle missing or bad replies the way the daemon does: a
// diagnostic on standard error, the device's process_error, the same request
// again, and after the last attempt the round is abandoned so that the next
// one starts afresh.
//
// The loop is told, never guesses: it stands between the device and the
// device's observer, so each request reaches it through the send
// notification (and goes out on the line from there), and a round has
// finished when process_payload ends the exchange after publishing a record.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "host/byte_line.h"
#include "host/frame_codec.h"
#include "host/loop_watcher.h"
#include "host/observer_relay.h"
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
    // Puts the loop in front of the device's observer (set it first) until
    // the loop ends, which must be before the device's end; the line stays
    // the caller's.
    DeviceLoop(PMBusProtocol& device, ByteLine& line, LoopSettings settings = {});
    ~DeviceLoop();
    DeviceLoop(const DeviceLoop&) = delete;
    DeviceLoop& operator=(const DeviceLoop&) = delete;

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
    // What the loop hears from the device before the observer does.
    class Relay : public ObserverRelay {
    public:
        Relay(DeviceLoop& loop, HostObserver& next) : ObserverRelay(next), loop_(loop) {}
        void on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length) override;
        void on_send_sp(int type, const unsigned char* record, unsigned int length, bool flag) override;
        void on_open_port() override;

    private:
        DeviceLoop& loop_;
    };

    // Writes the last request frame (again): false when there is none or
    // the line fails.
    bool send_last_request();

    enum class Wait { reply, timeout, fault };
    Wait await_reply(std::string& problem);
    void report(const std::string& problem, int attempt) const;

    PMBusProtocol& device_;
    ByteLine& line_;
    LoopSettings settings_;
    Relay relay_;
    std::string last_request_;     // the last request frame, as written
    unsigned char last_cid1_ = 0;  // its command pair, for diagnostics
    unsigned char last_cid2_ = 0;
    unsigned long requests_ = 0;   // requests the device has made
    unsigned long published_ = 0;  // records the device has published
    pmbus_frame::FrameReader reader_;
    // The reply the device reads through its received-frame pointer.
    std::array<unsigned char, pmbus_frame::DECODED_HEADER_BYTES + pmbus_frame::MAX_INFO_BYTES> reply_{};
    std::size_t reply_length_ = 0;
    std::vector<LoopWatcher*> watchers_;
};
