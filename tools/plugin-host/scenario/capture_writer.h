// Writes a site's line as a replay scenario while the host polls it: the
// host settings and configuration the device got, the clock moves, each
// round's refresh, every received frame exactly as handed to the device,
// control requests, and as comments the requests sent and every line fault
// with its time. Each line is written whole and the file is flushed per
// round, so a capture cut short is still a scenario up to its last line.
#pragma once

#include <cstdint>
#include <ctime>
#include <fstream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include <json/value.h>

#include "host/loop_watcher.h"
#include "host/observer_relay.h"
#include "host/pmbus_protocol.h"

namespace plugin_host {

// Watches the device's loop, and stands between the device and the host's
// own observer, passing every call on to it.
class CaptureWriter : public ObserverRelay, public LoopWatcher {
public:
    CaptureWriter(std::ostream& out, HostObserver& next);

    // Moves the device's clock, already frozen, to the real time in whole
    // seconds before every call the capture records: the device then reads
    // exactly the times the capture holds.
    void follow_real_clock() { follow_real_clock_ = true; }

    // A comment saying where the capture comes from, the host settings of
    // the device, and the configuration it is about to get.
    void begin(const PMBusProtocol& device, const Json::Value& config, const std::string& origin);
    // Records a control request, then makes it.
    int control(SMDSPDevice& device, int code, const std::vector<std::uint8_t>& in, int out_len,
                std::vector<std::uint8_t>& out, int& out_used);
    // The end of a round: what is written so far goes to the file.
    void end_round();
    // False once writing failed.
    bool good() const { return static_cast<bool>(out_); }

    void before_round() override;
    void on_reply(const unsigned char* frame, std::size_t length) override;
    void on_fault(const std::string& problem) override;

    void on_send(unsigned char cid1, unsigned char cid2, const unsigned char* data, int length) override;

private:
    // Brings the replay's clock to the device's before a recorded call.
    void catch_up_clock();
    void line(const std::string& text);
    void comment(const std::string& text);

    std::ostream& out_;
    bool follow_real_clock_ = false;
    std::time_t replay_clock_;  // where the replay's clock stands after the lines written
};

// Opens `path` afresh into `file` and a capture writer onto it that passes
// calls on to `next`. Throws std::runtime_error naming the file when it
// cannot be written.
std::unique_ptr<CaptureWriter> open_capture(const std::string& path, std::ofstream& file, HostObserver& next);

}  // namespace plugin_host
