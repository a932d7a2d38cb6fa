// What answers on the far end of a simulated line: one power system, or a
// bus of several that share the line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace simulator {

class LinePeer {
public:
    virtual ~LinePeer() = default;

    // Takes bytes from the line; returns what goes back (often nothing until
    // a request is complete).
    virtual std::string receive(const std::uint8_t* data, std::size_t length) = 0;
    // Tells what happens on the far end (events, control commands, line trouble).
    virtual void note(const std::string& text) const = 0;
};

}  // namespace simulator
