#include "tools/simulator/power_system_bus.h"

#include <algorithm>
#include <stdexcept>

namespace simulator {

namespace {

int address_number(const std::string& text, const std::string& whole)
{
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) {
        throw std::invalid_argument("addresses \"" + whole + "\": \"" + text + "\" is not a number");
    }
    const int value = std::stoi(text);
    if (value > 255) {
        throw std::invalid_argument("addresses \"" + whole + "\": " + text + " is not an address (0 to 255)");
    }
    return value;
}

}  // namespace

PowerSystemBus::PowerSystemBus(const std::vector<SimulatorSettings>& systems)
{
    for (const SimulatorSettings& settings : systems) {
        add(settings);
    }
}

void PowerSystemBus::add(const SimulatorSettings& settings)
{
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (find(settings.address) != nullptr) {
        throw std::invalid_argument("two power systems at address " + std::to_string(settings.address) +
                                    " on one bus");
    }
    // Neighbours on a bus do not move in step: each reads differently.
    SimulatorSettings own = settings;
    own.system.phase += static_cast<int>(systems_.size());
    systems_.push_back(std::make_unique<PowerSystemSimulator>(own));
    addresses_.push_back(settings.address);
    if (log_) {
        set_log(log_);
    }
}

void PowerSystemBus::remove(std::uint8_t address)
{
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto at = std::find(addresses_.begin(), addresses_.end(), address);
    if (at != addresses_.end()) {
        systems_.erase(systems_.begin() + (at - addresses_.begin()));
        addresses_.erase(at);
    }
}

std::size_t PowerSystemBus::size() const
{
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    return systems_.size();
}

std::string PowerSystemBus::receive(const std::uint8_t* data, std::size_t length)
{
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::string replies;
    for (auto& system : systems_) {
        replies += system->receive(data, length);
    }
    return replies;
}

void PowerSystemBus::note(const std::string& text) const
{
    if (log_) {
        log_(text);
    }
}

void PowerSystemBus::set_log(const std::function<void(const std::string&)>& log)
{
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    log_ = log;
    for (std::size_t i = 0; i < systems_.size(); ++i) {
        const std::string lead = systems_.size() > 1 ? "address " + std::to_string(addresses_[i]) + ": " : "";
        systems_[i]->set_log([log, lead](const std::string& text) { log(lead + text); });
    }
}

PowerSystemSimulator* PowerSystemBus::find(std::uint8_t address)
{
    const std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto at = std::find(addresses_.begin(), addresses_.end(), address);
    return at == addresses_.end() ? nullptr : systems_[static_cast<std::size_t>(at - addresses_.begin())].get();
}

std::vector<std::uint8_t> parse_addresses(const std::string& text)
{
    std::vector<std::uint8_t> addresses;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const std::size_t dash = item.find('-');
        const int first = address_number(item.substr(0, dash), text);
        const int last = dash == std::string::npos ? first : address_number(item.substr(dash + 1), text);
        if (last < first) {
            throw std::invalid_argument("addresses \"" + text + "\": " + item + " runs backwards");
        }
        for (int address = first; address <= last; ++address) {
            if (std::find(addresses.begin(), addresses.end(), address) != addresses.end()) {
                throw std::invalid_argument("addresses \"" + text + "\": " + std::to_string(address) +
                                            " comes twice");
            }
            addresses.push_back(static_cast<std::uint8_t>(address));
        }
        if (comma == std::string::npos) {
            return addresses;
        }
        start = comma + 1;
    }
}

std::vector<SimulatorSettings> bus_settings(const SimulatorSettings& common, const std::vector<std::uint8_t>& addresses)
{
    for (const Event& event : common.events) {
        if (event.address >= 0 && std::find(addresses.begin(), addresses.end(), event.address) == addresses.end()) {
            throw std::invalid_argument("an event names address " + std::to_string(event.address) +
                                        ", which no power system on the bus has");
        }
    }
    std::vector<SimulatorSettings> systems;
    for (const std::uint8_t address : addresses) {
        SimulatorSettings settings = common;
        settings.address = address;
        systems.push_back(settings);
    }
    return systems;
}

}  // namespace simulator
