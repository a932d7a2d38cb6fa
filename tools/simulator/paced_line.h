// The power system's side of a line at the speed of a real serial line: a
// request that arrived all at once through a pseudo-terminal is taken to
// have needed its characters' time to arrive, the power system turns round,
// and its reply goes out no faster than the baud rate carries it (ten bits
// a character: start, eight data bits, stop).
#pragma once

#include <chrono>
#include <cstddef>

#include "host/byte_line.h"

namespace simulator {

// Between the end of a request and the start of the reply.
constexpr std::chrono::milliseconds TURNAROUND{5};

class PacedLine : public ByteLine {
public:
    // The line stays the caller's.
    PacedLine(ByteLine& line, int baud);

    void open() override { line_.open(); }
    void close() override { line_.close(); }
    bool is_open() const override { return line_.is_open(); }
    bool write(const unsigned char* data, std::size_t length, const WriteWait& wait) override;
    std::size_t read(unsigned char* buffer, std::size_t capacity, int timeout_ms) override;
    void discard_input() override { line_.discard_input(); }
    std::string name() const override { return line_.name(); }

    // Characters carried so far, both ways.
    std::size_t characters() const { return characters_; }

private:
    using steady = std::chrono::steady_clock;

    ByteLine& line_;
    steady::duration character_time_;
    std::size_t characters_per_write_;
    std::size_t received_ = 0;  // request characters since the last reply
    std::size_t characters_ = 0;
};

}  // namespace simulator
