// What a device has published, kept in a small file beside its history so
// that numbers go on and a restart of the tool sends what the broker never
// had, and only that:
//   stored 1234            records the device ever stored (the newest's seq)
//   acknowledged 1200      every record up to this one the broker has
//   newest 17 FILE         the newest is the 17th record of FILE
// The newest's place lets a restart count the records stored after the file
// was last written (a crash between the two). The file is replaced whole
// (written beside, synced, renamed): a crash leaves the old one or the new
// one, never a torn one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace plugin_host {

struct LedgerState {
    std::uint64_t stored = 0;
    std::uint64_t acknowledged = 0;
    std::string newest_file;  // empty: not known
    std::uint64_t newest_records = 0;
};

class DeliveryLedger {
public:
    explicit DeliveryLedger(std::string path) : path_(std::move(path)) {}

    // The state kept; nothing when there is no file yet. Throws
    // std::runtime_error naming the file when it holds something else.
    std::optional<LedgerState> load() const;
    // Keeps `state`; false (errno set) when the file cannot be written.
    bool store(const LedgerState& state) const;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace plugin_host
