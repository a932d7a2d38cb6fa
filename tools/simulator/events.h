// Scripted events of the simulated power system. One event per line or
// command-line argument: WHEN WHAT [N], where WHEN is a round number (3) or
// seconds since the simulator started (10s), WHAT one of the names below,
// and N a channel (1 or 2, default both), a module (from 1) or, for the
// line faults, how many replies it spoils (default 1).
#pragma once

#include <string>
#include <vector>

namespace simulator {

enum class EventKind {
    mains_failure,
    mains_restore,
    ac_overvoltage,
    ac_undervoltage,
    ac_voltage_normal,
    frequency_high,
    frequency_low,
    frequency_normal,
    breaker_trip,
    breaker_reset,
    surge_fault,
    surge_clear,
    module_fault,
    module_recover,
    dc_undervoltage,
    dc_overvoltage,
    dc_normal,
    garbled_frame,
    bad_checksum,
    no_reply,
    error_rtn,
    all_normal,
};

struct Event {
    bool by_time = false;  // seconds since start instead of a round number
    long when = 0;
    EventKind kind = EventKind::all_normal;
    int argument = 0;      // 0: the default (both channels, one reply)
};

// Parses "3 mains-failure", "10s module-fault 2". Throws std::invalid_argument
// with a readable message.
Event parse_event(const std::string& text);
// Parses a script: one event per line, blank lines and # comments skipped.
// The message of a bad line names its number.
std::vector<Event> parse_script(const std::string& text);

std::string event_name(EventKind kind);
// The event names, for usage texts.
std::string event_names();
// One line per event: its name and what the power system does.
std::string event_list();

}  // namespace simulator
