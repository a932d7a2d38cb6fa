// The number of the last record a broker acknowledged for one device, kept
// in a small file beside the device's history so that a restart of the tool
// sends what the broker never had, and only that. The file is replaced
// whole (written beside, synced, renamed): a crash leaves the old number or
// the new one, never a torn one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace plugin_host {

class DeliveryLedger {
public:
    explicit DeliveryLedger(std::string path) : path_(std::move(path)) {}

    // The number kept; nothing when there is no file yet. Throws
    // std::runtime_error naming the file when it holds something else.
    std::optional<std::uint64_t> load() const;
    // Keeps `acknowledged`; false (errno set) when the file cannot be written.
    bool store(std::uint64_t acknowledged) const;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// The ledger of the device whose history is at `history`.
std::string ledger_path_for(const std::string& history);

}  // namespace plugin_host
