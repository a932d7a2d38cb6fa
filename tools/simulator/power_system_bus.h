// Several power systems on one RS-485 bus. Every one of them hears every
// frame on the line and answers only those addressed to it, so the bus
// answers a request with at most one reply, and with none when the address
// is nobody's.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tools/simulator/line_peer.h"
#include "tools/simulator/simulator.h"

namespace simulator {

class PowerSystemBus : public LinePeer {
public:
    // One power system for each settings, at its address. Throws
    // std::invalid_argument when two of them share an address.
    explicit PowerSystemBus(const std::vector<SimulatorSettings>& systems);

    // A power system joins the bus, or leaves it (a host's devices changed
    // while the bus serves). Add throws std::invalid_argument when the
    // address is taken.
    void add(const SimulatorSettings& settings);
    void remove(std::uint8_t address);

    std::string receive(const std::uint8_t* data, std::size_t length) override;
    void note(const std::string& text) const override;

    // Where the power systems tell what happens, each line led by its address
    // when the bus holds more than one.
    void set_log(const std::function<void(const std::string&)>& log);

    std::size_t size() const;
    PowerSystemSimulator& at(std::size_t i) { return *systems_[i]; }
    // The power system at this address; null when there is none.
    PowerSystemSimulator* find(std::uint8_t address);

private:
    // Held while the bus answers, and while a system joins or leaves.
    mutable std::recursive_mutex mutex_;
    std::vector<std::unique_ptr<PowerSystemSimulator>> systems_;
    std::vector<std::uint8_t> addresses_;
    std::function<void(const std::string&)> log_;
};

// "1,2,3" or "1-8" or "1,4-6": the addresses of a bus, each 0 to 255 and
// none twice. Throws std::invalid_argument naming what is wrong.
std::vector<std::uint8_t> parse_addresses(const std::string& text);

// The settings of each address: `common` with the address (each power
// system keeps the events that name it or no address). Throws
// std::invalid_argument when an event names an address not on the bus.
std::vector<SimulatorSettings> bus_settings(const SimulatorSettings& common, const std::vector<std::uint8_t>& addresses);

}  // namespace simulator
