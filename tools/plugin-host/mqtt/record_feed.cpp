#include "tools/plugin-host/mqtt/record_feed.h"

#include <cstring>

namespace plugin_host {

RecordFeed::RecordFeed(std::unique_ptr<DeviceHistory> history, std::size_t queue_capacity, std::uint64_t newest)
    : history_(std::move(history)), capacity_(queue_capacity), newest_(newest)
{
}

std::uint64_t RecordFeed::newest() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return newest_;
}

void RecordFeed::add(const std::uint8_t* record)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const std::uint64_t number = ++newest_;
    if (queue_.size() < capacity_) {
        queue_.emplace_back();
        queue_.back().first = number;
        std::memcpy(queue_.back().second.data(), record, queue_.back().second.size());
    } else if (!history_) {
        ++lost_;
    }
}

bool RecordFeed::take(std::uint64_t number, StoredRecord& record)
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& held : queue_) {
            if (held.first == number) {
                record = held.second;
                return true;
            }
        }
    }
    return history_ && history_->read(number, record);
}

void RecordFeed::acknowledged(std::uint64_t number)
{
    std::lock_guard<std::mutex> lock(mutex_);
    while (!queue_.empty() && queue_.front().first <= number) {
        queue_.pop_front();
    }
}

}  // namespace plugin_host
