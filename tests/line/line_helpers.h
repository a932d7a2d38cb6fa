// Helpers of the line tests: requests to the simulator without a line, and a
// simulator served on a pseudo-terminal.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/frame_codec.h"
#include "tools/simulator/line_server.h"
#include "tools/simulator/paced_line.h"
#include "tools/simulator/pseudo_terminal.h"
#include "tools/simulator/simulator.h"

// A decoded reply, or status not good when the simulator's answer did not
// pass the line checks; `silent` when it did not answer at all.
struct Reply {
    bool silent = true;
    pmbus_frame::FrameStatus status = pmbus_frame::FrameStatus::good;
    std::uint8_t rtn = 0;
    std::vector<std::uint8_t> info;
};

// Sends one request frame (version 0x20, address 1 unless given) to the
// simulator and decodes its answer.
Reply ask(simulator::PowerSystemSimulator& sim, std::uint8_t cid1, std::uint8_t cid2,
          const std::vector<std::uint8_t>& data = {}, std::uint8_t address = 1, std::uint8_t version = 0x20);

// Reads the 4-byte little-endian float at `offset` of `bytes`.
float float_at(const std::vector<std::uint8_t>& bytes, std::size_t offset);

// A simulator answering on a pseudo-terminal in a thread of its own, at
// 9600 baud when the settings ask for a paced line.
struct SimulatedLine {
    explicit SimulatedLine(const simulator::SimulatorSettings& settings);
    ~SimulatedLine();

    simulator::PowerSystemSimulator sim;
    PseudoTerminal pty;
    simulator::PacedLine paced{pty, 9600};
    std::unique_ptr<simulator::BackgroundServer> server;
};
