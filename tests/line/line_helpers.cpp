#include "tests/line/line_helpers.h"

#include <cstring>

Reply ask(simulator::PowerSystemSimulator& sim, std::uint8_t cid1, std::uint8_t cid2,
          const std::vector<std::uint8_t>& data, std::uint8_t address, std::uint8_t version)
{
    const std::string request = pmbus_frame::encode_frame(version, address, cid1, cid2, data.data(), data.size());
    const std::string answer =
        sim.receive(reinterpret_cast<const std::uint8_t*>(request.data()), request.size());
    Reply reply;
    pmbus_frame::FrameReader reader;
    for (char c : answer) {
        if (!reader.push(static_cast<std::uint8_t>(c))) {
            continue;
        }
        reply.silent = false;
        reply.status = reader.outcome().status;
        if (reply.status == pmbus_frame::FrameStatus::good) {
            const pmbus_frame::DecodedFrame& frame = *reader.outcome().frame;
            reply.rtn = frame.cid2();
            reply.info.assign(frame.info(), frame.info() + frame.info_length());
        }
    }
    return reply;
}

float float_at(const std::vector<std::uint8_t>& bytes, std::size_t offset)
{
    float value = 0.0f;
    if (offset + 4 <= bytes.size()) {
        std::memcpy(&value, bytes.data() + offset, sizeof value);
    }
    return value;
}

SimulatedLine::SimulatedLine(const simulator::SimulatorSettings& settings) : sim(settings)
{
    server = std::make_unique<simulator::BackgroundServer>(
        sim, settings.paced ? static_cast<ByteLine&>(paced) : static_cast<ByteLine&>(pty));
}

SimulatedLine::~SimulatedLine() { server.reset(); }
