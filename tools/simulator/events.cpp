#include "tools/simulator/events.h"

#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace simulator {

namespace {

struct Name {
    EventKind kind;
    const char* text;
    const char* effect;
};

const Name names[] = {
    {EventKind::mains_failure, "mains-failure", "AC input lost: readings 0, input power failure state"},
    {EventKind::mains_restore, "mains-restore", "AC input back"},
    {EventKind::ac_overvoltage, "ac-overvoltage", "phase voltages 290 V"},
    {EventKind::ac_undervoltage, "ac-undervoltage", "phase voltages 140 V"},
    {EventKind::ac_voltage_normal, "ac-voltage-normal", "phase voltages 220 V"},
    {EventKind::frequency_high, "frequency-high", "AC frequency 52.5 Hz"},
    {EventKind::frequency_low, "frequency-low", "AC frequency 47.5 Hz"},
    {EventKind::frequency_normal, "frequency-normal", "AC frequency 50 Hz"},
    {EventKind::breaker_trip, "breaker-trip", "input circuit breaker tripped"},
    {EventKind::breaker_reset, "breaker-reset", "input circuit breaker closed"},
    {EventKind::surge_fault, "surge-fault", "surge protector faulty"},
    {EventKind::surge_clear, "surge-clear", "surge protector healthy"},
    {EventKind::module_fault, "module-fault", "rectifier module N faulty"},
    {EventKind::module_recover, "module-recover", "rectifier module N healthy"},
    {EventKind::dc_undervoltage, "dc-undervoltage", "DC bus at 45 V"},
    {EventKind::dc_overvoltage, "dc-overvoltage", "DC bus at 58 V"},
    {EventKind::dc_normal, "dc-normal", "DC bus normal"},
    {EventKind::garbled_frame, "garbled-frame", "the next N replies garbled"},
    {EventKind::bad_checksum, "bad-checksum", "the next N replies with a wrong checksum"},
    {EventKind::no_reply, "no-reply", "no answer to the next N requests"},
    {EventKind::error_rtn, "error-rtn", "the next N replies carry an error RTN"},
    {EventKind::all_normal, "all-normal", "every condition back to normal"},
};

bool whole_number(const std::string& text, long& value)
{
    if (text.empty() || text.size() > 9) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    value = std::atol(text.c_str());
    return true;
}

}  // namespace

std::string event_name(EventKind kind)
{
    for (const Name& name : names) {
        if (name.kind == kind) {
            return name.text;
        }
    }
    return "?";
}

std::string event_names()
{
    std::string text;
    for (const Name& name : names) {
        text += text.empty() ? "" : ", ";
        text += name.text;
    }
    return text;
}

std::string event_list()
{
    std::string text;
    for (const Name& name : names) {
        const std::string event = name.text;
        text += "  " + event + std::string(event.size() < 20 ? 20 - event.size() : 1, ' ') + name.effect + "\n";
    }
    return text;
}

Event parse_event(const std::string& text)
{
    std::istringstream words(text);
    std::string when, what, argument, extra;
    words >> when >> what >> argument >> extra;
    if (what.empty() || !extra.empty()) {
        throw std::invalid_argument("event \"" + text + "\" is not WHEN WHAT [N]");
    }
    Event event;
    if (when.back() == 's') {
        event.by_time = true;
        when.pop_back();
    }
    if (!whole_number(when, event.when)) {
        throw std::invalid_argument("event \"" + text + "\": WHEN must be a round number or seconds such as 10s");
    }
    bool known = false;
    for (const Name& name : names) {
        if (what == name.text) {
            event.kind = name.kind;
            known = true;
        }
    }
    if (!known) {
        throw std::invalid_argument("unknown event \"" + what + "\" (known: " + event_names() + ")");
    }
    if (!argument.empty()) {
        long value = 0;
        if (!whole_number(argument, value) || value < 1) {
            throw std::invalid_argument("event \"" + text + "\": N must be a number from 1");
        }
        event.argument = static_cast<int>(value);
    }
    return event;
}

std::vector<Event> parse_script(const std::string& text)
{
    std::vector<Event> events;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        try {
            events.push_back(parse_event(line));
        } catch (const std::invalid_argument& error) {
            throw std::invalid_argument("line " + std::to_string(number) + ": " + error.what());
        }
    }
    return events;
}

}  // namespace simulator
