// The device side of the line: takes request frames, answers them as the
// power system does, applies control commands and scripted events, and
// spoils replies on purpose when a line fault is scripted.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/frame_codec.h"
#include "tools/simulator/capture_repeater.h"
#include "tools/simulator/event_schedule.h"
#include "tools/simulator/events.h"
#include "tools/simulator/payloads.h"
#include "tools/simulator/power_system.h"

namespace simulator {

struct SimulatorSettings {
    SystemSettings system;
    std::uint8_t address = 1;
    std::uint8_t version = 0x20;
    std::vector<Event> events;
    // How often the host tries a request before it gives the round up: the
    // request once more after that many unanswered tries starts a new round.
    int host_attempts = 3;
    // Answer as the captured site did instead of from the simulated one.
    std::optional<std::vector<CapturedExchange>> captured;
    // Reply at the baud rate's speed (the line's business, kept here so that
    // every command takes the simulator's options alike).
    bool paced = false;
};

class PowerSystemSimulator {
public:
    explicit PowerSystemSimulator(const SimulatorSettings& settings);

    // Takes bytes from the line; returns what goes back (often nothing until
    // a request is complete).
    std::string receive(const std::uint8_t* data, std::size_t length);
    // The reply to one request frame that passed the line checks; empty when
    // the power system stays silent.
    std::string answer(const pmbus_frame::DecodedFrame& request);

    // Poll rounds seen so far: a round starts with the AC analog request,
    // or with the rectifier analog request when no AC request came first.
    // A request repeated after a reply that did not reach the host intact is
    // the host's retry and starts nothing, up to the host's attempts; after
    // a round the host gave up on, the same request again starts the next.
    unsigned round() const { return round_; }
    PowerSystem& system() { return system_; }
    const PowerSystem& system() const { return system_; }
    // Where the simulator tells what happens (events, control commands).
    void set_log(std::function<void(const std::string&)> log) { log_ = std::move(log); }
    // Seconds since start for timed events; the steady clock by default.
    void set_clock(std::function<double()> seconds) { seconds_ = std::move(seconds); }
    // Passes a line to the log.
    void note(const std::string& text) const;

private:
    // Status and alarm payloads last read by the host, per group, to set
    // the flag byte's change bits.
    struct ChangeTracker {
        Bytes status_read;
        Bytes alarm_read;
        bool status_known = false;
        bool alarm_known = false;
        std::uint8_t flag(const Bytes& status, const Bytes& alarm) const;
    };

    void count_round(std::uint8_t cid1, std::uint8_t cid2, bool retry);
    std::uint8_t poll_refusal(std::uint8_t cid1, const pmbus_frame::DecodedFrame& request) const;
    void fire_due_events();
    void apply(const Event& event);
    std::string normal_reply(std::uint8_t cid1, const Bytes& info) const;
    std::string error_reply(std::uint8_t cid1, std::uint8_t rtn) const;
    std::string poll_reply(std::uint8_t cid1, std::uint8_t cid2, bool& known);
    std::string control_reply(const pmbus_frame::DecodedFrame& request);
    std::string spoil(std::string reply, std::uint8_t cid1);

    SimulatorSettings settings_;
    PowerSystem system_;
    std::optional<CaptureRepeater> repeater_;
    pmbus_frame::FrameReader reader_;
    EventSchedule schedule_;
    std::string frame_head_;          // the characters after SOI of the frame being received
    unsigned round_ = 0;
    bool ac_polled_ = false;
    ChangeTracker ac_, rectifier_, dc_;
    int garbled_ = 0, bad_checksum_ = 0, no_reply_ = 0, error_rtn_ = 0;
    bool spoiled_ = false;            // a line fault hit the reply being made
    std::uint16_t last_pair_ = 0;     // CID1 and CID2 of the last request
    bool last_answered_ = false;      // whether it got an intact normal reply
    int tries_ = 0;                   // how often the host has sent it in a row
    std::function<void(const std::string&)> log_;
    std::function<double()> seconds_;
};

}  // namespace simulator
