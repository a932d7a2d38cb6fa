#include "tools/plugin-host/common/device_snapshot.h"

#include <utility>

namespace plugin_host {

const char* fault_kind_name(FaultKind kind)
{
    static const char* const names[FAULT_KINDS] = {"timeout",        "bad_frame", "error_reply", "wrong_reply",
                                                   "unusable_reply", "lost",      "other"};
    return names[static_cast<std::size_t>(kind)];
}

FaultKind fault_kind_of(const std::string& problem)
{
    static const std::pair<const char*, FaultKind> starts[] = {
        {"no reply within", FaultKind::timeout},
        {"bad reply", FaultKind::bad_frame},
        {"error reply", FaultKind::error_reply},
        {"reply ", FaultKind::wrong_reply},  // from another address, for another CID1 or version
        {"the device could not use", FaultKind::unusable_reply},
        {"line lost", FaultKind::lost},
    };
    for (const auto& start : starts) {
        if (problem.compare(0, std::char_traits<char>::length(start.first), start.first) == 0) {
            return start.second;
        }
    }
    return FaultKind::other;
}

bool DeviceSnapshot::fresh(std::chrono::steady_clock::time_point now) const
{
    return up && has_record && now - completed_steady <= 3 * identity->interval;
}

void SnapshotSlot::publish(std::shared_ptr<const DeviceSnapshot> snapshot)
{
    std::lock_guard<std::mutex> lock(mutex_);
    current_.swap(snapshot);
    // The one replaced is let go after the lock, by `snapshot`'s end.
}

std::shared_ptr<const DeviceSnapshot> SnapshotSlot::current() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return current_;
}

std::shared_ptr<SnapshotSlot> SnapshotBoard::add()
{
    auto slot = std::make_shared<SnapshotSlot>();
    const std::lock_guard<std::mutex> lock(mutex_);
    slots_.push_back(slot);
    return slot;
}

std::vector<std::shared_ptr<const DeviceSnapshot>> SnapshotBoard::current() const
{
    std::vector<std::shared_ptr<const DeviceSnapshot>> all;
    const std::lock_guard<std::mutex> lock(mutex_);
    all.reserve(slots_.size());
    for (auto place = slots_.begin(); place != slots_.end();) {
        const std::shared_ptr<SnapshotSlot> slot = place->lock();
        if (!slot) {
            place = slots_.erase(place);
            continue;
        }
        if (auto snapshot = slot->current()) {
            all.push_back(std::move(snapshot));
        }
        ++place;
    }
    return all;
}

}  // namespace plugin_host
