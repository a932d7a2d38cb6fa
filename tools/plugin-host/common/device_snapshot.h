// What a device of a run looks like from outside: its last record, its
// alarms, its line and its counters, as its thread published them at the end
// of its last round. A snapshot never changes once published; the thread
// swaps in a new one under a lock held only for that swap, so whoever looks
// from outside (a metrics scrape) never waits for a line.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "protocol419/record.h"

namespace plugin_host {

// Who a device is; fixed for the run and shared by all its snapshots.
struct DeviceIdentity {
    std::string name;
    std::string bus;  // the serial port, or the simulated bus's name
    int address = 1;
    std::string plugin;          // the plug-in file
    std::string protocol_version;  // the version byte the device speaks, as "0x20"
    std::chrono::seconds interval{2};
};

// Line faults by kind: a fixed list, so that a label over them stays small.
enum class FaultKind { timeout, bad_frame, error_reply, wrong_reply, unusable_reply, lost, other };
constexpr std::size_t FAULT_KINDS = 7;
const char* fault_kind_name(FaultKind kind);
// The kind of a fault as the host's loop words it.
FaultKind fault_kind_of(const std::string& problem);

struct SnapshotAlarm {
    std::string name;         // as the plug-in reports it
    int level = 0;            // as the plug-in reports it
    unsigned occurrence = 0;  // which report of that name in a round (the channels of one rule)
    bool active = false;
};

struct DeviceSnapshot {
    std::shared_ptr<const DeviceIdentity> identity;
    // The device answered in its last round (and the line is open).
    bool up = false;
    unsigned long rounds_completed = 0;
    unsigned long rounds_given_up = 0;
    unsigned long reopen_attempts = 0;
    std::array<unsigned long, FAULT_KINDS> faults{};
    // The record of the last completed round, and when that round ended.
    bool has_record = false;
    qorv52_419_Data_t record{};
    std::chrono::system_clock::time_point completed_at{};
    std::chrono::steady_clock::time_point completed_steady{};
    std::vector<SnapshotAlarm> alarms;

    // Whether the readings may be shown as fresh at `now`: the device
    // answers and completed a round within the last three intervals.
    bool fresh(std::chrono::steady_clock::time_point now) const;
};

// One device's place: its thread publishes, readers take the current one.
class SnapshotSlot {
public:
    void publish(std::shared_ptr<const DeviceSnapshot> snapshot);
    std::shared_ptr<const DeviceSnapshot> current() const;

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const DeviceSnapshot> current_;
};

// Every device of a run, in the order they were added. A device holds its
// place for as long as it is polled; a device removed on reload drops its
// place and is gone from the board.
class SnapshotBoard {
public:
    std::shared_ptr<SnapshotSlot> add();
    std::vector<std::shared_ptr<const DeviceSnapshot>> current() const;

private:
    mutable std::mutex mutex_;
    mutable std::vector<std::weak_ptr<SnapshotSlot>> slots_;
};

}  // namespace plugin_host
