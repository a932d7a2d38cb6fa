// One device's records on their way to the broker. The device's thread
// hands over each record it stored; the publisher's thread asks for records
// by number. A bounded queue carries the newest ones so that they are not
// read back; when it is full a record simply waits in the history and is
// read from there, so the device's thread never waits for the broker and
// no record is dropped. A device without a history has only the queue: what
// does not fit in it is lost, and counted. The queue lets records go once
// the broker has them.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "tools/plugin-host/records/device_history.h"

namespace plugin_host {

class RecordFeed {
public:
    // A device whose history is `history` (none: null), whose newest record
    // so far is number `newest`.
    RecordFeed(std::unique_ptr<DeviceHistory> history, std::size_t queue_capacity, std::uint64_t newest);

    // On the device's thread: one more record, just stored in the history.
    void add(const std::uint8_t* record);

    // The number of the newest record (0: none yet).
    std::uint64_t newest() const;
    // On the publisher's thread: record number `number`, from the queue or
    // the history; false when neither holds it.
    bool take(std::uint64_t number, StoredRecord& record);
    // The broker has every record up to `number`: the queue lets them go.
    void acknowledged(std::uint64_t number);
    // Records that found the queue full and had no history to wait in.
    unsigned long lost() const { return lost_.load(); }
    bool has_history() const { return history_ != nullptr; }
    // Where record `number` is in the history (publisher's thread).
    DeviceHistory::Place place_of(std::uint64_t number) { return history_->place_of(number); }

private:
    std::unique_ptr<DeviceHistory> history_;
    std::size_t capacity_;
    // Under the mutex rather than a 64-bit atomic, which 32-bit MIPS has not.
    mutable std::mutex mutex_;
    std::uint64_t newest_;
    std::atomic<unsigned long> lost_{0};
    std::deque<std::pair<std::uint64_t, StoredRecord>> queue_;
};

}  // namespace plugin_host
