// The host's main loop for one device on one line: start a round with
// RefreshStatus, wait for each reply, hand good replies to the device's
// process, and handle missing or bad replies the way the daemon does: a
// diagnostic, the device's process_error, the same request again, and after
// the last attempt the round is abandoned so that the next one starts
// afresh. A lost line ends the round at once; the next round first opens the
// line again (see LineSupervisor). Every wait gives way to a stop request.
//
// The loop is told, never guesses: it stands between the device and the
// device's observer, so each request reaches it through the send
// notification (and goes out on the line from there), and a round has
// finished when process_payload ends the exchange after publishing a record.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "host/byte_line.h"
#include "host/frame_codec.h"
#include "host/line_log.h"
#include "host/line_supervisor.h"
#include "host/loop_watcher.h"
#include "host/observer_relay.h"
#include "host/pmbus_protocol.h"
#include "host/stop_check.h"

struct LoopSettings {
    LoopSettings(int timeout_ms = 1000, int tries = 3) : reply_timeout_ms(timeout_ms), attempts(tries) {}

    // From the end of a request to the first character of its reply; a write
    // that the line takes no byte of for as long is a fault as well.
    int reply_timeout_ms = 1000;
    int attempts = 3;             // per request: the first try and the retries
    StopCheck stop;               // asked during every wait; none: never stop
    LineLog* log = nullptr;       // where line messages go; none: standard error
    ReopenPolicy reopen;          // pauses between attempts to reopen a lost line
};

struct ExchangeResult {
    bool started = false;    // a request went out
    bool completed = false;  // the exchange ended normally and the round is finished
    bool abandoned = false;  // a request went unanswered after the last attempt, or the line was lost
    bool lost = false;       // the line was lost during the exchange
    bool stopped = false;    // a stop request ended the exchange
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

    // One poll round: opens a closed line (pausing while it stays lost),
    // then RefreshStatus and the exchange it starts. Nothing is started
    // (started false) when the device declines to poll now, or when a stop
    // came while the line was down.
    ExchangeResult run_round();
    // Carries on an exchange that a request already started, such as a
    // control command sent through DeviceIoControl.
    ExchangeResult finish_exchange();
    // Tells `watcher` of rounds, replies and faults from now on; it must
    // outlive the loop.
    void add_watcher(LoopWatcher& watcher) { watchers_.push_back(&watcher); }

    const LineSupervisor& line_state() const { return supervisor_; }

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

    // Writes the last request frame (again). What went wrong is kept for
    // the wait that follows: a stop, or a fault in send_problem_.
    void send_last_request();

    enum class Wait { reply, timeout, fault, lost, stopped };
    Wait await_reply(std::string& problem);
    void report(const std::string& problem, int attempt);
    bool stop_requested() const { return settings_.stop && settings_.stop(); }

    PMBusProtocol& device_;
    ByteLine& line_;
    LoopSettings settings_;
    Relay relay_;
    std::string last_request_;     // the last request frame, as written
    std::string unframed_;         // why the last request could not be framed
    std::string send_problem_;     // why the last write failed, for the wait after it
    bool send_stopped_ = false;    // a stop ended the last write
    unsigned char last_cid1_ = 0;  // its command pair, for diagnostics
    unsigned char last_cid2_ = 0;
    unsigned long requests_ = 0;   // requests the device has made
    unsigned long published_ = 0;  // records the device has published
    std::unique_ptr<LineLog> own_log_;
    LineLog& log_;
    LineSupervisor supervisor_;
    pmbus_frame::FrameReader reader_;
    // The reply the device reads through its received-frame pointer.
    std::array<unsigned char, pmbus_frame::DECODED_HEADER_BYTES + pmbus_frame::MAX_INFO_BYTES> reply_{};
    std::size_t reply_length_ = 0;
    std::vector<LoopWatcher*> watchers_;
};
